// The user node through the framework: its callbacks over the loop, and what
// its calls refuse.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

constexpr XnUInt32 kLoopFrames = 24 * 30;

enum class Happened { New, Lost, CalibrationStart, CalibrationEnd, CalibrationComplete };

struct Event {
    Happened what;
    XnUserID user;
    bool success;
    XnUInt32 frame;

    bool operator==(const Event& other) const {
        return what == other.what && user == other.user && success == other.success;
    }
};

class UserNodeTest : public SensorTest {
protected:
    void SetUp() override {
        Init();
        depth = Create(XN_NODE_TYPE_DEPTH);
        FreeRunning(depth);
        const XnMapOutputMode small{320, 240, 30};
        ASSERT_XN_OK(xnSetMapOutputMode(depth, &small));
        user = Create(XN_NODE_TYPE_USER);
        ASSERT_XN_OK(xnRegisterUserCallbacks(user, OnNew, OnLost, this, &userCallbacks));
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
        // The framework's older registration, which the library uses.
        ASSERT_XN_OK(xnRegisterCalibrationCallbacks(user, OnStart, OnEnd, this, &calibrationCallbacks));
#pragma GCC diagnostic pop
        ASSERT_XN_OK(xnRegisterToCalibrationComplete(user, OnComplete, this, &completeCallback));
        ASSERT_XN_OK(xnStartGeneratingAll(context));
    }

    void TearDown() override {
        xnUnregisterUserCallbacks(user, userCallbacks);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
        xnUnregisterCalibrationCallbacks(user, calibrationCallbacks);
#pragma GCC diagnostic pop
        xnUnregisterFromCalibrationComplete(user, completeCallback);
    }

    void Advance(XnUInt32 frames) {
        for (XnUInt32 i = 0; i < frames; ++i) {
            ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        }
    }
    /// Advances until `user` is in the room.
    void AdvanceUntilPresent(XnUserID id) {
        for (XnUInt32 i = 0; i < kLoopFrames; ++i) {
            XnUserID ids[8];
            XnUInt16 count = 8;
            ASSERT_XN_OK(xnGetUsers(user, ids, &count));
            if (std::find(ids, ids + count, id) != ids + count) {
                return;
            }
            ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        }
        FAIL() << "user " << id << " never came";
    }
    std::vector<Event> EventsOf(XnUserID id, XnUInt32 beforeFrame) const {
        std::vector<Event> of;
        for (const Event& e : events) {
            if (e.user == id && e.frame < beforeFrame) {
                of.push_back(e);
            }
        }
        return of;
    }

    static UserNodeTest& Self(void* cookie) {
        return *static_cast<UserNodeTest*>(cookie);
    }
    void Record(Happened what, XnUserID id, bool success = true) {
        events.push_back({what, id, success, xnGetFrameID(depth)});
    }
    static void XN_CALLBACK_TYPE OnNew(XnNodeHandle node, XnUserID id, void* cookie) {
        Self(cookie).Record(Happened::New, id);
        if (Self(cookie).autoCalibrate) {
            EXPECT_XN_OK(xnRequestSkeletonCalibration(node, id, TRUE));
        }
    }
    static void XN_CALLBACK_TYPE OnLost(XnNodeHandle, XnUserID id, void* cookie) {
        Self(cookie).Record(Happened::Lost, id);
    }
    static void XN_CALLBACK_TYPE OnStart(XnNodeHandle, XnUserID id, void* cookie) {
        Self(cookie).Record(Happened::CalibrationStart, id);
    }
    static void XN_CALLBACK_TYPE OnEnd(XnNodeHandle node, XnUserID id, XnBool success, void* cookie) {
        Self(cookie).Record(Happened::CalibrationEnd, id, success != FALSE);
        if (success) {
            EXPECT_XN_OK(xnStartSkeletonTracking(node, id));
        }
    }
    static void XN_CALLBACK_TYPE OnComplete(XnNodeHandle, XnUserID id, XnCalibrationStatus status, void* cookie) {
        Self(cookie).Record(Happened::CalibrationComplete, id, status == XN_CALIBRATION_STATUS_OK);
    }

    XnNodeHandle depth = nullptr;
    XnNodeHandle user = nullptr;
    XnCallbackHandle userCallbacks = nullptr;
    XnCallbackHandle calibrationCallbacks = nullptr;
    XnCallbackHandle completeCallback = nullptr;
    bool autoCalibrate = true;
    std::vector<Event> events;
};

