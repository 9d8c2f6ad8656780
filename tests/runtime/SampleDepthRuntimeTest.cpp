// The depth node classes against the framework's sample module.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Nodes.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

const XnMapMetaData& MapOf(const DepthMetaData& metaData) {
    return *reinterpret_cast<const XnMapMetaData*>(metaData.Map);
}

class SampleDepthRuntimeTest : public ::testing::Test {
protected:
    ModuleRegistry registry{{SampleModule()}};
    std::shared_ptr<Context> context =
        Context::Create(registry.WriteConfig("depth.xml", "<Node type=\"Depth\" name=\"Depth1\"/>").string());
};

TEST_F(SampleDepthRuntimeTest, FoundNodeGivesMapMetaDataAndFieldOfView) {
    DepthGenerator depth = DepthGenerator::Find(context);
    ASSERT_EQ(context->Start(), Status::Ok);
    context->WaitAndUpdateAll();

    MapOutputMode mode = depth.MapOutputMode();
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.Height, 0u);
    EXPECT_GT(mode.FramesPerSecond, 0u);

    DepthMetaData first = depth.MetaData();
    ASSERT_NE(first.Map, 0u);
    EXPECT_EQ(MapOf(first).Res.X, mode.Width);
    EXPECT_EQ(MapOf(first).Res.Y, mode.Height);
    EXPECT_EQ(MapOf(first).nFPS, mode.FramesPerSecond);
    EXPECT_GT(first.Depth, 0);
    ASSERT_NE(depth.Map(), nullptr);
    EXPECT_EQ(first.Data, reinterpret_cast<std::uintptr_t>(depth.Map()));
    const XnUInt32 firstFrame = MapOf(first).pOutput->nFrameID;

    context->WaitAndUpdateAll();
    DepthMetaData second = depth.MetaData();
    EXPECT_GT(MapOf(second).pOutput->nFrameID, firstFrame);
    EXPECT_EQ(second.Data, reinterpret_cast<std::uintptr_t>(depth.Map()));

    FieldOfView fov = depth.FieldOfView();
    EXPECT_GT(fov.Horizontal, 0.0);
    EXPECT_GT(fov.Vertical, 0.0);
    EXPECT_FALSE(depth.IsCapabilitySupported(Capability::UserSkeleton));
    EXPECT_EQ(depth.Wait(), Status::Ok);
}

TEST_F(SampleDepthRuntimeTest, ConversionsGoThereAndBack) {
    DepthGenerator depth = DepthGenerator::Find(context);
    ASSERT_EQ(context->Start(), Status::Ok);
    context->WaitAndUpdateAll();
    MapOutputMode mode = depth.MapOutputMode();

    std::vector<Vector3> projective = {
        {0, 0, 1000}, {mode.Width / 2.0f, mode.Height / 2.0f, 2500}, {mode.Width - 1.0f, mode.Height - 1.0f, 400}};
    std::vector<Vector3> realWorld(projective.size());
    std::vector<Vector3> back(projective.size());
    depth.ConvertProjectiveToRealWorld(projective, static_cast<std::int32_t>(projective.size()), realWorld);
    depth.ConvertRealWorldToProjective(realWorld, static_cast<std::int32_t>(realWorld.size()), back);
    for (std::size_t i = 0; i < projective.size(); ++i) {
        EXPECT_NEAR(back[i].X, projective[i].X, 0.01) << i;
        EXPECT_NEAR(back[i].Y, projective[i].Y, 0.01) << i;
        EXPECT_NEAR(back[i].Z, projective[i].Z, 0.01) << i;
        EXPECT_EQ(realWorld[i].Z, projective[i].Z) << i;
    }
    // The centre of the map lies on the optical axis; corners do not.
    EXPECT_NEAR(realWorld[1].X, 0, 10);
    EXPECT_LT(realWorld[0].X, realWorld[2].X);
}

TEST_F(SampleDepthRuntimeTest, CreatedNodeAndDisposedContext) {
    DepthGenerator created(context);
    ASSERT_EQ(context->Start(), Status::Ok);
    context->WaitAndUpdateAll();
    EXPECT_NE(created.Map(), nullptr);
    EXPECT_THROW((void)ImageGenerator::Find(context), std::runtime_error);

    DepthGenerator found = DepthGenerator::Find(context);
    (void)found.MetaData();
    context->Dispose();
    // The framework freed the nodes; the objects refuse instead of crashing,
    // and their metadata storage is still released when they go.
    EXPECT_THROW((void)found.MetaData(), std::runtime_error);
    EXPECT_THROW((void)created.Map(), std::runtime_error);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
