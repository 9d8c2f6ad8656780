// Over the loop of the timeline, everything the sensor shows agrees: depth,
// image, label map, user pixels, centres of mass, joints and floor.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

constexpr XnUInt32 kWidth = 320;
constexpr XnUInt32 kHeight = 240;
constexpr XnUInt32 kLoopFrames = 24 * 30;
constexpr XnUInt32 kCheckEvery = 4;
constexpr XnDepthPixel kWallDepth = 4500;

struct Run {
    bool mirror;
    XnUInt32 frames;
};

class ConsistencyTest : public SensorTest, public ::testing::WithParamInterface<Run> {
protected:
    void SetUp() override {
        Init();
        depth = Create(XN_NODE_TYPE_DEPTH);
        image = Create(XN_NODE_TYPE_IMAGE);
        user = Create(XN_NODE_TYPE_USER);
        scene = Create(XN_NODE_TYPE_SCENE);
        FreeRunning(depth);
        const XnMapOutputMode small{kWidth, kHeight, 30};
        ASSERT_XN_OK(xnSetMapOutputMode(depth, &small));
        ASSERT_XN_OK(xnSetMapOutputMode(image, &small));
        ASSERT_XN_OK(xnSetViewPoint(depth, image));
        ASSERT_XN_OK(xnSetMirror(depth, GetParam().mirror));
        ASSERT_XN_OK(xnSetMirror(image, GetParam().mirror));
        ASSERT_XN_OK(xnRegisterUserCallbacks(user, OnNew, nullptr, this, &userCallbacks));
        ASSERT_XN_OK(xnRegisterToCalibrationComplete(user, OnCalibrated, this, &calibrationCallback));
        ASSERT_XN_OK(xnStartGeneratingAll(context));
        sceneMeta = xnAllocateSceneMetaData();
        userPixels = xnAllocateSceneMetaData();
    }
    void TearDown() override {
        xnFreeSceneMetaData(sceneMeta);
        xnFreeSceneMetaData(userPixels);
        xnUnregisterUserCallbacks(user, userCallbacks);
        xnUnregisterFromCalibrationComplete(user, calibrationCallback);
    }

    static void XN_CALLBACK_TYPE OnNew(XnNodeHandle node, XnUserID id, void*) {
        EXPECT_XN_OK(xnRequestSkeletonCalibration(node, id, TRUE));
    }
    static void XN_CALLBACK_TYPE OnCalibrated(XnNodeHandle node, XnUserID id, XnCalibrationStatus status, void*) {
        if (status == XN_CALIBRATION_STATUS_OK) {
            EXPECT_XN_OK(xnStartSkeletonTracking(node, id));
        }
    }

    std::vector<XnUserID> Users() {
        XnUserID ids[16];
        XnUInt16 count = 16;
        EXPECT_XN_OK(xnGetUsers(user, ids, &count));
        return {ids, ids + count};
    }

    std::vector<XnPoint3D> RealWorld(const std::vector<XnPoint3D>& projective) {
        std::vector<XnPoint3D> real(projective.size());
        if (!projective.empty()) {
            EXPECT_XN_OK(xnConvertProjectiveToRealWorld(depth, static_cast<XnUInt32>(projective.size()),
                                                        projective.data(), real.data()));
        }
        return real;
    }

    void CheckFrame();
    void CheckUser(XnUserID id, const XnDepthPixel* depthMap, const XnLabel* labels);
    void CheckSkeleton(XnUserID id, const XnDepthPixel* depthMap, const XnLabel* labels);
    void CheckFloor(const XnDepthPixel* depthMap, const XnLabel* labels);

    XnNodeHandle depth = nullptr;
    XnNodeHandle image = nullptr;
    XnNodeHandle user = nullptr;
    XnNodeHandle scene = nullptr;
    XnCallbackHandle userCallbacks = nullptr;
    XnCallbackHandle calibrationCallback = nullptr;
    XnSceneMetaData* sceneMeta = nullptr;
    XnSceneMetaData* userPixels = nullptr;
    std::vector<XnDepthPixel> emptyRoom;
    std::set<XnUserID> seen;
    XnUInt32 checkedJoints = 0;
    XnUInt32 hiddenJoints = 0;
};

