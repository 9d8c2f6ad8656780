// UserGenerator against the project's virtual sensor through the real framework.
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "Orvo/OpenNI/Users.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

constexpr int kLoopFrames = 24 * 30;

const XnMapMetaData& MapOf(std::uintptr_t address) {
    return *reinterpret_cast<const XnMapMetaData*>(address);
}

/// What one subscriber heard, in order.
struct Heard {
    std::string what;
    std::uint16_t user;
    bool operator==(const Heard&) const = default;
};

/// A context from a configuration with a free-running depth node and a user
/// node, and the user node found in it.
class UserGeneratorRuntimeTest : public ::testing::Test {
protected:
    ModuleRegistry registry{{VirtualSensorModule()}};
    std::shared_ptr<Context> context = Context::Create(
        registry.WriteConfig("users.xml", std::string(kFreeRunningDepthNode) + "<Node type=\"User\"/>").string());
    DepthGenerator depth = DepthGenerator::Find(context);
    UserGenerator users = UserGenerator::Find(context);

    void SetUp() override { ASSERT_EQ(context->Start(), Status::Ok); }

    void Advance(int frames) {
        for (int i = 0; i < frames; ++i) {
            context->WaitAndUpdateAll();
        }
    }
    /// Advances until `done` holds; false when it did not within a loop.
    bool AdvanceUntil(const std::function<bool()>& done) {
        for (int i = 0; i < kLoopFrames; ++i) {
            if (done()) {
                return true;
            }
            context->WaitAndUpdateAll();
        }
        return done();
    }
    /// Calibrates every user who comes and tracks every calibrated one.
    void TrackEveryone() {
        subscriptions.push_back(
            users.SubscribeUserEntered([this](std::uint16_t user) { users.RequestSkeletonCalibration(user, true); }));
        subscriptions.push_back(users.SubscribeCalibrationEnd([this](std::uint16_t user, bool success) {
            if (success) {
                users.StartSkeletonTracking(user);
            }
        }));
    }

    std::vector<EventSubscription> subscriptions;
};

TEST_F(UserGeneratorRuntimeTest, EachUserIsSeenCalibratedTrackedAndLostInOrder) {
    std::vector<Heard> heard;
    users.add_UserEntered([&](std::uint16_t user) { heard.push_back({"entered", user}); });
    users.add_CalibrationStart([&](std::uint16_t user) { heard.push_back({"calibrating", user}); });
    users.add_CalibrationEnd([&](std::uint16_t user, bool success) {
        heard.push_back({success ? "calibrated" : "failed", user});
    });
    users.add_UserLeft([&](std::uint16_t user) { heard.push_back({"left", user}); });
    TrackEveryone();
    int bothTracked = 0;
    for (int frame = 0; frame < kLoopFrames; ++frame) {
        context->WaitAndUpdateAll();
        bothTracked += users.IsSkeletonTracking(1) && users.IsSkeletonTracking(2);
    }

    std::map<std::uint16_t, std::vector<std::string>> of;
    for (const Heard& h : heard) {
        of[h.user].push_back(h.what);
    }
    const std::vector<std::string> visit{"entered", "calibrating", "calibrated", "left"};
    EXPECT_EQ(of.size(), 2u);
    EXPECT_EQ(of[1], visit);
    EXPECT_EQ(of[2], visit);
    // User 2 comes while user 1 is still there.
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), (Heard{"entered", 1}));
    EXPECT_EQ(heard.back(), (Heard{"left", 2}));
    EXPECT_GT(bothTracked, 100);
}

