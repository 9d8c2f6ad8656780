#include "records/GeneralNumber.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

namespace Orvo::OpenNI::detail {

NumberSymbols NumberSymbols::Current() {
    return Of(std::locale());
}

NumberSymbols NumberSymbols::Of(const std::locale& locale) {
    // Every locale has numpunct<char>: the standard requires it.
    return NumberSymbols{std::use_facet<std::numpunct<char>>(locale).decimal_point()};
}

namespace {

char* Copy(char* out, std::string_view text) noexcept {
    for (char c : text) {
        *out++ = c;
    }
    return out;
}

// Digits is the number of significant digits: 7 for float, 15 for double.
template <int Digits, typename Float>
char* Write(char* out, Float value, NumberSymbols symbols) noexcept {
    if (std::isnan(value)) {
        return Copy(out, NotANumberWord);  // whatever its sign bit
    }
    // Negative zero is not a negative value: it is written "0".
    const bool negative = value < 0;
    if (std::isinf(value)) {
        return Copy(out, negative ? NegativeInfinityWord : InfinityWord);
    }
    if (negative) {
        *out++ = NegativeSign;
    }
    if (value == 0) {
        *out++ = '0';
        return out;
    }

    // to_chars rounds correctly (to nearest, ties to even on the exact binary
    // value) and carries into a new digit itself: 9.9999996E-05f comes back as
    // 1.000000e-04. Its text is d.ddd…e±XX; the layout is ours.
    char scientific[32];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                      std::chars_format::scientific, Digits - 1);
    if (result.ec != std::errc()) [[unlikely]] {
        return Copy(out, NotANumberWord);  // cannot happen: the buffer is large enough
    }

    char digits[Digits];
    int count = 0;
    const char* p = scientific;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            digits[count++] = *p;
        }
    }
    ++p;  // 'e'
    const bool negativeExponent = *p++ == '-';
    int magnitude = 0;
    for (; p != result.ptr; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
    }
    const int exponent = negativeExponent ? -magnitude : magnitude;

    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }

    if (exponent > -5 && exponent < Digits) {
        if (exponent >= 0) {
            // exponent < Digits, so the integer part never needs more than the
            // digits we have plus zeros standing for dropped trailing zeros.
            const int integerDigits = exponent + 1;
            for (int i = 0; i < integerDigits; ++i) {
                *out++ = i < count ? digits[i] : '0';
            }
            if (count > integerDigits) {
                *out++ = symbols.decimalPoint;
                for (int i = integerDigits; i < count; ++i) {
                    *out++ = digits[i];
                }
            }
        } else {
            *out++ = '0';
            *out++ = symbols.decimalPoint;
            for (int i = exponent + 1; i < 0; ++i) {
                *out++ = '0';
            }
            for (int i = 0; i < count; ++i) {
                *out++ = digits[i];
            }
        }
        return out;
    }

    *out++ = digits[0];
    if (count > 1) {
        *out++ = symbols.decimalPoint;
        for (int i = 1; i < count; ++i) {
            *out++ = digits[i];
        }
    }
    *out++ = 'E';
    *out++ = negativeExponent ? '-' : '+';
    if (magnitude < 10) {
        *out++ = '0';
    }
    return std::to_chars(out, out + 3, magnitude).ptr;
}

}  // namespace

char* WriteGeneralNumber(char* out, float value, NumberSymbols symbols) noexcept {
    return Write<7>(out, value, symbols);
}

char* WriteGeneralNumber(char* out, double value, NumberSymbols symbols) noexcept {
    return Write<15>(out, value, symbols);
}

std::string GeneralNumber(float value, NumberSymbols symbols) {
    char text[GeneralNumberCapacity];
    return std::string(text, WriteGeneralNumber(text, value, symbols));
}

std::string GeneralNumber(double value, NumberSymbols symbols) {
    char text[GeneralNumberCapacity];
    return std::string(text, WriteGeneralNumber(text, value, symbols));
}

}  // namespace Orvo::OpenNI::detail