void ConsistencyTest::CheckFrame() {
    const XnDepthPixel* depthMap = xnGetDepthMap(depth);
    const XnLabel* labels = xnGetLabelMap(scene);
    const XnUInt8* rgb = xnGetImageMap(image);
    xnGetSceneMetaData(scene, sceneMeta);
    ASSERT_EQ(sceneMeta->pMap->Res.X, kWidth);
    ASSERT_EQ(sceneMeta->pMap->Res.Y, kHeight);
    ASSERT_EQ(sceneMeta->pMap->pOutput->nFrameID, xnGetFrameID(depth));
    ASSERT_EQ(sceneMeta->pData, labels);
    ASSERT_EQ(xnGetTimestamp(image), xnGetTimestamp(depth));

    // The label map marks exactly the pixels where someone stands in front of
    // the empty room, and the image shows a person (never grey) exactly there.
    std::set<XnUserID> labelled;
    std::size_t wrongDepth = 0;
    std::size_t wrongColour = 0;
    for (std::size_t i = 0; i < std::size_t{kWidth} * kHeight; ++i) {
        const bool person = labels[i] != 0;
        wrongDepth += person ? depthMap[i] >= emptyRoom[i] : depthMap[i] != emptyRoom[i];
        const XnUInt8* c = rgb + i * 3;
        wrongColour += (c[0] == c[1] && c[1] == c[2]) == person;
        if (person) {
            labelled.insert(labels[i]);
        }
    }
    ASSERT_EQ(wrongDepth, 0u) << "pixels whose label disagrees with the depth";
    ASSERT_EQ(wrongColour, 0u) << "pixels whose label disagrees with the image";
    // Everyone in the room is seen, and only they are.
    const std::vector<XnUserID> users = Users();
    ASSERT_EQ(std::set<XnUserID>(users.begin(), users.end()), labelled);
    ASSERT_EQ(xnGetNumberOfUsers(user), users.size());

    ASSERT_XN_OK(xnGetUserPixels(user, 0, userPixels));
    ASSERT_TRUE(std::equal(labels, labels + kWidth * kHeight, userPixels->pData)) << "user 0 is everyone";
    for (XnUserID id : users) {
        seen.insert(id);
        CheckUser(id, depthMap, labels);
        if (xnIsSkeletonTracking(user, id)) {
            CheckSkeleton(id, depthMap, labels);
        }
    }
    CheckFloor(depthMap, labels);
}

void ConsistencyTest::CheckUser(XnUserID id, const XnDepthPixel* depthMap, const XnLabel* labels) {
    SCOPED_TRACE("user " + std::to_string(id));
    ASSERT_XN_OK(xnGetUserPixels(user, id, userPixels));
    ASSERT_EQ(userPixels->pMap->Res.X, kWidth);
    ASSERT_EQ(userPixels->pMap->Res.Y, kHeight);
    std::vector<XnPoint3D> pixels;
    std::size_t wrong = 0;
    for (XnUInt32 v = 0; v < kHeight; ++v) {
        for (XnUInt32 u = 0; u < kWidth; ++u) {
            const std::size_t i = v * kWidth + u;
            wrong += userPixels->pData[i] != (labels[i] == id ? id : 0);
            if (labels[i] == id) {
                pixels.push_back({static_cast<XnFloat>(u), static_cast<XnFloat>(v), static_cast<XnFloat>(depthMap[i])});
            }
        }
    }
    ASSERT_EQ(wrong, 0u) << "user pixels that are not the label map's";
    // The centre of mass is the mean of the user's pixels in real-world coordinates.
    double x = 0, y = 0, z = 0;
    for (const XnPoint3D& p : RealWorld(pixels)) {
        x += p.X;
        y += p.Y;
        z += p.Z;
    }
    const double n = static_cast<double>(pixels.size());
    XnPoint3D centre{};
    ASSERT_XN_OK(xnGetUserCoM(user, id, &centre));
    EXPECT_NEAR(centre.X, x / n, 1.0);
    EXPECT_NEAR(centre.Y, y / n, 1.0);
    EXPECT_NEAR(centre.Z, z / n, 1.0);
}

