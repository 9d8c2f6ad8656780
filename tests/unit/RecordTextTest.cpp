// Text forms of the records: the documented examples, hard values through the
// records, and the current locale's decimal point.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <locale>
#include <string>

#include "Orvo/OpenNI/Records.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

struct TextCase {
    std::string actual;
    const char* expected;
};

void ExpectTexts(const std::initializer_list<TextCase>& cases) {
    int row = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << "row " << row;
        ++row;
    }
}

PositionNormal Plane(Vector3 normal, Vector3 position) {
    PositionNormal plane;
    plane.Normal = normal;
    plane.Position = position;
    return plane;
}

MapOutputMode Mode(std::uint32_t width, std::uint32_t height, std::uint32_t fps) {
    MapOutputMode mode;
    mode.Width = width;
    mode.Height = height;
    mode.FramesPerSecond = fps;
    return mode;
}

FieldOfView Fov(double horizontal, double vertical) {
    FieldOfView fov;
    fov.Horizontal = horizontal;
    fov.Vertical = vertical;
    return fov;
}

// Every test here may change the C++ global locale and the C locale; both are
// put back afterwards so that no other test sees them.
class RecordTextTest : public ::testing::Test {
protected:
    void SetUp() override { savedC_ = std::setlocale(LC_ALL, nullptr); }
    void TearDown() override {
        std::locale::global(savedGlobal_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }

private:
    std::locale savedGlobal_;
    std::string savedC_;
};

TEST_F(RecordTextTest, DocumentedExamples) {
    std::locale::global(std::locale::classic());
    ExpectTexts({
        {Vector3(1.5f, -2.f, 0.25f).ToString(), "1.5, -2, 0.25"},
        {Vector3(1.f / 3.f, 1E7f, 0.000015f).ToString(), "0.3333333, 1E+07, 1.5E-05"},
        {Vector3(1.2345678E7f, 0.0001f, 250.f).ToString(), "1.234568E+07, 0.0001, 250"},
        {Plane({0, 1, 0}, {0, -12, 25}).ToString(), "Normal = {0, 1, 0}, Position = {0, -12, 25},"},
        {Mode(640, 480, 30).ToString(), "640, 480, 30"},
        {Fov(1.0122909661567112, 0.7853981633974483).ToString(), "1.01229096615671, 0.785398163397448"},
        {Fov(1, 0.5).ToString(), "1, 0.5"},
        {Vector3().ToString(), "0, 0, 0"},
        {PositionNormal().ToString(), "Normal = {0, 0, 0}, Position = {0, 0, 0},"},
        {MapOutputMode().ToString(), "0, 0, 0"},
        {FieldOfView().ToString(), "0, 0"},
    });
}

TEST_F(RecordTextTest, HardValuesThroughTheRecords) {
    std::locale::global(std::locale::classic());
    constexpr std::uint32_t allBits = 0xFFFFFFFFu;
    const double longest = -0.000123456789012345678;  // longest text of a double
    ExpectTexts({
        {Vector3(nan, inf, -inf).ToString(), "NaN, Infinity, -Infinity"},
        {Vector3(-0.f, -nan, 1.9999999f).ToString(), "0, NaN, 2"},
        {Vector3(std::numeric_limits<float>::lowest(), -std::numeric_limits<float>::denorm_min(), -1.2345678E-4f)
             .ToString(),
         "-3.402823E+38, -1.401298E-45, -0.0001234568"},
        {Plane({-3.4028235E38f, -1.4E-45f, -1.2345678E-4f}, {-1.1754942E-38f, -9.9999996E-05f, -9999999.f}).ToString(),
         "Normal = {-3.402823E+38, -1.401298E-45, -0.0001234568}, "
         "Position = {-1.175494E-38, -0.0001, -9999999},"},
        {Plane({nan, nan, nan}, {-inf, -inf, -inf}).ToString(),
         "Normal = {NaN, NaN, NaN}, Position = {-Infinity, -Infinity, -Infinity},"},
        {Mode(allBits, allBits, allBits).ToString(), "4294967295, 4294967295, 4294967295"},
        {Mode(allBits, 0, 1).ToString(), "4294967295, 0, 1"},
        {Fov(longest, -std::numeric_limits<double>::denorm_min()).ToString(),
         "-0.000123456789012346, -4.94065645841247E-324"},
        {Fov(-0., std::numeric_limits<double>::quiet_NaN()).ToString(), "0, NaN"},
        {Fov(std::numeric_limits<double>::infinity(), 1E15).ToString(), "Infinity, 1E+15"},
    });
}

// A comma decimal point with grouping: only the decimal point may show.
struct CommaPunctuation : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
    std::string do_truename() const override { return "wahr"; }
};

