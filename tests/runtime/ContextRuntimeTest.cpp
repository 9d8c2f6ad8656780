// The status text, the error collection and the context against the real framework.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

std::string MessageOf(Status status) {
    try {
        Context::Check(status);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "nothing thrown";
}

TEST(StatusRuntimeTest, StatusTextCarriesTheFrameworksDescription) {
    for (XnStatus status : {XnStatus{1}, XnStatus{0xFFFFFFFF}, XnStatus{0x10014}, XnStatus{0x20004}}) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08X: ", status);
        EXPECT_EQ(MessageOf(static_cast<Status>(status)), digits + std::string(xnGetStatusString(status)));
    }
    EXPECT_EQ(MessageOf(static_cast<Status>(1)), "00000001: Unknown Xiron Status!");
    EXPECT_EQ(MessageOf(static_cast<Status>(0x10014)), "00010014: The file is corrupted!");
    EXPECT_NO_THROW(Context::Check(Status::Ok));
}

class ContextRuntimeTest : public ::testing::Test {
protected:
    ModuleRegistry registry{{SampleModule()}};

    /// The message of the status error thrown while building a Context from
    /// `path`, with the statuses the framework recorded in the collection.
    std::string FailedInit(const std::string& path, std::vector<Status>& recorded) {
        ErrorCollection errors;
        std::string message = "no error";
        try {
            Context context(path, &errors);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        for (Status status : errors) {
            recorded.push_back(status);
        }
        return message;
    }
};

TEST_F(ContextRuntimeTest, FailingConfigurationsThrowTheFrameworksStatus) {
    struct Case {
        std::string path;
        std::string text;
    };
    const Case cases[] = {
        {(registry.Folder() / "missing.xml").string(), "00020004: File not found!"},
        {registry.WriteFile("malformed.xml", "<OpenNI><Production").string(), "00010014: The file is corrupted!"},
        {registry.WriteConfig("user.xml", "<Node type=\"User\"/>").string(),
         "0001001D: Can't create any node of the requested type!"},
    };
    for (const auto& c : cases) {
        std::vector<Status> recorded;
        EXPECT_EQ(FailedInit(c.path, recorded), c.text) << c.path;
        // Whatever the framework recorded is a failure, never success.
        for (Status status : recorded) {
            EXPECT_NE(status, Status::Ok);
        }
    }
}

TEST(EnumerationErrorsRuntimeTest, FailedInitialisationLeavesTheFrameworksEntries) {
    // The framework's own Kinect driver, with no device attached, reports why
    // it could not make a depth node.
    const auto driver = SensorDriverModule();
    if (!driver) {
        GTEST_SKIP() << "the package libopenni-sensor-pointclouds0 is not installed (tools/setup.sh installs it)";
    }
    ModuleRegistry registry{{*driver}};
    ErrorCollection errors;
    std::string message;
    try {
        Context context(registry.WriteConfig("depth.xml", "<Node type=\"Depth\"/>").string(), &errors);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "0001001D: Can't create any node of the requested type!");
    std::vector<Status> recorded;
    for (Status status : errors) {
        recorded.push_back(status);
    }
    EXPECT_EQ(recorded, std::vector<Status>{static_cast<Status>(0x10022)});  // "The device is not connected!"

    ErrorCollectionIterator it = errors.GetEnumerator();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Current(), static_cast<Status>(0x10022));
    EXPECT_FALSE(it.MoveNext());
    it.Reset();
    EXPECT_TRUE(it.MoveNext());
    errors.Clear();
    it.Reset();
    EXPECT_FALSE(it.MoveNext());
}

TEST_F(ContextRuntimeTest, SampleDepthNodeRunsThroughTheUpdateLoop) {
    auto path = registry.WriteConfig("depth.xml", "<Node type=\"Depth\" name=\"Depth1\"/>");
    ErrorCollection errors;
    auto context = std::make_shared<Context>(path.string(), &errors);
    for (Status status : errors) {
        ADD_FAILURE() << "unexpected enumeration error " << static_cast<std::uint32_t>(status);
    }
    EXPECT_EQ(context->Start(), Status::Ok);
    for (int frame = 0; frame < 3; ++frame) {
        context->WaitAndUpdateAll();
    }
    Status stopped = context->Stop();
    EXPECT_NO_THROW(Context::Check(stopped));
    context->Dispose();
    context->Dispose();
    EXPECT_TRUE(context->IsDisposed());
    EXPECT_THROW(context->Start(), std::runtime_error);
}

std::size_t ThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

TEST_F(ContextRuntimeTest, DisposeWithoutStopLeavesNoGeneratingThreadBehind) {
    // The sample module generates on a thread of its own, which the framework's
    // shutdown alone leaves running over the freed node.
    const std::size_t before = ThreadCount();
    {
        Context context(registry.WriteConfig("depth.xml", "<Node type=\"Depth\"/>").string());
        ASSERT_EQ(context.Start(), Status::Ok);
        context.WaitAndUpdateAll();
        ASSERT_GT(ThreadCount(), before);
    }
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(ContextRuntimeTest, PlainContextAndWidePath) {
    Context plain;
    EXPECT_EQ(plain.Start(), Status::Ok);
    plain.Dispose();

    auto path = registry.WriteConfig("depth.xml", "<Node type=\"Depth\"/>");
    std::wstring wide(path.wstring());
    Context fromWide(wide);
    EXPECT_EQ(fromWide.Start(), Status::Ok);
    fromWide.WaitAndUpdateAll();
}

TEST_F(ContextRuntimeTest, FreshCollectionIsEmptyAndClears) {
    ErrorCollection errors;
    ErrorCollectionIterator it = errors.GetEnumerator();
    EXPECT_FALSE(it.MoveNext());
    EXPECT_EQ(it.Current(), Status::Ok);
    errors.Clear();
    errors.Dispose();
    errors.Dispose();
    EXPECT_THROW(errors.Clear(), std::runtime_error);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