TEST_F(UserGeneratorRuntimeTest, TrackedSkeletonPixelsAndCentreOfMassAgree) {
    TrackEveryone();
    ASSERT_TRUE(AdvanceUntil([&] { return users.IsSkeletonTracking(1); }));
    Advance(30);  // standing now

    std::array<SkeletonJoint, 32> active{};
    ASSERT_EQ(users.GetActiveJoints(active), 24);
    for (int i = 0; i < 24; ++i) {
        const SkeletonJoint joint = active[i];
        SCOPED_TRACE(static_cast<int>(joint));
        const std::optional<SkeletonJointTransform> transform = users.GetSkeletonJoint(1, joint);
        ASSERT_TRUE(transform.has_value());
        EXPECT_TRUE(transform->Position.Confidence == 1.0f || transform->Position.Confidence == 0.5f)
            << transform->Position.Confidence;
        EXPECT_GT(transform->Orientation.Confidence, 0.0f);
        EXPECT_EQ(transform->Confidence, 0.0f);
        EXPECT_GT(transform->Position.Position.Z, 1000.0f);
        const std::optional<SkeletonJointOrientation> orientation = users.GetSkeletonJointOrientation(1, joint);
        ASSERT_TRUE(orientation.has_value());
        EXPECT_EQ(orientation->Orientation.M22, transform->Orientation.Orientation.M22);
        // A rotation: its rows are unit vectors.
        const Matrix3x3& m = orientation->Orientation;
        EXPECT_NEAR(m.M11 * m.M11 + m.M12 * m.M12 + m.M13 * m.M13, 1.0f, 1e-3f);
    }
    const auto head = users.GetSkeletonJoint(1, SkeletonJoint::Head);
    const auto foot = users.GetSkeletonJoint(1, SkeletonJoint::LeftFoot);
    ASSERT_TRUE(head && foot);
    EXPECT_GT(head->Position.Position.Y - foot->Position.Position.Y, 1200.0f);

    // The user's pixels: same frame and resolution as the depth map, labelled with the id.
    const SceneMetaData pixels = users.GetUserPixels(1);
    ASSERT_NE(pixels.Map, 0u);
    ASSERT_NE(pixels.Labels, 0u);
    const XnMapMetaData& map = MapOf(pixels.Map);
    const MapOutputMode mode = depth.MapOutputMode();
    ASSERT_EQ(map.Res.X, mode.Width);
    ASSERT_EQ(map.Res.Y, mode.Height);
    EXPECT_EQ(map.pOutput->nFrameID, MapOf(depth.MetaData().Map).pOutput->nFrameID);
    const auto* labels = reinterpret_cast<const std::uint16_t*>(pixels.Labels);
    const std::uint16_t* depths = depth.Map();
    std::vector<Vector3> projective;
    for (std::uint32_t y = 0; y < mode.Height; ++y) {
        for (std::uint32_t x = 0; x < mode.Width; ++x) {
            const std::uint16_t label = labels[y * mode.Width + x];
            ASSERT_TRUE(label == 0 || label == 1) << label;
            if (label == 1) {
                projective.emplace_back(static_cast<float>(x), static_cast<float>(y),
                                        static_cast<float>(depths[y * mode.Width + x]));
            }
        }
    }
    ASSERT_GT(projective.size(), 1000u);

    // The centre of mass is the mean of the user's pixels in the real world.
    std::vector<Vector3> world(projective.size());
    depth.ConvertProjectiveToRealWorld(projective, static_cast<std::int32_t>(projective.size()), world);
    double sum[3] = {};
    for (const Vector3& point : world) {
        sum[0] += point.X;
        sum[1] += point.Y;
        sum[2] += point.Z;
    }
    const std::optional<Vector3> center = users.GetUserCenterOfMass(1);
    ASSERT_TRUE(center.has_value());
    const double n = static_cast<double>(world.size());
    EXPECT_NEAR(center->X, sum[0] / n, 5.0);
    EXPECT_NEAR(center->Y, sum[1] / n, 5.0);
    EXPECT_NEAR(center->Z, sum[2] / n, 5.0);

    // Nobody is user 9.
    EXPECT_FALSE(users.GetUserCenterOfMass(9).has_value());
    EXPECT_FALSE(users.GetSkeletonJoint(9, SkeletonJoint::Head).has_value());
    EXPECT_EQ(users.GetUserPixels(9).Labels, 0u);
}

TEST_F(UserGeneratorRuntimeTest, UsersJointsSmoothingAndTrackingControl) {
    TrackEveryone();
    ASSERT_TRUE(AdvanceUntil([&] { return users.IsSkeletonTracking(1) && users.Count() == 2; }));

    std::array<std::uint16_t, 4> ids{0, 0, 77, 77};
    EXPECT_EQ(users.GetUsers(ids), 2);
    EXPECT_EQ(ids, (std::array<std::uint16_t, 4>{1, 2, 77, 77}));
    std::array<std::uint16_t, 1> one{};
    EXPECT_THROW((void)users.GetUsers(one), std::runtime_error) << "the framework's overflow status is thrown";

    std::array<SkeletonJoint, 24> joints{};
    ASSERT_EQ(users.GetActiveJoints(joints), 24);
    EXPECT_EQ(joints[0], SkeletonJoint::Head);
    users.SetJointActive(SkeletonJoint::Head, false);
    EXPECT_EQ(users.GetActiveJoints(joints), 23);
    EXPECT_FALSE(users.GetSkeletonJoint(1, SkeletonJoint::Head).has_value());
    users.SetJointActive(SkeletonJoint::Head, true);
    EXPECT_TRUE(users.GetSkeletonJoint(1, SkeletonJoint::Head).has_value());
    std::array<SkeletonJoint, 3> three{};
    EXPECT_THROW((void)users.GetActiveJoints(three), std::runtime_error);

    users.SetSkeletonSmoothing(0.5f);
    users.SetSkeletonSmoothing(0.0f);
    EXPECT_THROW(users.SetSkeletonSmoothing(1.5f), std::runtime_error);

    users.StopSkeletonTracking(1);
    EXPECT_FALSE(users.IsSkeletonTracking(1));
    EXPECT_FALSE(users.GetSkeletonJoint(1, SkeletonJoint::Torso).has_value());
    users.StartSkeletonTracking(1);  // still calibrated
    EXPECT_TRUE(users.IsSkeletonTracking(1));
    users.ResetSkeleton(1);
    EXPECT_FALSE(users.IsSkeletonTracking(1));
    EXPECT_THROW(users.StartSkeletonTracking(1), std::runtime_error) << "no longer calibrated";
    EXPECT_THROW(users.RequestSkeletonCalibration(9, false), std::runtime_error);
}

