// The depth node through the framework: output modes, field of view, maximum
// depth, mirror, the viewpoint of the image camera, pacing, determinism.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

constexpr double kHorizontalFov = 1.0144686707507438;
constexpr double kVerticalFov = 0.78980943449644714;
// Two seconds in: the first person stands in the room.
constexpr int kSomeoneIn = 60;

struct Frames {
    XnMapOutputMode mode{};
    std::vector<XnDepthPixel> depth;
    std::vector<XnUInt8> rgb;
};

class DepthNodeTest : public SensorTest {
protected:
    void SetUp() override {
        Init();
        depth = Create(XN_NODE_TYPE_DEPTH);
        image = Create(XN_NODE_TYPE_IMAGE);
        FreeRunning(depth);
    }

    /// Frame `index` (counting from 0) of a fresh free-running context whose
    /// nodes `configure` sets up first.
    Frames FrameOf(int index, const std::function<void(XnNodeHandle, XnNodeHandle)>& configure) {
        ContextRef other;
        EXPECT_XN_OK(xnInit(other.out()));
        NodeRef otherDepth;
        NodeRef otherImage;
        EXPECT_XN_OK(xnCreateDepthGenerator(other, otherDepth.out(), nullptr, nullptr));
        EXPECT_XN_OK(xnCreateImageGenerator(other, otherImage.out(), nullptr, nullptr));
        EXPECT_XN_OK(xnSetStringProperty(otherDepth, "Pacing", "FreeRunning"));
        configure(otherDepth, otherImage);
        EXPECT_XN_OK(xnStartGeneratingAll(other));
        for (int i = 0; i <= index; ++i) {
            EXPECT_XN_OK(xnWaitAndUpdateAll(other));
        }
        Frames frames;
        EXPECT_XN_OK(xnGetMapOutputMode(otherDepth, &frames.mode));
        const XnDepthPixel* map = xnGetDepthMap(otherDepth);
        frames.depth.assign(map, map + xnGetDataSize(otherDepth) / sizeof(XnDepthPixel));
        const XnUInt8* rgb = xnGetImageMap(otherImage);
        frames.rgb.assign(rgb, rgb + xnGetDataSize(otherImage));
        other.Keep(std::move(otherDepth));
        other.Keep(std::move(otherImage));
        return frames;
    }

    static void SmallModes(XnNodeHandle d, XnNodeHandle i) {
        const XnMapOutputMode small{320, 240, 30};
        ASSERT_XN_OK(xnSetMapOutputMode(d, &small));
        ASSERT_XN_OK(xnSetMapOutputMode(i, &small));
    }

    XnNodeHandle depth = nullptr;
    XnNodeHandle image = nullptr;
};

TEST_F(DepthNodeTest, OffersTheModesAndEachShowsInTheNextFramesMetadata) {
    XnMapOutputMode mode{};
    ASSERT_XN_OK(xnGetMapOutputMode(depth, &mode));
    EXPECT_EQ(mode.nXRes, 640u);
    EXPECT_EQ(mode.nYRes, 480u);
    EXPECT_EQ(mode.nFPS, 30u);

    XnMapOutputMode modes[8];
    XnUInt32 count = 8;
    ASSERT_EQ(xnGetSupportedMapOutputModesCount(depth), 4u);
    ASSERT_XN_OK(xnGetSupportedMapOutputModes(depth, modes, &count));
    ASSERT_EQ(count, 4u);

    // Before the first frame the framework takes the resolution live while
    // the data is the blank frame: it must hold any mode's pixels.
    XnDepthMetaData* metaData = xnAllocateDepthMetaData();
    for (XnUInt32 m = 0; m < count; ++m) {
        ASSERT_XN_OK(xnSetMapOutputMode(depth, &modes[m]));
        xnGetDepthMetaData(depth, metaData);
        const XnUInt32 pixels = metaData->pMap->Res.X * metaData->pMap->Res.Y;
        EXPECT_GE(metaData->pMap->pOutput->nDataSize, pixels * sizeof(XnDepthPixel));
        EXPECT_EQ(std::count(metaData->pData, metaData->pData + pixels, 0), pixels);
    }
    ASSERT_XN_OK(xnStartGeneratingAll(context));
    ASSERT_XN_OK(xnWaitAndUpdateAll(context));
    XnUInt64 lastTimestamp = 0;
    for (XnUInt32 m = 0; m < count; ++m) {
        const XnMapOutputMode& wanted = modes[count - 1 - m];
        SCOPED_TRACE(std::to_string(wanted.nXRes) + "x" + std::to_string(wanted.nYRes) + "@" +
                     std::to_string(wanted.nFPS));
        ASSERT_XN_OK(xnSetMapOutputMode(depth, &wanted));
        // Until the next update the framework still hands out the frame it
        // has, whole: its buffer must stay alive at its old size.
        xnGetDepthMetaData(depth, metaData);
        std::uint64_t sum = 0;
        for (XnUInt32 i = 0; i < metaData->pMap->Res.X * metaData->pMap->Res.Y; ++i) {
            sum += metaData->pData[i];
        }
        EXPECT_EQ(metaData->pMap->pOutput->nDataSize, metaData->pMap->Res.X * metaData->pMap->Res.Y * 2);
        EXPECT_GT(sum, 0u);
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        xnGetDepthMetaData(depth, metaData);
        EXPECT_EQ(metaData->pMap->Res.X, wanted.nXRes);
        EXPECT_EQ(metaData->pMap->Res.Y, wanted.nYRes);
        EXPECT_EQ(metaData->pMap->nFPS, wanted.nFPS);
        EXPECT_EQ(metaData->pMap->pOutput->nDataSize, wanted.nXRes * wanted.nYRes * sizeof(XnDepthPixel));
        EXPECT_EQ(metaData->nZRes, 10001);
        // Time never goes back when the rate changes, and frames are a period apart.
        const XnUInt64 timestamp = metaData->pMap->pOutput->nTimestamp;
        EXPECT_GT(timestamp, lastTimestamp);
        EXPECT_EQ(timestamp - xnGetTimestamp(depth), 0u);
        lastTimestamp = timestamp;

        // The framework's conversions see the new resolution and the field of view.
        const XnPoint3D projective[2] = {{wanted.nXRes / 2.0f, wanted.nYRes / 2.0f, 2000.0f}, {0.0f, 0.0f, 2000.0f}};
        XnPoint3D real[2];
        ASSERT_XN_OK(xnConvertProjectiveToRealWorld(depth, 2, projective, real));
        EXPECT_NEAR(real[0].X, 0.0, 1e-3);
        EXPECT_NEAR(real[0].Y, 0.0, 1e-3);
        EXPECT_NEAR(real[1].X, -2000.0 * std::tan(kHorizontalFov / 2), 0.01);
        EXPECT_NEAR(real[1].Y, 2000.0 * std::tan(kVerticalFov / 2), 0.01);
    }
    xnFreeDepthMetaData(metaData);
}

