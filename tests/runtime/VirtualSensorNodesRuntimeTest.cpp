// The depth, image and scene classes against the project's virtual sensor.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Nodes.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

const XnMapMetaData& MapOf(std::uintptr_t address) {
    return *reinterpret_cast<const XnMapMetaData*>(address);
}

class VirtualSensorNodesTest : public ::testing::Test {
protected:
    ModuleRegistry registry{{VirtualSensorModule()}};
    std::shared_ptr<Context> context = Context::Create(
        registry.WriteConfig("sensor.xml", std::string(kFreeRunningDepthNode) + "<Node type=\"Image\"/>").string());
    DepthGenerator depth = DepthGenerator::Find(context);
    ImageGenerator image = ImageGenerator::Find(context);

    void SetUp() override {
        ASSERT_EQ(context->Start(), Status::Ok);
        context->WaitAndUpdateAll();
    }
};

TEST_F(VirtualSensorNodesTest, DepthGivesItsDefaultModeMapAndMetaData) {
    MapOutputMode mode = depth.MapOutputMode();
    EXPECT_EQ(mode.ToString(), "640, 480, 30");
    DepthMetaData metaData = depth.MetaData();
    ASSERT_NE(metaData.Map, 0u);
    EXPECT_EQ(MapOf(metaData.Map).Res.X, 640u);
    EXPECT_EQ(MapOf(metaData.Map).Res.Y, 480u);
    EXPECT_EQ(MapOf(metaData.Map).nFPS, 30u);
    EXPECT_EQ(metaData.Data, reinterpret_cast<std::uintptr_t>(depth.Map()));
    EXPECT_GT(metaData.Depth, 0);

    // The frame id advances with every update.
    const XnUInt32 frame = MapOf(metaData.Map).pOutput->nFrameID;
    EXPECT_EQ(depth.Wait(), Status::Ok);
    EXPECT_GT(MapOf(depth.MetaData().Map).pOutput->nFrameID, frame);

    FieldOfView fov = depth.FieldOfView();
    EXPECT_GT(fov.Horizontal, fov.Vertical);
    EXPECT_GT(fov.Vertical, 0.0);

    EXPECT_TRUE(depth.IsCapabilitySupported(Capability::AlternativeViewPoint));
    EXPECT_TRUE(depth.IsCapabilitySupported(Capability::Mirror));
    EXPECT_FALSE(depth.IsCapabilitySupported(Capability::UserSkeleton));
}

TEST_F(VirtualSensorNodesTest, NewOutputModeShowsInTheNextFramesMetaData) {
    MapOutputMode smaller;
    smaller.Width = 320;
    smaller.Height = 240;
    smaller.FramesPerSecond = 60;
    depth.SetMapOutputMode(smaller);
    EXPECT_EQ(depth.MapOutputMode().ToString(), "320, 240, 60");
    context->WaitAndUpdateAll();
    DepthMetaData metaData = depth.MetaData();
    EXPECT_EQ(MapOf(metaData.Map).Res.X, 320u);
    EXPECT_EQ(MapOf(metaData.Map).Res.Y, 240u);
    EXPECT_EQ(MapOf(metaData.Map).nFPS, 60u);
    EXPECT_EQ(metaData.Data, reinterpret_cast<std::uintptr_t>(depth.Map()));

    MapOutputMode unsupported = smaller;
    unsupported.Width = 123;
    EXPECT_THROW(depth.SetMapOutputMode(unsupported), std::runtime_error);
    EXPECT_EQ(depth.MapOutputMode().Width, 320u);
}

TEST_F(VirtualSensorNodesTest, ViewPointOfTheImageIsSetComparedAndReset) {
    EXPECT_TRUE(depth.IsViewPointSupported(image));
    EXPECT_FALSE(image.IsViewPointSupported(depth));
    EXPECT_FALSE(depth.IsViewPointAs(image));

    depth.SetViewPoint(&image);
    EXPECT_TRUE(depth.IsViewPointAs(image));
    context->WaitAndUpdateAll();
    depth.SetViewPoint(nullptr);
    EXPECT_FALSE(depth.IsViewPointAs(image));
    // The image node cannot take the depth node's viewpoint: the framework's refusal is thrown.
    EXPECT_THROW(image.SetViewPoint(&depth), std::runtime_error);
}