void ConsistencyTest::CheckSkeleton(XnUserID id, const XnDepthPixel* depthMap, const XnLabel* labels) {
    SCOPED_TRACE("skeleton of user " + std::to_string(id));
    for (int j = XN_SKEL_HEAD; j <= XN_SKEL_RIGHT_FOOT; ++j) {
        const auto joint = static_cast<XnSkeletonJoint>(j);
        XnSkeletonJointTransformation t{};
        ASSERT_XN_OK(xnGetSkeletonJoint(user, id, joint, &t));
        XnSkeletonJointOrientation orientation{};
        ASSERT_XN_OK(xnGetSkeletonJointOrientation(user, id, joint, &orientation));
        XnPoint3D projective{};
        ASSERT_XN_OK(xnConvertRealWorldToProjective(depth, 1, &t.position.position, &projective));
        const long u = std::lround(projective.X);
        const long v = std::lround(projective.Y);
        const bool inside = u >= 0 && v >= 0 && u < long{kWidth} && v < long{kHeight};
        const std::size_t i = inside ? static_cast<std::size_t>(v * long{kWidth} + u) : 0;
        // A joint never lies in front of what its pixel shows: it is inside
        // the body, or behind someone nearer.
        if (inside) {
            ASSERT_LE(depthMap[i], projective.Z + 1.0f) << "joint " << j;
        }
        // Seen: its pixel shows this user, at most 200 mm in front of it;
        // otherwise (outside, behind someone, behind the user's own body)
        // it is inferred. Pixel borders are left alone: there the framework's
        // rounding and ours may pick neighbouring pixels.
        const auto onBorder = [](double c) { return std::abs(c - std::floor(c) - 0.5) < 1e-3; };
        if (!onBorder(projective.X) && !onBorder(projective.Y)) {
            const bool seen = inside && labels[i] == id && depthMap[i] + 200.0f >= projective.Z;
            ASSERT_EQ(t.position.fConfidence, seen ? 1.0f : 0.5f) << "joint " << j;
            ASSERT_EQ(orientation.fConfidence, t.position.fConfidence);
            (seen ? checkedJoints : hiddenJoints)++;
        }
        // The orientation is a rotation.
        const XnFloat* m = orientation.orientation.elements;
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                const double dot = m[a] * m[b] + m[3 + a] * m[3 + b] + m[6 + a] * m[6 + b];
                ASSERT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5);
            }
        }
        const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                           m[2] * (m[3] * m[7] - m[4] * m[6]);
        ASSERT_NEAR(det, 1.0, 1e-5);
    }
}

void ConsistencyTest::CheckFloor(const XnDepthPixel* depthMap, const XnLabel* labels) {
    XnPlane3D floor{};
    ASSERT_XN_OK(xnGetFloor(scene, &floor));
    const XnVector3D n = floor.vNormal;
    ASSERT_NEAR(std::sqrt(n.X * n.X + n.Y * n.Y + n.Z * n.Z), 1.0, 1e-6);
    ASSERT_GT(n.Y, 0.99f) << "the floor's normal points up";
    // What is neither a person nor the back wall is floor, and on the plane.
    std::vector<XnPoint3D> floorPixels;
    for (XnUInt32 v = 0; v < kHeight; ++v) {
        for (XnUInt32 u = 0; u < kWidth; ++u) {
            const std::size_t i = v * kWidth + u;
            if (labels[i] == 0 && depthMap[i] != kWallDepth) {
                floorPixels.push_back(
                    {static_cast<XnFloat>(u), static_cast<XnFloat>(v), static_cast<XnFloat>(depthMap[i])});
            }
        }
    }
    ASSERT_GT(floorPixels.size(), kWidth * kHeight / 8);
    double farthest = 0.0;
    for (const XnPoint3D& p : RealWorld(floorPixels)) {
        const double distance =
            n.X * (p.X - floor.ptPoint.X) + n.Y * (p.Y - floor.ptPoint.Y) + n.Z * (p.Z - floor.ptPoint.Z);
        farthest = std::max(farthest, std::abs(distance));
    }
    ASSERT_LT(farthest, 3.0) << "millimetres from the floor plane";
}

TEST_P(ConsistencyTest, EverythingAgreesOverTheLoop) {
    ASSERT_XN_OK(xnWaitAndUpdateAll(context));
    ASSERT_TRUE(Users().empty()) << "the loop starts with an empty room";
    const XnDepthPixel* first = xnGetDepthMap(depth);
    emptyRoom.assign(first, first + kWidth * kHeight);

    for (XnUInt32 frame = 2; frame <= GetParam().frames; ++frame) {
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        if (frame % kCheckEvery == 0) {
            SCOPED_TRACE("frame " + std::to_string(frame));
            CheckFrame();
            if (HasFatalFailure()) {
                return;
            }
        }
    }
    EXPECT_EQ(seen, (std::set<XnUserID>{1, 2}));
    EXPECT_GT(checkedJoints, 1000u);
    EXPECT_GT(hiddenJoints, 0u) << "someone is partly hidden or outside the picture at times";
}

INSTANTIATE_TEST_SUITE_P(Cameras, ConsistencyTest, ::testing::Values(Run{false, kLoopFrames}, Run{true, 15 * 30}),
                         [](const auto& info) { return info.param.mirror ? "Mirrored" : "Plain"; });

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