TEST_F(DepthNodeTest, RefusesModesItDoesNotOfferAndKeepsItsMode) {
    for (XnMapOutputMode wrong :
         {XnMapOutputMode{1280, 1024, 30}, XnMapOutputMode{640, 480, 25}, XnMapOutputMode{0, 0, 0}}) {
        EXPECT_NE(xnSetMapOutputMode(depth, &wrong), XN_STATUS_OK);
    }
    XnMapOutputMode mode{};
    ASSERT_XN_OK(xnGetMapOutputMode(depth, &mode));
    EXPECT_EQ(mode.nXRes, 640u);
    EXPECT_EQ(mode.nFPS, 30u);
}

TEST_F(DepthNodeTest, ReportsFieldOfViewAndMaximumDepthAndKeepsWithinIt) {
    XnFieldOfView fov{};
    ASSERT_XN_OK(xnGetDepthFieldOfView(depth, &fov));
    EXPECT_DOUBLE_EQ(fov.fHFOV, kHorizontalFov);
    EXPECT_DOUBLE_EQ(fov.fVFOV, kVerticalFov);
    EXPECT_EQ(xnGetDeviceMaxDepth(depth), 10000);

    const Frames frames = FrameOf(kSomeoneIn, SmallModes);
    for (XnDepthPixel z : frames.depth) {
        ASSERT_GT(z, 0);  // the room is closed: every pixel sees something
        ASSERT_LE(z, 10000);
    }
}

TEST_F(DepthNodeTest, MirrorReflectsBothCamerasAboutTheirAxis) {
    EXPECT_TRUE(xnIsCapabilitySupported(depth, XN_CAPABILITY_MIRROR));
    EXPECT_TRUE(xnIsCapabilitySupported(image, XN_CAPABILITY_MIRROR));
    EXPECT_FALSE(xnIsMirrored(depth));

    const Frames plain = FrameOf(kSomeoneIn, SmallModes);
    const Frames mirrored = FrameOf(kSomeoneIn, [](XnNodeHandle d, XnNodeHandle i) {
        SmallModes(d, i);
        ASSERT_XN_OK(xnSetMirror(d, TRUE));
        ASSERT_XN_OK(xnSetMirror(i, TRUE));
        ASSERT_TRUE(xnIsMirrored(d));
    });
    const XnUInt32 width = 320;
    const XnUInt32 height = 240;
    ASSERT_EQ(plain.depth.size(), width * height);
    ASSERT_EQ(mirrored.depth.size(), width * height);
    std::size_t differing = 0;
    for (XnUInt32 v = 0; v < height; ++v) {
        // Column u of the mirrored camera looks where column (width - u) of
        // the plain one does; column 0 has no counterpart.
        for (XnUInt32 u = 1; u < width; ++u) {
            const std::size_t m = v * width + u;
            const std::size_t p = v * width + (width - u);
            ASSERT_EQ(mirrored.depth[m], plain.depth[p]) << u << "," << v;
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(mirrored.rgb[m * 3 + c], plain.rgb[p * 3 + c]) << u << "," << v;
            }
            differing += mirrored.depth[m] != plain.depth[m];
        }
    }
    EXPECT_GT(differing, 1000u) << "the frame is not symmetric, so mirroring must change it";
}

