// Each node of the virtual sensor is made by the real framework, through its
// create calls and through a configuration file.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

struct NodeKind {
    XnProductionNodeType type;
    const char* xmlType;
    XnUInt32 bytesPerPixel;
};

const NodeKind kKinds[] = {
    {XN_NODE_TYPE_DEPTH, "Depth", 2},
    {XN_NODE_TYPE_IMAGE, "Image", 3},
    {XN_NODE_TYPE_USER, "User", 2},  // the user node's data is its label map
    {XN_NODE_TYPE_SCENE, "Scene", 2},
};

class NodeCreationTest : public SensorTest {
protected:
    /// The node is ours, and after an update it holds a full 640x480 frame.
    void ExpectWorkingNode(XnNodeHandle node, const NodeKind& kind) {
        ASSERT_NE(node, nullptr);
        const XnProductionNodeDescription* description = xnNodeInfoGetDescription(xnGetNodeInfo(node));
        EXPECT_EQ(description->Type, kind.type);
        EXPECT_STREQ(description->strVendor, "Orvo");
        EXPECT_STREQ(description->strName, "VirtualSensor");
        FreeRunning(node);
        if (kind.type == XN_NODE_TYPE_USER || kind.type == XN_NODE_TYPE_SCENE) {
            // It stands on a depth node of ours, made for it.
            const XnProductionNodeDescription* depth =
                xnNodeInfoGetDescription(xnGetNodeInfo(Find(XN_NODE_TYPE_DEPTH)));
            EXPECT_STREQ(depth->strVendor, "Orvo");
        }
        ASSERT_XN_OK(xnStartGeneratingAll(context));
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        EXPECT_EQ(xnGetFrameID(node), 1u);
        EXPECT_EQ(xnGetDataSize(node), 640u * 480u * kind.bytesPerPixel);
        EXPECT_NE(xnGetData(node), nullptr);
    }
};

TEST_F(NodeCreationTest, EachNodeIsMadeByTheCreateCalls) {
    for (const NodeKind& kind : kKinds) {
        SCOPED_TRACE(kind.xmlType);
        context.Reset();
        Init();
        ExpectWorkingNode(Create(kind.type), kind);
    }
}

TEST_F(NodeCreationTest, EachNodeIsMadeFromAConfigurationNamingItsTypeOnly) {
    for (const NodeKind& kind : kKinds) {
        SCOPED_TRACE(kind.xmlType);
        context.Reset();
        ASSERT_XN_OK(InitFrom(std::string("<Node type=\"") + kind.xmlType + "\"/>"));
        ExpectWorkingNode(Find(kind.type), kind);
    }
}

TEST_F(NodeCreationTest, ConfigurationSetsEverySettingAndEveryNodeSharesTheSensors) {
    ASSERT_XN_OK(InitFrom(R"(
        <Node type="Depth" name="TheDepth">
          <Configuration>
            <MapOutputMode xRes="320" yRes="240" FPS="60"/>
            <Mirror on="true"/>
            <Property type="string" name="Scenario" value="OnePerson"/>
            <Property type="int" name="Seed" value="7"/>
            <Property type="string" name="Pacing" value="FreeRunning"/>
          </Configuration>
        </Node>
        <Node type="Image" name="TheImage"/>)"));
    XnNodeHandle depth = Find(XN_NODE_TYPE_DEPTH);
    XnNodeHandle image = Find(XN_NODE_TYPE_IMAGE);
    XnMapOutputMode mode{};
    ASSERT_XN_OK(xnGetMapOutputMode(depth, &mode));
    EXPECT_EQ(mode.nXRes, 320u);
    EXPECT_EQ(mode.nYRes, 240u);
    EXPECT_EQ(mode.nFPS, 60u);
    EXPECT_TRUE(xnIsMirrored(depth));
    EXPECT_FALSE(xnIsMirrored(image));
    for (XnNodeHandle node : {depth, image}) {
        char text[64];
        ASSERT_XN_OK(xnGetStringProperty(node, "Scenario", text, sizeof text));
        EXPECT_STREQ(text, "OnePerson");
        ASSERT_XN_OK(xnGetStringProperty(node, "Pacing", text, sizeof text));
        EXPECT_STREQ(text, "FreeRunning");
        XnUInt64 value = 0;
        ASSERT_XN_OK(xnGetIntProperty(node, "Seed", &value));
        EXPECT_EQ(value, 7u);
        ASSERT_XN_OK(xnGetIntProperty(node, "LoopDuration", &value));
        EXPECT_EQ(value, 24'000'000u);
        EXPECT_EQ(xnGetStringProperty(node, "Scenario", text, 4), XN_STATUS_OUTPUT_BUFFER_OVERFLOW);
    }
}

TEST_F(NodeCreationTest, DefaultsNeedNoConfiguration) {
    ASSERT_XN_OK(InitFrom("<Node type=\"Depth\"/>"));
    XnNodeHandle depth = Find(XN_NODE_TYPE_DEPTH);
    char text[64];
    ASSERT_XN_OK(xnGetStringProperty(depth, "Scenario", text, sizeof text));
    EXPECT_STREQ(text, "TwoPeople");
    ASSERT_XN_OK(xnGetStringProperty(depth, "Pacing", text, sizeof text));
    EXPECT_STREQ(text, "RealTime");
    XnUInt64 seed = 1;
    ASSERT_XN_OK(xnGetIntProperty(depth, "Seed", &seed));
    EXPECT_EQ(seed, 0u);
    EXPECT_FALSE(xnIsMirrored(depth));
}

TEST_F(NodeCreationTest, ConfigurationWithAWrongSettingFailsWithItsStatus) {
    struct Case {
        const char* property;
        XnStatus status;
    };
    const Case cases[] = {
        {R"(type="string" name="Scenario" value="Crowd")", XN_STATUS_BAD_PARAM},
        {R"(type="string" name="Pacing" value="Slow")", XN_STATUS_BAD_PARAM},
        {R"(type="int" name="LoopDuration" value="5")", XN_STATUS_INVALID_OPERATION},
        {R"(type="int" name="Frobnication" value="1")", XN_STATUS_NO_SUCH_PROPERTY},
        {R"(type="real" name="Seed" value="1.5")", XN_STATUS_NO_SUCH_PROPERTY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.property);
        context.Reset();
        const std::string node =
            std::string("<Node type=\"Depth\"><Configuration><Property ") + c.property + "/></Configuration></Node>";
        EXPECT_EQ(InitFrom(node), c.status);
    }
}

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
