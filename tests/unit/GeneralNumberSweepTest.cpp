// The general number form against an independent reference over a large sweep
// of bit patterns of both widths. The reference is the C library's "%.*G" with
// the digit limit: the same layout rules, computed by different code (glibc's
// exact multi-precision printf), with only its words and negative zero
// translated. Fixed seed, so a failure reproduces.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "records/GeneralNumber.hpp"

namespace Orvo::OpenNI::detail {
namespace {

template <typename Float>
struct Width;
template <>
struct Width<float> {
    using Bits = std::uint32_t;
    static constexpr int Digits = 7;
    static float Parse(const char* text) { return std::strtof(text, nullptr); }
};
template <>
struct Width<double> {
    using Bits = std::uint64_t;
    static constexpr int Digits = 15;
    static double Parse(const char* text) { return std::strtod(text, nullptr); }
};

constexpr std::uint64_t Seed = 0x0A11CE5EEDull;

template <typename Float>
class Sweep {
public:
    using Bits = typename Width<Float>::Bits;
    static constexpr int Digits = Width<Float>::Digits;

    explicit Sweep(std::mt19937_64& random) : random_(random) {}

    void Check(Float value) {
        ++checked_;
        char ours[GeneralNumberCapacity];
        const std::string_view text(ours, WriteGeneralNumber(ours, value, NumberSymbols{'.'}) - ours);
        const std::string_view expected = Reference(value);
        if (text != expected && ++failures_ <= 20) {
            ADD_FAILURE() << std::hexfloat << static_cast<double>(value) << " (bits 0x" << std::hex
                          << std::bit_cast<Bits>(value) << "): \"" << text << "\", reference \"" << expected << '"';
        }
    }
    void CheckBits(Bits bits) { Check(std::bit_cast<Float>(bits)); }

    /// The value and `count` bit patterns on either side of it.
    void CheckAround(Float value, int count) {
        const Bits bits = std::bit_cast<Bits>(value);
        for (int i = -count; i <= count; ++i) {
            CheckBits(bits + static_cast<Bits>(i));
        }
    }

    void CheckAround(const char* decimal, int count) { CheckAround(Width<Float>::Parse(decimal), count); }

    Bits RandomBits() { return static_cast<Bits>(random_()); }
    template <typename Int>
    Int Uniform(Int low, Int high) {
        return std::uniform_int_distribution<Int>(low, high)(random_);
    }

    /// Decimal text of `digits` significant digits ending in 5, with exponent
    /// in [low, high]: values at or near a rounding tie.
    std::string RandomHalfway(int digits, int low, int high) {
        std::string text(1, static_cast<char>('1' + Uniform(0, 8)));
        text += '.';
        for (int i = 2; i < digits; ++i) {
            text += static_cast<char>('0' + Uniform(0, 9));
        }
        text += "5e" + std::to_string(Uniform(low, high));
        return text;
    }

    [[nodiscard]] long checked() const { return checked_; }
    [[nodiscard]] long failures() const { return failures_; }

private:
    // Reference text with the words and negative zero of the general form.
    std::string_view Reference(Float value) {
        const int n = std::snprintf(reference_, sizeof reference_, "%.*G", Digits, static_cast<double>(value));
        std::string_view text(reference_, static_cast<std::size_t>(n));
        const bool negative = text.front() == '-';
        const std::string_view magnitude = negative ? text.substr(1) : text;
        if (magnitude == "NAN") {
            return "NaN";
        }
        if (magnitude == "INF") {
            return negative ? "-Infinity" : "Infinity";
        }
        if (magnitude == "0") {
            return "0";
        }
        return text;
    }

    std::mt19937_64& random_;
    char reference_[64] = {};
    long checked_ = 0;
    long failures_ = 0;
};

class GeneralNumberSweepTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The reference's decimal point is the C locale's.
        ASSERT_STREQ(std::localeconv()->decimal_point, ".");
    }
    std::mt19937_64 random{Seed};
};

