// UserGenerator's user queries and skeleton control at the call level.
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

#include "UserFixture.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::_;
using ::testing::Return;

/// A found user node, disposed once at the end.
class UserQueriesTest : public UserTest {
protected:
    Registration registration;
    UserGenerator users = FindDisposedOnce(registration);
};

TEST_F(UserQueriesTest, ArraysAreRefusedBeforeTheFramework) {
    static std::uint16_t id;
    static SkeletonJoint joint;
    const std::function<void()> missing[] = {
        [&] { (void)users.GetUsers({}); },
        [&] { (void)users.GetActiveJoints({}); },
    };
    const std::function<void()> empty[] = {
        [&] { (void)users.GetUsers(std::span<std::uint16_t>(&id, 0)); },
        [&] { (void)users.GetActiveJoints(std::span<SkeletonJoint>(&joint, 0)); },
    };
    for (const auto& call : missing) {
        EXPECT_THROW(call(), std::invalid_argument);
    }
    for (const auto& call : empty) {
        EXPECT_THROW(call(), std::out_of_range);
    }
}

TEST_F(UserQueriesTest, GetUsersAsksForTheSizeModulo65536) {
    const std::pair<std::size_t, XnUInt16> cases[] = {{1, 1},         {32, 32},   {33, 33},
                                                      {65535, 65535}, {65536, 0}, {65537, 1}};
    for (auto [size, asked] : cases) {
        SCOPED_TRACE(size);
        std::vector<std::uint16_t> ids(size, 9);
        EXPECT_CALL(fake, xnGetUsers(userHandle, _, _)).WillOnce([asked](auto, XnUserID* buffer, XnUInt16* count) {
            EXPECT_EQ(*count, asked);
            if (*count > 0) {
                buffer[0] = 4;
                buffer[*count - 1] = 5;
            }
            return XN_STATUS_OK;
        });
        EXPECT_EQ(users.GetUsers(ids), asked);
        if (asked > 0) {
            EXPECT_EQ(ids[0], asked == 1 ? 5 : 4);
            EXPECT_EQ(ids[asked - 1], 5);
        }
        if (asked < size) {
            EXPECT_EQ(ids[asked], 9) << "an element beyond what was asked for was written";
        }
    }
}

TEST_F(UserQueriesTest, GetUsersNarrowsTheIdsAndLeavesTheRest) {
    for (std::size_t size : {5, 40}) {  // both the stack and the heap buffer
        SCOPED_TRACE(size);
        std::vector<std::uint16_t> ids(size, 9);
        EXPECT_CALL(fake, xnGetUsers(userHandle, _, _)).WillOnce([](auto, XnUserID* buffer, XnUInt16* count) {
            buffer[0] = 3;
            buffer[1] = 65537;
            *count = 2;
            return XN_STATUS_OK;
        });
        EXPECT_EQ(users.GetUsers(ids), 2);
        std::vector<std::uint16_t> expected(size, 9);
        expected[0] = 3;
        expected[1] = 1;
        EXPECT_EQ(ids, expected);
    }

    // A count beyond what was asked for is not believed.
    std::vector<std::uint16_t> two(2, 9);
    EXPECT_CALL(fake, xnGetUsers(userHandle, _, _)).WillOnce([](auto, XnUserID* buffer, XnUInt16* count) {
        buffer[0] = 1;
        buffer[1] = 2;
        *count = 7;
        return XN_STATUS_OK;
    });
    EXPECT_EQ(users.GetUsers(two), 2);
    EXPECT_EQ(two, (std::vector<std::uint16_t>{1, 2}));

    // A failure stores nothing, even what the framework wrote before failing.
    DescribeStatuses("overflow");
    EXPECT_CALL(fake, xnGetUsers(userHandle, _, _)).WillOnce([](auto, XnUserID* buffer, XnUInt16* count) {
        buffer[0] = 1;
        *count = 1;
        return XnStatus{0x10007};
    });
    std::vector<std::uint16_t> one(1, 9);
    EXPECT_EQ(GeneralErrorOf([&] { (void)users.GetUsers(one); }), "00010007: overflow");
    EXPECT_EQ(one[0], 9);
}

