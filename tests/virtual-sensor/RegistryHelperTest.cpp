// The registry and configuration that the registration helper writes make a
// working sensor with every node.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

/// Points OPEN_NI_INSTALL_PATH somewhere for the life of the object.
class InstallPath {
public:
    explicit InstallPath(const char* folder) {
        if (const char* old = std::getenv(kName)) {
            previous = old;
        }
        setenv(kName, folder, 1);
    }
    ~InstallPath() {
        if (previous) {
            setenv(kName, previous->c_str(), 1);
        } else {
            unsetenv(kName);
        }
    }
    InstallPath(const InstallPath&) = delete;
    InstallPath& operator=(const InstallPath&) = delete;

private:
    static constexpr const char* kName = "OPEN_NI_INSTALL_PATH";
    std::optional<std::string> previous;
};

TEST(RegistryHelperTest, TheWrittenConfigurationMakesEveryNodeWithItsSettings) {
    const InstallPath install(ORVO_VIRTUAL_SENSOR_REGISTRY);
    ContextRef context;
    NodeRef script;
    ASSERT_XN_OK(xnInitFromXmlFileEx(ORVO_VIRTUAL_SENSOR_CONFIG, context.out(), nullptr, script.out()));
    context.Keep(std::move(script));
    for (XnProductionNodeType type : {XN_NODE_TYPE_DEPTH, XN_NODE_TYPE_IMAGE, XN_NODE_TYPE_USER, XN_NODE_TYPE_SCENE}) {
        NodeRef node;
        ASSERT_XN_OK(xnFindExistingRefNodeByType(context, type, node.out())) << "type " << type;
        EXPECT_STREQ(xnNodeInfoGetDescription(xnGetNodeInfo(node))->strVendor, "Orvo");
        context.Keep(std::move(node));
    }
    NodeRef depth;
    ASSERT_XN_OK(xnFindExistingRefNodeByType(context, XN_NODE_TYPE_DEPTH, depth.out()));
    char pacing[32];
    ASSERT_XN_OK(xnGetStringProperty(depth, "Pacing", pacing, sizeof pacing));
    EXPECT_STREQ(pacing, "FreeRunning");
    XnUInt64 seed = 0;
    ASSERT_XN_OK(xnGetIntProperty(depth, "Seed", &seed));
    EXPECT_EQ(seed, 3u);
    for (XnUInt32 frame = 1; frame <= 3; ++frame) {
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        EXPECT_EQ(xnGetFrameID(depth), frame);
    }
    // The framework's recorder is registered beside it.
    NodeRef recorder;
    EXPECT_XN_OK(xnCreateRecorder(context, "oni", recorder.out()));
    context.Keep(std::move(recorder));
    context.Keep(std::move(depth));
}

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