TEST_F(UserNodeTest, EachPersonComesIsCalibratedIsTrackedAndGoesWithinOneLoop) {
    XnUInt32 bothTracked = 0;
    for (XnUInt32 frame = 1; frame <= kLoopFrames + 60; ++frame) {
        ASSERT_XN_OK(xnWaitAndUpdateAll(context));
        bothTracked += xnIsSkeletonTracking(user, 1) && xnIsSkeletonTracking(user, 2);
    }
    const std::vector<Event> expected{{Happened::New, 0, true, 0},
                                      {Happened::CalibrationStart, 0, true, 0},
                                      {Happened::CalibrationEnd, 0, true, 0},
                                      {Happened::CalibrationComplete, 0, true, 0},
                                      {Happened::Lost, 0, true, 0}};
    std::map<XnUserID, std::vector<Event>> of;
    for (XnUserID id : {1u, 2u}) {
        of[id] = EventsOf(id, kLoopFrames + 1);
        std::vector<Event> wanted = expected;
        for (Event& e : wanted) {
            e.user = id;
        }
        EXPECT_EQ(of[id], wanted) << "user " << id;
    }
    ASSERT_EQ(of[1].size(), expected.size());
    ASSERT_EQ(of[2].size(), expected.size());
    // Calibration takes a second of sensor time; the two visits overlap.
    EXPECT_EQ(of[1][2].frame - of[1][1].frame, 30u);
    EXPECT_LT(of[2][0].frame, of[1][4].frame);
    EXPECT_GT(bothTracked, 100u);
    // The loop starts over with the same people.
    const std::vector<Event> again = EventsOf(1, kLoopFrames + 61);
    ASSERT_GT(again.size(), expected.size());
    EXPECT_EQ(again[expected.size()].what, Happened::New);
    EXPECT_GT(again[expected.size()].frame, kLoopFrames);
}

TEST_F(UserNodeTest, SkeletonCallsRefuseWhatTheyCannotDo) {
    autoCalibrate = false;
    XnSkeletonJointTransformation joint{};
    EXPECT_EQ(xnGetSkeletonJoint(user, 1, XN_SKEL_HEAD, &joint), XN_STATUS_NO_SUCH_USER);
    AdvanceUntilPresent(1);
    EXPECT_EQ(xnGetSkeletonJoint(user, 1, XN_SKEL_HEAD, &joint), XN_STATUS_USER_IS_NOT_BEING_TRACKED);
    EXPECT_EQ(xnStartSkeletonTracking(user, 1), XN_STATUS_INVALID_OPERATION) << "not calibrated yet";
    EXPECT_EQ(xnRequestSkeletonCalibration(user, 9, TRUE), XN_STATUS_NO_SUCH_USER);
    EXPECT_NE(xnSetSkeletonSmoothing(user, 1.5f), XN_STATUS_OK);
    EXPECT_NE(xnSetSkeletonSmoothing(user, -0.1f), XN_STATUS_OK);
    EXPECT_FALSE(xnNeedPoseForSkeletonCalibration(user));

    // An aborted calibration ends with failure.
    ASSERT_XN_OK(xnRequestSkeletonCalibration(user, 1, TRUE));
    Advance(2);
    EXPECT_TRUE(xnIsSkeletonCalibrating(user, 1));
    ASSERT_XN_OK(xnAbortSkeletonCalibration(user, 1));
    Advance(1);
    EXPECT_FALSE(xnIsSkeletonCalibrating(user, 1));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[events.size() - 2], (Event{Happened::CalibrationEnd, 1, false, 0}));
    EXPECT_EQ(events.back(), (Event{Happened::CalibrationComplete, 1, false, 0}));

    autoCalibrate = true;
    ASSERT_XN_OK(xnRequestSkeletonCalibration(user, 1, TRUE));
    Advance(32);
    ASSERT_TRUE(xnIsSkeletonCalibrated(user, 1));
    ASSERT_TRUE(xnIsSkeletonTracking(user, 1));
    ASSERT_XN_OK(xnGetSkeletonJoint(user, 1, XN_SKEL_HEAD, &joint));
    EXPECT_EQ(xnGetSkeletonJoint(user, 1, static_cast<XnSkeletonJoint>(25), &joint), XN_STATUS_BAD_PARAM);

    // Active joints: all 24 by default; a profile or a single switch changes them.
    XnSkeletonJoint active[32];
    XnUInt16 count = 32;
    ASSERT_XN_OK(xnEnumerateActiveJoints(user, active, &count));
    EXPECT_EQ(count, 24);
    count = 3;
    EXPECT_EQ(xnEnumerateActiveJoints(user, active, &count), XN_STATUS_OUTPUT_BUFFER_OVERFLOW);
    EXPECT_EQ(count, 3);
    ASSERT_XN_OK(xnSetJointActive(user, XN_SKEL_HEAD, FALSE));
    EXPECT_FALSE(xnIsJointActive(user, XN_SKEL_HEAD));
    EXPECT_EQ(xnGetSkeletonJoint(user, 1, XN_SKEL_HEAD, &joint), XN_STATUS_JOINT_IS_NOT_ACTIVE);
    ASSERT_XN_OK(xnSetSkeletonProfile(user, XN_SKEL_PROFILE_HEAD_HANDS));
    count = 32;
    ASSERT_XN_OK(xnEnumerateActiveJoints(user, active, &count));
    EXPECT_EQ(std::vector<XnSkeletonJoint>(active, active + count),
              (std::vector<XnSkeletonJoint>{XN_SKEL_HEAD, XN_SKEL_LEFT_HAND, XN_SKEL_RIGHT_HAND}));
    ASSERT_XN_OK(xnSetSkeletonProfile(user, XN_SKEL_PROFILE_ALL));

    // Stopping or resetting ends tracking; a saved calibration comes back.
    ASSERT_XN_OK(xnSaveSkeletonCalibrationData(user, 1, 3));
    EXPECT_TRUE(xnIsSkeletonCalibrationData(user, 3));
    ASSERT_XN_OK(xnStopSkeletonTracking(user, 1));
    EXPECT_FALSE(xnIsSkeletonTracking(user, 1));
    ASSERT_XN_OK(xnResetSkeleton(user, 1));
    EXPECT_FALSE(xnIsSkeletonCalibrated(user, 1));
    ASSERT_XN_OK(xnLoadSkeletonCalibrationData(user, 1, 3));
    EXPECT_TRUE(xnIsSkeletonCalibrated(user, 1));
    ASSERT_XN_OK(xnStartSkeletonTracking(user, 1));
    EXPECT_TRUE(xnIsSkeletonTracking(user, 1));
}