TEST_F(UserQueriesTest, GetActiveJointsWritesInPlaceAndClampsTheCapacity) {
    const std::pair<std::size_t, XnUInt16> cases[] = {{1, 1}, {24, 24}, {65535, 65535}, {65536, 65535}, {70000, 65535}};
    for (auto [size, asked] : cases) {
        SCOPED_TRACE(size);
        std::vector<SkeletonJoint> joints(size, SkeletonJoint::None);
        EXPECT_CALL(fake, xnEnumerateActiveJoints(userHandle, reinterpret_cast<XnSkeletonJoint*>(joints.data()), _))
            .WillOnce([asked](auto, XnSkeletonJoint* out, XnUInt16* count) {
                EXPECT_EQ(*count, asked);
                out[0] = XN_SKEL_RIGHT_FOOT;
                *count = 1;
                return XN_STATUS_OK;
            });
        EXPECT_EQ(users.GetActiveJoints(joints), 1);
        EXPECT_EQ(joints[0], SkeletonJoint::RightFoot);
    }
    std::vector<SkeletonJoint> three(3);
    EXPECT_CALL(fake, xnEnumerateActiveJoints(userHandle, _, _)).WillOnce([](auto, auto, XnUInt16* count) {
        *count = 24;  // more than it was given room for
        return XN_STATUS_OK;
    });
    EXPECT_EQ(users.GetActiveJoints(three), 3);

    DescribeStatuses("no joints");
    EXPECT_CALL(fake, xnEnumerateActiveJoints(userHandle, _, _)).WillOnce(Return(0x10008));
    EXPECT_EQ(GeneralErrorOf([&] { (void)users.GetActiveJoints(three); }), "00010008: no joints");
}

TEST_F(UserQueriesTest, SkeletonControlHandsOverIdsAndFlagsAndThrowsTheStatus) {
    DescribeStatuses("refused");
    struct Control {
        std::function<void()> call;
        std::function<void(XnStatus)> expect;
    };
    const Control controls[] = {
        {[&] { users.StartSkeletonTracking(65535); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnStartSkeletonTracking(userHandle, 65535u)).WillOnce(Return(s)); }},
        {[&] { users.StopSkeletonTracking(65535); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnStopSkeletonTracking(userHandle, 65535u)).WillOnce(Return(s)); }},
        {[&] { users.ResetSkeleton(65535); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnResetSkeleton(userHandle, 65535u)).WillOnce(Return(s)); }},
        {[&] { users.RequestSkeletonCalibration(7, true); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnRequestSkeletonCalibration(userHandle, 7u, 1)).WillOnce(Return(s)); }},
        {[&] { users.RequestSkeletonCalibration(7, false); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnRequestSkeletonCalibration(userHandle, 7u, 0)).WillOnce(Return(s)); }},
        {[&] { users.SetSkeletonSmoothing(0.25f); },
         [&](XnStatus s) { EXPECT_CALL(fake, xnSetSkeletonSmoothing(userHandle, 0.25f)).WillOnce(Return(s)); }},
        {[&] { users.SetJointActive(SkeletonJoint::LeftKnee, true); },
         [&](XnStatus s) {
             EXPECT_CALL(fake, xnSetJointActive(userHandle, XN_SKEL_LEFT_KNEE, 1)).WillOnce(Return(s));
         }},
        {[&] { users.SetJointActive(SkeletonJoint::LeftKnee, false); },
         [&](XnStatus s) {
             EXPECT_CALL(fake, xnSetJointActive(userHandle, XN_SKEL_LEFT_KNEE, 0)).WillOnce(Return(s));
         }},
    };
    for (const Control& control : controls) {
        control.expect(XN_STATUS_OK);
        EXPECT_NO_THROW(control.call());
        control.expect(0x10009);
        EXPECT_EQ(GeneralErrorOf(control.call), "00010009: refused");
    }
}

TEST_F(UserQueriesTest, CountAndTrackingComeAsTheFrameworkAnswers) {
    EXPECT_CALL(fake, xnGetNumberOfUsers(userHandle)).WillOnce(Return(65535));
    EXPECT_EQ(users.Count(), 65535);
    for (XnBool answer : {0, 1, 2, -1}) {
        EXPECT_CALL(fake, xnIsSkeletonTracking(userHandle, 65535u)).WillOnce(Return(answer));
        EXPECT_EQ(users.IsSkeletonTracking(65535), answer != 0) << answer;
    }
}

