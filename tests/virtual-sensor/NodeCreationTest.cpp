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

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