TEST_F(UserNodeTest, SmoothingLetsJointsFollowLate) {
    AdvanceUntilPresent(2);  // walking in
    Advance(33);             // calibrated and tracked, still walking
    ASSERT_TRUE(xnIsSkeletonTracking(user, 2));
    const auto x = [&] {
        XnSkeletonJointPosition head{};
        EXPECT_XN_OK(xnGetSkeletonJointPosition(user, 2, XN_SKEL_HEAD, &head));
        return head.position.X;
    };
    ASSERT_XN_OK(xnSetSkeletonSmoothing(user, 0.9f));
    const float before = x();
    Advance(1);
    const float smoothed = x();
    ASSERT_XN_OK(xnSetSkeletonSmoothing(user, 0.0f));
    Advance(1);
    const float exact = x();
    // Walking left (towards smaller X): a smoothed joint lags behind.
    EXPECT_LT(smoothed, before);
    EXPECT_GT(smoothed, exact);
}

TEST_F(UserNodeTest, UserPixelsRefuseARecordWithoutMapStorage) {
    AdvanceUntilPresent(1);
    XnSceneMetaData bare{};
    const XnLabel untouched = 7;
    bare.pData = &untouched;
    EXPECT_EQ(xnGetUserPixels(user, 1, &bare), XN_STATUS_NULL_OUTPUT_PTR);
    EXPECT_EQ(bare.pData, &untouched);
    EXPECT_EQ(bare.pMap, nullptr);

    XnMapMetaData mapWithoutOutput{};
    bare.pMap = &mapWithoutOutput;
    EXPECT_EQ(xnGetUserPixels(user, 1, &bare), XN_STATUS_NULL_OUTPUT_PTR);
    EXPECT_EQ(bare.pData, &untouched);
    EXPECT_EQ(mapWithoutOutput.Res.X, 0u);

    XnSceneMetaData* scene = xnAllocateSceneMetaData();
    EXPECT_EQ(xnGetUserPixels(user, 9, scene), XN_STATUS_NO_SUCH_USER);
    EXPECT_XN_OK(xnGetUserPixels(user, 1, scene));
    EXPECT_EQ(scene->pMap->Res.X, 320u);
    EXPECT_EQ(scene->pMap->pOutput->nFrameID, xnGetFrameID(depth));
    xnFreeSceneMetaData(scene);
}

TEST_F(UserNodeTest, UsersFillOnlyTheRoomTheyAreGiven) {
    AdvanceUntilPresent(2);
    XnUserID ids[2] = {0, 0};
    XnUInt16 count = 2;
    ASSERT_XN_OK(xnGetUsers(user, ids, &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(xnGetNumberOfUsers(user), 2);
    EXPECT_EQ(ids[0], 1u);
    EXPECT_EQ(ids[1], 2u);
    XnUserID one[2] = {0, 99};
    count = 1;
    EXPECT_EQ(xnGetUsers(user, one, &count), XN_STATUS_OUTPUT_BUFFER_OVERFLOW);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(one[0], 1u);
    EXPECT_EQ(one[1], 99u);
}

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