TEST_F(GeneralNumberSweepTest, SinglePrecisionAgreesWithTheReference) {
    Sweep<float> sweep(random);

    // Every exponent and sign, evenly: a stride through all 2^32 patterns.
    for (std::uint64_t bits = 0; bits < (std::uint64_t{1} << 32); bits += 4093) {
        sweep.CheckBits(static_cast<std::uint32_t>(bits));
    }
    for (int i = 0; i < 400000; ++i) {
        sweep.CheckBits(sweep.RandomBits());
    }
    // Powers of ten and the carry boundaries just below them (9.9999995E…),
    // which include the edges of the positional form.
    for (int k = -46; k <= 39; ++k) {
        const std::string power = "1e" + std::to_string(k);
        const std::string carry = "9.9999995e" + std::to_string(k - 1);
        sweep.CheckAround(power.c_str(), 64);
        sweep.CheckAround(carry.c_str(), 64);
    }
    // Near ties at the eighth digit, and exact ties: integers of eight digits
    // ending in 5 and halves, quarters and eighths with eight digits in all.
    for (int i = 0; i < 50000; ++i) {
        sweep.CheckAround(sweep.RandomHalfway(8, -45, 38).c_str(), 2);
        sweep.Check(static_cast<float>(sweep.Uniform(1000000, 1677721) * 10 + 5));
        sweep.Check(static_cast<float>(sweep.Uniform(1000000, 8388607)) + 0.5f);
        sweep.Check(static_cast<float>(sweep.Uniform(100000, 999999)) +
                    0.25f * static_cast<float>(sweep.Uniform(1, 3)));
        sweep.Check(static_cast<float>(sweep.Uniform(10000, 99999)) + 0.125f * static_cast<float>(sweep.Uniform(1, 7)));
    }
    // Subnormals at both ends and in between, zeros, infinities, not-a-numbers.
    for (std::uint32_t bits = 0; bits < 4096; ++bits) {
        sweep.CheckBits(bits);
        sweep.CheckBits(0x007FFFFFu - bits);
        sweep.CheckBits(0x80000000u | bits);
        sweep.CheckBits(sweep.Uniform<std::uint32_t>(1, 0x007FFFFF));
    }
    sweep.CheckAround(std::numeric_limits<float>::infinity(), 16);
    sweep.CheckAround(-std::numeric_limits<float>::infinity(), 16);
    sweep.CheckBits(0xFFFFFFFFu);

    EXPECT_EQ(sweep.failures(), 0) << "of " << sweep.checked() << " values, seed " << Seed;
    RecordProperty("checked", std::to_string(sweep.checked()));
}

TEST_F(GeneralNumberSweepTest, DoublePrecisionAgreesWithTheReference) {
    Sweep<double> sweep(random);

    for (int i = 0; i < 800000; ++i) {
        sweep.CheckBits(sweep.RandomBits());
    }
    for (int k = -324; k <= 309; ++k) {
        const std::string power = "1e" + std::to_string(k);
        const std::string carry = "9.999999999999995e" + std::to_string(k - 1);
        sweep.CheckAround(power.c_str(), 16);
        sweep.CheckAround(carry.c_str(), 16);
    }
    // Near ties at the sixteenth digit; exact ties: integers of sixteen digits
    // ending in 5 (below 2^53) and halves and quarters with sixteen digits.
    for (int i = 0; i < 50000; ++i) {
        sweep.CheckAround(sweep.RandomHalfway(16, -323, 308).c_str(), 2);
        sweep.Check(static_cast<double>(sweep.Uniform<std::int64_t>(100000000000000, 900719925474099) * 10 + 5));
        sweep.Check(static_cast<double>(sweep.Uniform<std::int64_t>(100000000000000, 999999999999999)) + 0.5);
        sweep.Check(static_cast<double>(sweep.Uniform<std::int64_t>(10000000000000, 99999999999999)) +
                    0.25 * static_cast<double>(sweep.Uniform(1, 3)));
    }
    // Short decimals (trailing zeros to drop) across the whole range, and
    // every kind of float seen at the double's digit limit.
    for (int i = 0; i < 50000; ++i) {
        const std::string shortDecimal =
            std::to_string(sweep.Uniform(1, 9999999)) + "e" + std::to_string(sweep.Uniform(-330, 300));
        sweep.CheckAround(shortDecimal.c_str(), 1);
        sweep.Check(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(sweep.RandomBits()))));
    }
    for (std::uint64_t bits = 0; bits < 4096; ++bits) {
        sweep.CheckBits(bits);
        sweep.CheckBits(0x000FFFFFFFFFFFFFull - bits);
        sweep.CheckBits(0x8000000000000000ull | bits);
        sweep.CheckBits(sweep.Uniform<std::uint64_t>(1, 0x000FFFFFFFFFFFFFull));
    }
    sweep.CheckAround(std::numeric_limits<double>::infinity(), 16);
    sweep.CheckAround(-std::numeric_limits<double>::infinity(), 16);

    EXPECT_EQ(sweep.failures(), 0) << "of " << sweep.checked() << " values, seed " << Seed;
    RecordProperty("checked", std::to_string(sweep.checked()));
}

}  // namespace
}  // namespace Orvo::OpenNI::detail