TEST_F(RecordTextTest, CommaDecimalPointOfTheGlobalLocale) {
    std::locale::global(std::locale(std::locale::classic(), new CommaPunctuation));
    ExpectTexts({
        {Vector3(1.5f, 2.f, 3.f).ToString(), "1,5, 2, 3"},
        {Vector3(1.5E-05f, -0.25f, 1234567.f).ToString(), "1,5E-05, -0,25, 1234567"},
        {Plane({0, 0.5f, 0}, {-12.75f, 1E7f, 0}).ToString(), "Normal = {0, 0,5, 0}, Position = {-12,75, 1E+07, 0},"},
        {Fov(1.0122909661567112, 0.5).ToString(), "1,01229096615671, 0,5"},
        {Mode(4294967295u, 1920, 1000).ToString(), "4294967295, 1920, 1000"},
        {Vector3(nan, -inf, -0.f).ToString(), "NaN, -Infinity, 0"},
    });

    // The locale is looked up at each call, not remembered.
    std::locale::global(std::locale::classic());
    EXPECT_EQ(Vector3(1.5f, 2.f, 3.f).ToString(), "1.5, 2, 3");
}

std::locale NamedCommaLocale(std::string& name) {
    for (const char* candidate : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        try {
            std::locale locale(candidate);
            if (std::use_facet<std::numpunct<char>>(locale).decimal_point() == ',') {
                name = candidate;
                return locale;
            }
        } catch (const std::runtime_error&) {
        }
    }
    return std::locale::classic();
}

TEST_F(RecordTextTest, InstalledCommaLocale) {
    std::string name;
    std::locale locale = NamedCommaLocale(name);
    if (name.empty()) {
        GTEST_SKIP() << "no comma-decimal locale is installed (tools/setup.sh generates de_DE.UTF-8)";
    }
    std::locale::global(locale);
    SCOPED_TRACE(name);
    ExpectTexts({
        {Vector3(1.5f, 2.f, 3.f).ToString(), "1,5, 2, 3"},
        {Vector3(1.f / 3.f, 1E7f, 0.000015f).ToString(), "0,3333333, 1E+07, 1,5E-05"},
        {Plane({0, 1, 0}, {0, -12.5f, 25}).ToString(), "Normal = {0, 1, 0}, Position = {0, -12,5, 25},"},
        {Fov(1.0122909661567112, 0.7853981633974483).ToString(), "1,01229096615671, 0,785398163397448"},
        {Mode(1280, 1024, 15).ToString(), "1280, 1024, 15"},
    });
}

TEST_F(RecordTextTest, CLocaleAloneIsNotFollowed) {
    std::locale::global(std::locale::classic());
    std::string name;
    NamedCommaLocale(name);
    if (name.empty() || std::setlocale(LC_NUMERIC, name.c_str()) == nullptr) {
        GTEST_SKIP() << "no comma-decimal locale is installed (tools/setup.sh generates de_DE.UTF-8)";
    }
    char c[16];
    std::snprintf(c, sizeof c, "%.1f", 1.5);
    ASSERT_STREQ(c, "1,5") << "the C locale did change";
    EXPECT_EQ(Vector3(1.5f, 2.f, 3.f).ToString(), "1.5, 2, 3");
    EXPECT_EQ(Fov(0.5, 1).ToString(), "0.5, 1");
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
