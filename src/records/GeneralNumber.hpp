// The general number form of the records' text forms: the shortest text of a
// value rounded to 7 (float) or 15 (double) significant digits, positional for
// powers of ten from -4 up to the digit limit and scientific otherwise.
#pragma once

#include <cstddef>
#include <locale>
#include <string>
#include <string_view>

namespace Orvo::OpenNI::detail {

/// What a locale contributes to the general number form.
///
/// C++ locales carry only the decimal point for this (numpunct<char>); they
/// have no word for not-a-number or infinity and no negative sign outside the
/// money facets. So the form always uses "-", "NaN", "Infinity" and
/// "-Infinity", and takes only the decimal point from the locale. Grouping is
/// never applied.
struct NumberSymbols {
    char decimalPoint = '.';

    /// The symbols of the C++ global locale (std::locale()) at the time of the
    /// call. The C locale (setlocale) alone does not count: std::locale::global
    /// with a named locale sets both, while setlocale leaves the C++ locale as
    /// it was, and reading it is not thread-safe.
    static NumberSymbols Current();
    static NumberSymbols Of(const std::locale& locale);
};

inline constexpr std::string_view NotANumberWord = "NaN";
inline constexpr std::string_view InfinityWord = "Infinity";
inline constexpr std::string_view NegativeInfinityWord = "-Infinity";
inline constexpr char NegativeSign = '-';

/// Room for the longest general number: "-0.0000" followed by 15 digits, or
/// "-d." with 14 more digits and "E-324".
inline constexpr std::size_t GeneralNumberCapacity = 24;

/// Writes the general number form of `value` into `out`, which has room for
/// GeneralNumberCapacity characters, and returns the end of what it wrote.
/// No terminating zero, no allocation.
char* WriteGeneralNumber(char* out, float value, NumberSymbols symbols) noexcept;
char* WriteGeneralNumber(char* out, double value, NumberSymbols symbols) noexcept;

/// The same, as a string (convenient where one allocation does not matter).
std::string GeneralNumber(float value, NumberSymbols symbols = NumberSymbols::Current());
std::string GeneralNumber(double value, NumberSymbols symbols = NumberSymbols::Current());

}  // namespace Orvo::OpenNI::detail