TEST_F(UserGeneratorRuntimeTest, FindAfterDisposalGivesANewObjectThatHearsTheNode) {
    std::vector<std::uint16_t> old;
    users.add_UserEntered([&](std::uint16_t user) { old.push_back(user); });
    users.Dispose();
    EXPECT_THROW((void)users.Count(), std::runtime_error);

    UserGenerator again = UserGenerator::Find(context);
    UserGenerator second = UserGenerator::Find(context);
    std::vector<std::uint16_t> heard;
    std::vector<std::uint16_t> heardBySecond;
    again.add_UserEntered([&](std::uint16_t user) { heard.push_back(user); });
    second.add_UserEntered([&](std::uint16_t user) { heardBySecond.push_back(user); });
    ASSERT_TRUE(AdvanceUntil([&] { return again.Count() == 2; }));
    EXPECT_EQ(heard, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(heardBySecond, heard);
    EXPECT_TRUE(old.empty()) << "a disposed object is no longer fed";

    // Disposing one leaves the other registered.
    second.Dispose();
    std::vector<std::uint16_t> left;
    again.add_UserLeft([&](std::uint16_t user) { left.push_back(user); });
    ASSERT_TRUE(AdvanceUntil([&] { return again.Count() == 0; }));
    EXPECT_EQ(left, (std::vector<std::uint16_t>{1, 2}));
}

TEST_F(UserGeneratorRuntimeTest, AUserGeneratorMayOutliveItsContext) {
    TrackEveryone();
    std::vector<std::uint16_t> heard;
    users.add_UserEntered([&](std::uint16_t user) { heard.push_back(user); });
    UserGenerator alsoFound = UserGenerator::Find(context);
    ASSERT_TRUE(AdvanceUntil([&] { return users.IsSkeletonTracking(1); }));
    context->Dispose();  // frees the node and its registrations
    EXPECT_THROW((void)users.Count(), std::runtime_error);
    EXPECT_THROW((void)users.GetSkeletonJoint(1, SkeletonJoint::Head), std::runtime_error);
    users.Dispose();
    EXPECT_EQ(heard, std::vector<std::uint16_t>{1});
}  // alsoFound is disposed by its destructor after the shutdown

TEST_F(UserGeneratorRuntimeTest, ASubscriberMayDisposeOrDestroyItsObject) {
    // Inside the framework's own notification: its registration goes while
    // the framework is walking its callbacks.
    std::vector<std::uint16_t> heard;
    users.add_UserEntered([&](std::uint16_t user) {
        heard.push_back(user);
        users.Dispose();
    });
    auto owned = std::make_unique<UserGenerator>(UserGenerator::Find(context));
    owned->add_UserEntered([&](std::uint16_t user) {
        heard.push_back(user + 100);
        owned.reset();
    });
    UserGenerator bystander = UserGenerator::Find(context);
    std::vector<std::uint16_t> bystanderHeard;
    bystander.add_UserEntered([&](std::uint16_t user) { bystanderHeard.push_back(user); });
    ASSERT_TRUE(AdvanceUntil([&] { return bystander.Count() == 2; }));
    EXPECT_TRUE(users.IsDisposed());
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(heard, (std::vector<std::uint16_t>{1, 101}));
    EXPECT_EQ(bystanderHeard, (std::vector<std::uint16_t>{1, 2}));
}

TEST(UserGeneratorCreationTest, AUserNodeIsCreatedInAPlainContext) {
    ModuleRegistry registry{{VirtualSensorModule()}};
    auto context = Context::Create();
    DepthGenerator depth(context);
    ErrorCollection errors;
    UserGenerator users(context, &errors);
    EXPECT_TRUE(users.IsCapabilitySupported(Capability::UserSkeleton));
    ASSERT_EQ(context->Start(), Status::Ok);
    context->WaitAndUpdateAll();
    EXPECT_EQ(users.Count(), 0);
}

TEST(UserGeneratorCreationTest, WithoutAUserNodeFindAndCreationThrow) {
    ModuleRegistry registry{{SampleModule()}};
    auto context = Context::Create();
    EXPECT_THROW((void)UserGenerator::Find(context), std::runtime_error);
    ErrorCollection errors;
    EXPECT_THROW(UserGenerator users(context, &errors), std::runtime_error);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