TEST_F(DepthNodeTest, ViewPointMovesTheDepthCameraOntoTheImageCamera) {
    EXPECT_TRUE(xnIsCapabilitySupported(depth, XN_CAPABILITY_ALTERNATIVE_VIEW_POINT));
    EXPECT_TRUE(xnIsViewPointSupported(depth, image));
    EXPECT_FALSE(xnIsViewPointSupported(depth, depth));
    EXPECT_NE(xnSetViewPoint(depth, depth), XN_STATUS_OK);
    EXPECT_FALSE(xnIsViewPointAs(depth, image));
    ASSERT_XN_OK(xnSetViewPoint(depth, image));
    EXPECT_TRUE(xnIsViewPointAs(depth, image));
    ASSERT_XN_OK(xnResetViewPoint(depth));
    EXPECT_FALSE(xnIsViewPointAs(depth, image));

    // Registered, a pixel shows a person in the image (not grey) exactly where
    // the depth map differs from the empty room; unregistered, the cameras
    // are 25 mm apart and the silhouettes do not line up.
    const auto registered = [](XnNodeHandle d, XnNodeHandle i) {
        SmallModes(d, i);
        ASSERT_XN_OK(xnSetViewPoint(d, i));
    };
    const Frames emptyRoom = FrameOf(0, registered);
    const auto mismatches = [&](const Frames& frames) {
        std::size_t count = 0;
        std::size_t people = 0;
        for (std::size_t i = 0; i < frames.depth.size(); ++i) {
            const XnUInt8* rgb = &frames.rgb[i * 3];
            const bool grey = rgb[0] == rgb[1] && rgb[1] == rgb[2];
            const bool person = frames.depth[i] != emptyRoom.depth[i];
            count += grey == person;
            people += person;
        }
        EXPECT_GT(people, 1000u);
        return count;
    };
    EXPECT_EQ(mismatches(FrameOf(kSomeoneIn, registered)), 0u);
    EXPECT_GT(mismatches(FrameOf(kSomeoneIn, SmallModes)), 200u);
}

TEST_F(DepthNodeTest, TheSameFrameNumberGivesTheSameBytes) {
    const auto seeded = [](XnUInt64 seed) {
        return [seed](XnNodeHandle d, XnNodeHandle i) {
            SmallModes(d, i);
            ASSERT_XN_OK(xnSetIntProperty(i, "Seed", seed));
        };
    };
    const Frames first = FrameOf(kSomeoneIn, seeded(0));
    const Frames again = FrameOf(kSomeoneIn, seeded(0));
    EXPECT_EQ(first.depth, again.depth);
    EXPECT_EQ(first.rgb, again.rgb);
    const Frames otherSeed = FrameOf(kSomeoneIn, seeded(5));
    EXPECT_NE(first.depth, otherSeed.depth);
    EXPECT_NE(first.rgb, otherSeed.rgb);
}

TEST_F(DepthNodeTest, FreeRunningBringsANewFrameOnEveryUpdate) {
    ASSERT_XN_OK(xnStartGeneratingAll(context));
    for (XnUInt32 frame = 1; frame <= 5; ++frame) {
        XnUInt64 next = 0;
        EXPECT_TRUE(xnIsNewDataAvailable(depth, &next));
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        EXPECT_EQ(xnGetFrameID(depth), frame);
        EXPECT_EQ(xnGetFrameID(image), frame);
        EXPECT_EQ(xnGetTimestamp(depth), (frame - 1) * 1000000ull / 30);
        EXPECT_EQ(xnGetTimestamp(image), xnGetTimestamp(depth));
        EXPECT_TRUE(xnIsDataNew(depth));
    }
    // Any way of updating brings the next frame at once.
    ASSERT_XN_OK(xnWaitNoneUpdateAll(context));
    EXPECT_EQ(xnGetFrameID(depth), 6u);
    ASSERT_XN_OK(xnWaitOneUpdateAll(context, depth));
    EXPECT_EQ(xnGetFrameID(depth), 7u);
}

TEST_F(DepthNodeTest, RealTimePacingDeliversFramesOnTheOutputModesClock) {
    ASSERT_XN_OK(xnSetStringProperty(depth, "Pacing", "RealTime"));
    const XnMapOutputMode fast{320, 240, 60};
    ASSERT_XN_OK(xnSetMapOutputMode(depth, &fast));
    ASSERT_XN_OK(xnStartGeneratingAll(context));
    XnUInt32 lastFrame = 0;
    for (int i = 0; i < 4; ++i) {
        ASSERT_XN_OK(xnWaitOneUpdateAll(context, depth));
        const XnUInt32 frame = xnGetFrameID(depth);
        EXPECT_GT(frame, lastFrame);
        // A frame's timestamp is its number on the 60 Hz clock.
        EXPECT_EQ(xnGetTimestamp(depth), (frame - 1) * 1000000ull / 60);
        lastFrame = frame;
    }
    EXPECT_XN_OK(xnStopGeneratingAll(context));
    EXPECT_FALSE(xnIsGenerating(depth));
}

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
