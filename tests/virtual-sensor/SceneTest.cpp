// The simulated scene on its own: the script of the loop and the bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Camera.hpp"
#include "Timeline.hpp"

namespace Orvo::VirtualSensor {
namespace {

double DistanceToSolid(Vec3 p, const Solid& solid) {
    if (solid.kind == Solid::Kind::Sphere) {
        return Length(p - solid.a) - solid.radius;
    }
    const Vec3 ab = solid.b - solid.a;
    const double t = std::clamp(Dot(p - solid.a, ab) / Dot(ab, ab), 0.0, 1.0);
    return Length(p - (solid.a + ab * t)) - solid.radius;
}

double Determinant(const Mat3& m) {
    return Dot(m.x, Cross(m.y, m.z));
}

void ExpectRotation(const Mat3& m) {
    for (Vec3 axis : {m.x, m.y, m.z}) {
        EXPECT_NEAR(Length(axis), 1.0, 1e-9);
    }
    EXPECT_NEAR(Dot(m.x, m.y), 0.0, 1e-9);
    EXPECT_NEAR(Dot(m.y, m.z), 0.0, 1e-9);
    EXPECT_NEAR(Dot(m.x, m.z), 0.0, 1e-9);
    EXPECT_NEAR(Determinant(m), 1.0, 1e-9);
}

/// Every 100 ms of the loop, for a few seeds.
template <class Check>
void ForEachPersonOverTheLoop(Check check) {
    for (std::uint64_t seed : {0, 1, 2, 3, 42}) {
        const Timeline timeline({Scenario::TwoPeople, seed});
        for (std::uint64_t t = 0; t < timeline.LoopDuration(); t += 100'000) {
            for (const PersonInView& person : timeline.PeopleAt(t)) {
                check(person, seed, t);
            }
        }
    }
}

TEST(BodyTest, EveryJointLiesInsideTheBodyAndNoSolidTouchesTheFloor) {
    int people = 0;
    ForEachPersonOverTheLoop([&](const PersonInView& person, std::uint64_t seed, std::uint64_t t) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " at " + std::to_string(t) + " us, person " +
                     std::to_string(person.id));
        ++people;
        for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
            double nearest = 1e9;
            for (const Solid& solid : person.body.solids) {
                nearest = std::min(nearest, DistanceToSolid(person.body.skeleton.position[joint], solid));
            }
            // Well inside: a pixel's ray through the joint meets the body in front of it.
            EXPECT_LT(nearest, -30.0) << "joint " << joint;
            ExpectRotation(person.body.skeleton.orientation[joint]);
        }
        for (const Solid& solid : person.body.solids) {
            const double lowest =
                (solid.kind == Solid::Kind::Sphere ? solid.a.y : std::min(solid.a.y, solid.b.y)) - solid.radius;
            EXPECT_GE(lowest, 20.0);
        }
    });
    EXPECT_GT(people, 1000);
}

TEST(BodyTest, MirroredOrientationsStayRotations) {
    Camera camera;
    camera.mirror = true;
    ForEachPersonOverTheLoop([&](const PersonInView& person, std::uint64_t, std::uint64_t) {
        for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
            ExpectRotation(camera.ToRealWorld(person.body.skeleton.orientation[joint]));
        }
    });
}

TEST(TimelineTest, TheDefaultLoopHasOverlappingVisitsWithinThirtySeconds) {
    const Timeline timeline({});
    EXPECT_LE(timeline.LoopDuration(), 30'000'000u);
    ASSERT_EQ(timeline.Visits().size(), 2u);
    for (const Visit& visit : timeline.Visits()) {
        EXPECT_GT(visit.enter, 0.0);
        EXPECT_LT(visit.enter, visit.Arrival());
        EXPECT_LT(visit.Arrival(), visit.Departure());
        EXPECT_LT(visit.Departure(), visit.exit);
        EXPECT_LT(visit.exit, timeline.LoopDuration() / 1e6);
    }
    const Visit& a = timeline.Visits()[0];
    const Visit& b = timeline.Visits()[1];
    // Long enough together for both to be calibrated and tracked at once.
    EXPECT_GT(std::min(a.exit, b.exit) - std::max(a.enter, b.enter), 5.0);
}

TEST(TimelineTest, IsAFunctionOfSettingsAndTimeThatLoops) {
    const SceneSettings settings{Scenario::TwoPeople, 9};
    const Timeline one(settings);
    const Timeline two(settings);
    const std::uint64_t loop = one.LoopDuration();
    for (std::uint64_t t : {0ull, 1'000'000ull, 8'000'000ull, 15'500'000ull}) {
        EXPECT_EQ(one.PresentAt(t), two.PresentAt(t));
        EXPECT_EQ(one.PresentAt(t), one.PresentAt(t + 3 * loop));
        const auto now = one.PeopleAt(t);
        const auto later = two.PeopleAt(t + loop);
        ASSERT_EQ(now.size(), later.size());
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_EQ(now[i].body.skeleton.position, later[i].body.skeleton.position);
        }
    }
    EXPECT_EQ(one.PresentAt(8'000'000), (std::vector<std::uint16_t>{1, 2}));
    const Timeline other({Scenario::TwoPeople, 10});
    EXPECT_NE(one.Visits()[0].place, other.Visits()[0].place);
}

TEST(TimelineTest, ScenariosHaveTheirNamesAndPeople) {
    struct Case {
        const char* name;
        std::size_t people;
    };
    for (const Case& c : {Case{"TwoPeople", 2}, Case{"OnePerson", 1}, Case{"Empty", 0}}) {
        const auto scenario = ScenarioFromName(c.name);
        ASSERT_TRUE(scenario.has_value()) << c.name;
        EXPECT_EQ(NameOf(*scenario), c.name);
        EXPECT_EQ(Timeline({*scenario, 0}).Visits().size(), c.people);
    }
    EXPECT_FALSE(ScenarioFromName("twopeople").has_value());
}

TEST(CameraTest, ProjectiveAndRealWorldAreInverse) {
    for (bool mirror : {false, true}) {
        Camera camera;
        camera.width = 320;
        camera.height = 240;
        camera.mirror = mirror;
        const Vec3 real = camera.FromProjective(17.0, 201.0, 2345.0);
        const Vec3 back = camera.ToProjective(real);
        EXPECT_NEAR(back.x, 17.0, 1e-9);
        EXPECT_NEAR(back.y, 201.0, 1e-9);
        EXPECT_EQ(back.z, 2345.0);
        const Vec3 room{300.0, 1200.0, 2500.0};
        EXPECT_NEAR(Length(camera.FromRealWorld(camera.ToRealWorld(room)) - room), 0.0, 1e-9);
        EXPECT_EQ(camera.ToRealWorld(room).x, mirror ? -300.0 : 300.0);
    }
}

}  // namespace
}  // namespace Orvo::VirtualSensor
