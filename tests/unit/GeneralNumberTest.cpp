// The general number form on the cases where it is easy to go wrong: rounding
// that carries into a new digit, the edges between positional and scientific
// form, signs, the extremes of both widths and the words.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "records/GeneralNumber.hpp"

namespace Orvo::OpenNI::detail {
namespace {

constexpr NumberSymbols FullStop{'.'};
constexpr NumberSymbols Comma{','};

float FloatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double DoubleFromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

template <typename Float>
struct Case {
    Float value;
    const char* text;
};

template <typename Float>
std::string Describe(Float value) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "%a", static_cast<double>(value));
    return hex;
}

TEST(GeneralNumberTest, SinglePrecisionHardCases) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const Case<float> cases[] = {
        // Plain values and trailing zeros.
        {1.5f, "1.5"},
        {-2.f, "-2"},
        {0.25f, "0.25"},
        {250.f, "250"},
        {0.1f, "0.1"},  // 0.100000001490116… rounds to 0.1000000
        {1.f / 3.f, "0.3333333"},
        {-123.456f, "-123.456"},
        {1234567.f, "1234567"},
        // Rounding that carries into a new digit.
        {1.9999999f, "2"},
        {9.9999996E-05f, "0.0001"},  // carries across into the positional form
        {0.0099999998f, "0.01"},
        {9.9999997E-06f, "1E-05"},  // stays scientific: 1E-5 is below the positional range
        {999999.94f, "999999.9"},
        {99999992.f, "9.999999E+07"},
        // Exact ties round to even.
        {12345675.f, "1.234568E+07"},
        {12345665.f, "1.234566E+07"},
        // Small end of the positional form: 1E-4 stays, 1E-5 does not.
        {1E-4f, "0.0001"},
        {-1E-4f, "-0.0001"},
        {0.00012345678f, "0.0001234568"},
        {1E-5f, "1E-05"},
        {-1E-5f, "-1E-05"},
        {1.5E-05f, "1.5E-05"},
        {9.999999E-05f, "9.999999E-05"},
        // Large end: 7 integer digits stay, 8 do not.
        {9999999.f, "9999999"},
        {1E7f, "1E+07"},
        {-1E7f, "-1E+07"},
        {1.2345678E7f, "1.234568E+07"},
        {16777216.f, "1.677722E+07"},
        // Zeros: negative zero is not a negative value.
        {0.f, "0"},
        {-0.f, "0"},
        // Extremes and subnormals.
        {std::numeric_limits<float>::max(), "3.402823E+38"},
        {std::numeric_limits<float>::lowest(), "-3.402823E+38"},
        {std::numeric_limits<float>::min(), "1.175494E-38"},
        {std::numeric_limits<float>::denorm_min(), "1.401298E-45"},
        {-std::numeric_limits<float>::denorm_min(), "-1.401298E-45"},
        {FloatFromBits(0x007FFFFF), "1.175494E-38"},  // largest subnormal
        {FloatFromBits(0x00000002), "2.802597E-45"},
        {1E-40f, "9.999946E-41"},  // the subnormal nearest 1E-40
        // Words.
        {std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<float>::quiet_NaN(), "NaN"},
        {FloatFromBits(0x7F800001), "NaN"},  // signalling, smallest payload
        {FloatFromBits(0xFFFFFFFF), "NaN"},
        {inf, "Infinity"},
        {-inf, "-Infinity"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GeneralNumber(c.value, FullStop), c.text) << Describe(c.value);
    }
}

TEST(GeneralNumberTest, DoublePrecisionHardCases) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Case<double> cases[] = {
        {1.0122909661567112, "1.01229096615671"},
        {0.7853981633974483, "0.785398163397448"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {1. / 3., "0.333333333333333"},
        {-2.5, "-2.5"},
        // Carries.
        {0.9999999999999999, "1"},
        {9.99999999999999999E-05, "0.0001"},
        {99999999999999.99, "100000000000000"},
        {999999999999999.5, "1E+15"},  // exact tie, rounds to even
        {999999999999999.4, "999999999999999"},
        {1234567890123455., "1.23456789012346E+15"},  // exact ties
        {1234567890123445., "1.23456789012344E+15"},
        // Boundaries at 15 digits.
        {999999999999999., "999999999999999"},
        {1E15, "1E+15"},
        {-1E15, "-1E+15"},
        {1E14, "100000000000000"},
        {1E-4, "0.0001"},
        {1E-5, "1E-05"},
        {-0.000123456789012345678, "-0.000123456789012346"},  // longest positional text
        {1.5E-05, "1.5E-05"},
        {1E100, "1E+100"},
        {1E-100, "1E-100"},
        {1234567890123456789., "1.23456789012346E+18"},
        // Zeros, extremes, subnormals.
        {0., "0"},
        {-0., "0"},
        {std::numeric_limits<double>::max(), "1.79769313486232E+308"},
        {std::numeric_limits<double>::lowest(), "-1.79769313486232E+308"},
        {std::numeric_limits<double>::min(), "2.2250738585072E-308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {-std::numeric_limits<double>::denorm_min(), "-4.94065645841247E-324"},  // longest scientific text
        {DoubleFromBits(0x000FFFFFFFFFFFFF), "2.2250738585072E-308"},
        // Values of a float seen with the double's digit limit.
        {static_cast<double>(0.1f), "0.100000001490116"},
        {static_cast<double>(std::numeric_limits<float>::max()), "3.40282346638529E+38"},
        // Words.
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {DoubleFromBits(0x7FF0000000000001), "NaN"},
        {inf, "Infinity"},
        {-inf, "-Infinity"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GeneralNumber(c.value, FullStop), c.text) << Describe(c.value);
    }
}

TEST(GeneralNumberTest, DecimalPointComesFromTheSymbolsAndNothingElseDoes) {
    const Case<float> singles[] = {
        {1.5f, "1,5"},     {-0.25f, "-0,25"},
        {1E7f, "1E+07"},   {1.5E-05f, "1,5E-05"},
        {1E-4f, "0,0001"}, {1234567.f, "1234567"},  // no grouping
        {-0.f, "0"},       {-std::numeric_limits<float>::infinity(), "-Infinity"},
    };
    for (const auto& c : singles) {
        EXPECT_EQ(GeneralNumber(c.value, Comma), c.text) << Describe(c.value);
    }
    EXPECT_EQ(GeneralNumber(1.0122909661567112, Comma), "1,01229096615671");
    EXPECT_EQ(GeneralNumber(123456789012345., Comma), "123456789012345");
}

TEST(GeneralNumberTest, WritesExactlyItsTextAndNothingPastIt) {
    // The longest texts of both widths, written at the end of a guarded buffer.
    const double longest[] = {-0.000123456789012345678, -std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::max()};
    for (double value : longest) {
        char buffer[GeneralNumberCapacity + 1];
        std::memset(buffer, '#', sizeof buffer);
        char* end = WriteGeneralNumber(buffer, value, FullStop);
        ASSERT_LE(end - buffer, static_cast<std::ptrdiff_t>(GeneralNumberCapacity));
        EXPECT_EQ(buffer[GeneralNumberCapacity], '#');
        EXPECT_EQ(std::string(buffer, end), GeneralNumber(value, FullStop));
    }
}

}  // namespace
}  // namespace Orvo::OpenNI::detail
