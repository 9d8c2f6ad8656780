#include <cstdint>

#include "FakeFixture.hpp"
#include "Orvo/OpenNI/Context.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::Return;

class StatusTest : public FakeTest {};

TEST_F(StatusTest, OkReturnsWithoutCallingTheFramework) {
    EXPECT_NO_THROW(Context::Check(Status::Ok));
}

struct TextCase {
    std::uint32_t status;
    const char* description;
    const char* text;
};

TEST_F(StatusTest, FailingStatusThrowsTheStatusText) {
    const TextCase cases[] = {
        {1, "Unknown Xiron Status!", "00000001: Unknown Xiron Status!"},
        {0xFFFFFFFF, "all bits", "FFFFFFFF: all bits"},
        {0x80000000, "top bit", "80000000: top bit"},
        {0x10014, "The file is corrupted!", "00010014: The file is corrupted!"},
        {0xABCDEF, "", "00ABCDEF: "},
        {0x20004, nullptr, "00020004: "},
        {7, "trailing text stays as it is.\n", "00000007: trailing text stays as it is.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_CALL(fake, xnGetStatusString(c.status)).WillOnce(Return(c.description));
        EXPECT_EQ(GeneralErrorOf([&] { Context::Check(static_cast<Status>(c.status)); }), c.text);
    }
}

TEST_F(StatusTest, StatusKeepsAllThirtyTwoBits) {
    auto status = static_cast<Status>(0xFFFFFFFFu);
    EXPECT_EQ(static_cast<std::int32_t>(status), -1);
    EXPECT_EQ(static_cast<std::uint32_t>(status), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