TEST_F(UserQueriesTest, OptionalRecordsArePresentOnlyOnSuccess) {
    for (XnStatus status : {XnStatus{XN_STATUS_OK}, XnStatus{0x10001}, XnStatus{0xFFFFFFFF}}) {
        SCOPED_TRACE(status);
        EXPECT_CALL(fake, xnGetUserCoM(userHandle, 3u, _)).WillOnce([status](auto, auto, XnPoint3D* point) {
            EXPECT_EQ(point->X, 0.0f);
            *point = {1, 2, 3};
            return status;
        });
        EXPECT_CALL(fake, xnGetSkeletonJoint(userHandle, 3u, XN_SKEL_NECK, _))
            .WillOnce([status](auto, auto, auto, XnSkeletonJointTransformation* joint) {
                EXPECT_EQ(joint->position.fConfidence, 0.0f);
                joint->position = {{4, 5, 6}, 0.5f};
                joint->orientation.orientation.elements[8] = 1;
                joint->orientation.fConfidence = 1;
                return status;
            });
        EXPECT_CALL(fake, xnGetSkeletonJointOrientation(userHandle, 3u, XN_SKEL_NECK, _))
            .WillOnce([status](auto, auto, auto, XnSkeletonJointOrientation* orientation) {
                EXPECT_EQ(orientation->fConfidence, 0.0f);
                orientation->orientation.elements[0] = -1;
                orientation->fConfidence = 0.5f;
                return status;
            });
        const auto center = users.GetUserCenterOfMass(3);
        const auto joint = users.GetSkeletonJoint(3, SkeletonJoint::Neck);
        const auto orientation = users.GetSkeletonJointOrientation(3, SkeletonJoint::Neck);
        if (status != XN_STATUS_OK) {
            EXPECT_FALSE(center.has_value());
            EXPECT_FALSE(joint.has_value());
            EXPECT_FALSE(orientation.has_value());
            continue;
        }
        ASSERT_TRUE(center && joint && orientation);
        EXPECT_EQ(center->ToString(), "1, 2, 3");
        EXPECT_EQ(joint->Position.Position.Z, 6.0f);
        EXPECT_EQ(joint->Position.Confidence, 0.5f);
        EXPECT_EQ(joint->Orientation.Orientation.M33, 1.0f);
        EXPECT_EQ(joint->Orientation.Confidence, 1.0f);
        EXPECT_EQ(joint->Confidence, 0.0f);
        EXPECT_EQ(orientation->Orientation.M11, -1.0f);
        EXPECT_EQ(orientation->Confidence, 0.5f);
    }
}

TEST_F(UserQueriesTest, UserPixelsComeThroughStorageTheObjectOwns) {
    FrameworkRecord<XnSceneMetaData> storage;
    const XnLabel labels[4] = {0, 2, 2, 0};
    EXPECT_CALL(fake, xnAllocateSceneMetaData()).WillOnce(Return(&storage.record));
    EXPECT_CALL(fake, xnGetUserPixels(userHandle, 2u, &storage.record))
        .WillOnce([&](auto, auto, XnSceneMetaData* record) {
            record->pMap->Res = {2, 2};
            record->pMap->pOutput->nFrameID = 11;
            record->pData = labels;
            return XN_STATUS_OK;
        });
    SceneMetaData pixels = users.GetUserPixels(2);
    EXPECT_EQ(pixels.Map, reinterpret_cast<std::uintptr_t>(&storage.map));
    EXPECT_EQ(pixels.Labels, reinterpret_cast<std::uintptr_t>(labels));
    EXPECT_EQ(storage.map.Res.X, 2u);

    // A refused call is not reported, and shows nothing of the frame before.
    EXPECT_CALL(fake, xnGetUserPixels(userHandle, 9u, &storage.record)).WillOnce(Return(0x1000A));
    pixels = users.GetUserPixels(9);
    EXPECT_EQ(pixels.Map, reinterpret_cast<std::uintptr_t>(&storage.map));
    EXPECT_EQ(pixels.Labels, 0u);
    EXPECT_EQ(storage.map.Res.X, 0u);
    EXPECT_EQ(storage.output.nFrameID, 0u);
    const XnOutputMetaData* const output = storage.map.pOutput;  // a packed member: read by value
    EXPECT_EQ(output, &storage.output);

    EXPECT_CALL(fake, xnFreeSceneMetaData(&storage.record));  // when the object goes
}

TEST_F(UserQueriesTest, UserPixelsWithoutStorageIsAnAllocationFailure) {
    EXPECT_CALL(fake, xnAllocateSceneMetaData()).WillOnce(Return(nullptr));
    EXPECT_THROW((void)users.GetUserPixels(1), std::bad_alloc);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