TEST_F(VirtualSensorNodesTest, ProjectiveAndRealWorldPointsGoThereAndBack) {
    std::vector<Vector3> projective = {{0, 0, 800}, {320, 240, 2000}, {639, 479, 4000}, {100, 400, 1234.5f}};
    std::vector<Vector3> realWorld(projective.size());
    std::vector<Vector3> back(projective.size(), Vector3(-1, -1, -1));
    const auto count = static_cast<std::int32_t>(projective.size());
    depth.ConvertProjectiveToRealWorld(projective, count, realWorld);
    depth.ConvertRealWorldToProjective(realWorld, count - 1, back);
    for (std::size_t i = 0; i + 1 < projective.size(); ++i) {
        EXPECT_NEAR(back[i].X, projective[i].X, 0.01) << i;
        EXPECT_NEAR(back[i].Y, projective[i].Y, 0.01) << i;
        EXPECT_NEAR(back[i].Z, projective[i].Z, 0.01) << i;
    }
    EXPECT_EQ(back.back().X, -1.0f) << "a point beyond the count was written";
    EXPECT_LT(realWorld[0].X, 0.0f);
    EXPECT_GT(realWorld[0].Y, 0.0f);  // the top of the map is up in the world
}

TEST_F(VirtualSensorNodesTest, ImageIsFoundNotCreated) {
    ImageGenerator same(context);
    ASSERT_NE(image.Map(), nullptr);
    EXPECT_EQ(same.Map(), image.Map());
    EXPECT_EQ(image.MapOutputMode().ToString(), depth.MapOutputMode().ToString());
    EXPECT_EQ(image.Wait(), Status::Ok);
}

TEST_F(VirtualSensorNodesTest, SceneFloorLabelsAndMetaDataAgree) {
    ErrorCollection errors;
    SceneAnalyzer scene(context, &errors);
    ASSERT_EQ(context->Start(), Status::Ok);  // a node made after the start generates once started
    for (int frame = 0; frame < 60; ++frame) {
        context->WaitAndUpdateAll();
    }
    std::optional<PositionNormal> floor = scene.Floor();
    ASSERT_TRUE(floor.has_value());
    EXPECT_GT(floor->Normal.Y, 0.9f) << floor->ToString();

    SceneMetaData metaData = scene.MetaData();
    ASSERT_NE(metaData.Map, 0u);
    const XnMapMetaData& map = MapOf(metaData.Map);
    EXPECT_EQ(map.Res.X, 640u);
    EXPECT_EQ(map.Res.Y, 480u);
    ASSERT_NE(scene.LabelMap(), nullptr);
    EXPECT_EQ(metaData.Labels, reinterpret_cast<std::uintptr_t>(scene.LabelMap()));
    EXPECT_EQ(map.pOutput->nFrameID, MapOf(depth.MetaData().Map).pOutput->nFrameID);

    // Labels mark people: every labelled pixel has a depth.
    const std::uint16_t* labels = scene.LabelMap();
    const std::uint16_t* depths = depth.Map();
    std::map<std::uint16_t, int> pixels;
    for (std::size_t i = 0; i < std::size_t{640} * 480; ++i) {
        if (labels[i] != 0) {
            ++pixels[labels[i]];
            EXPECT_NE(depths[i], 0) << "labelled pixel " << i << " has no depth";
        }
    }
    EXPECT_FALSE(pixels.empty()) << "nobody is in the room two seconds into the timeline";
}

TEST(VirtualSensorCreationTest, NodesAreCreatedInAPlainContext) {
    ModuleRegistry registry{{VirtualSensorModule()}};
    auto context = Context::Create();
    DepthGenerator depth(context);
    SceneAnalyzer scene(context);
    ASSERT_EQ(context->Start(), Status::Ok);
    context->WaitAndUpdateAll();
    EXPECT_NE(depth.Map(), nullptr);
    EXPECT_NE(scene.LabelMap(), nullptr);
    EXPECT_THROW((void)ImageGenerator::Find(context), std::runtime_error);
}

TEST(VirtualSensorCreationTest, SceneAnalyzerWithoutAModuleForItThrows) {
    ModuleRegistry registry{{SampleModule()}};
    auto context = Context::Create();
    ErrorCollection errors;
    EXPECT_THROW(SceneAnalyzer scene(context, &errors), std::runtime_error);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
