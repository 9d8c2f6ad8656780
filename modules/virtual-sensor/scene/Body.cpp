#include "Body.hpp"

#include <algorithm>
#include <numbers>

namespace Orvo::VirtualSensor {

namespace {

constexpr double kReferenceHeight = 1750.0;

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

/// The body's own frame: left, up and forward, at the floor under the pelvis.
struct BodyFrame {
    Vec3 ground;
    Vec3 left;
    Vec3 up{0, 1, 0};
    Vec3 forward;
    double scale = 1.0;

    [[nodiscard]] Vec3 At(double l, double u, double f) const {
        return ground + (left * l + up * u + forward * f) * scale;
    }
    /// A limb's direction hanging down, swung forward by `swing` and out to
    /// the `side` (+1 left, -1 right) by `spread`.
    [[nodiscard]] Vec3 Limb(double swing, double spread, double side) const {
        return -up * (std::cos(swing) * std::cos(spread)) + forward * (std::sin(swing) * std::cos(spread)) +
               left * (side * std::sin(spread));
    }
    [[nodiscard]] Mat3 Upright() const { return {left, up, -forward}; }
    [[nodiscard]] Mat3 Along(Vec3 bone) const { return FrameAlong(bone, -forward, left); }
};

void Add(Body& body, Solid::Kind kind, Vec3 a, Vec3 b, double radius, Material material) {
    body.solids.push_back({kind, a, b, radius, material});
}

void PoseArm(Body& body, const BodyFrame& frame, double side, double swing, double bend) {
    using enum Joint;
    const bool left = side > 0;
    const auto index = [](Joint joint) { return static_cast<int>(joint); };
    auto& position = body.skeleton.position;
    auto& orientation = body.skeleton.orientation;
    const Joint collar = left ? LeftCollar : RightCollar;
    const Joint shoulder = left ? LeftShoulder : RightShoulder;
    const Joint elbow = left ? LeftElbow : RightElbow;
    const Joint wrist = left ? LeftWrist : RightWrist;
    const Joint hand = left ? LeftHand : RightHand;
    const Joint fingertip = left ? LeftFingertip : RightFingertip;
    const double spread = Radians(8.0);

    position[index(collar)] = frame.At(side * 85.0, 1445.0, 0.0);
    position[index(shoulder)] = frame.At(side * 175.0, 1435.0, 0.0);
    const Vec3 upper = frame.Limb(swing, spread, side);
    const Vec3 lower = frame.Limb(swing + bend, spread, side);
    position[index(elbow)] = position[index(shoulder)] + upper * (300.0 * frame.scale);
    position[index(wrist)] = position[index(elbow)] + lower * (255.0 * frame.scale);
    position[index(hand)] = position[index(wrist)] + lower * (75.0 * frame.scale);
    position[index(fingertip)] = position[index(wrist)] + lower * (170.0 * frame.scale);

    orientation[index(collar)] = frame.Upright();
    orientation[index(shoulder)] = frame.Along(position[index(shoulder)] - position[index(elbow)]);
    orientation[index(elbow)] = frame.Along(position[index(elbow)] - position[index(wrist)]);
    orientation[index(wrist)] = orientation[index(elbow)];
    orientation[index(hand)] = orientation[index(elbow)];
    orientation[index(fingertip)] = orientation[index(elbow)];

    const double s = frame.scale;
    Add(body, Solid::Kind::Capsule, position[index(shoulder)], position[index(elbow)], 45.0 * s, Material::Shirt);
    Add(body, Solid::Kind::Capsule, position[index(elbow)], position[index(wrist)], 40.0 * s, Material::Skin);
    Add(body, Solid::Kind::Capsule, position[index(wrist)], position[index(fingertip)], 38.0 * s, Material::Skin);
}

void PoseLeg(Body& body, const BodyFrame& frame, double side, double swing, double bend) {
    using enum Joint;
    const bool left = side > 0;
    const auto index = [](Joint joint) { return static_cast<int>(joint); };
    auto& position = body.skeleton.position;
    auto& orientation = body.skeleton.orientation;
    const Joint hip = left ? LeftHip : RightHip;
    const Joint knee = left ? LeftKnee : RightKnee;
    const Joint ankle = left ? LeftAnkle : RightAnkle;
    const Joint foot = left ? LeftFoot : RightFoot;

    position[index(hip)] = frame.At(side * 95.0, 925.0, 0.0);
    position[index(knee)] = position[index(hip)] + frame.Limb(swing, 0.0, side) * (430.0 * frame.scale);
    // The knee only bends backwards, which lifts the ankle: the feet never go
    // lower than when standing.
    position[index(ankle)] = position[index(knee)] + frame.Limb(swing - bend, 0.0, side) * (420.0 * frame.scale);
    position[index(foot)] = position[index(ankle)] + (frame.forward * 130.0 - frame.up * 12.0) * frame.scale;

    orientation[index(hip)] = frame.Along(position[index(hip)] - position[index(knee)]);
    orientation[index(knee)] = frame.Along(position[index(knee)] - position[index(ankle)]);
    orientation[index(ankle)] = orientation[index(knee)];
    orientation[index(foot)] = frame.Upright();

    const double s = frame.scale;
    Add(body, Solid::Kind::Capsule, position[index(hip)], position[index(knee)], 70.0 * s, Material::Trousers);
    Add(body, Solid::Kind::Capsule, position[index(knee)], position[index(ankle)], 50.0 * s, Material::Trousers);
    Add(body, Solid::Kind::Capsule, position[index(ankle)], position[index(foot)], 38.0 * s, Material::Shoes);
}

}  // namespace

Body PoseBody(double height, const BodyPose& pose) {
    using enum Joint;
    BodyFrame frame;
    frame.ground = {pose.ground.x, 0.0, pose.ground.z};
    frame.forward = Normalized(Vec3{pose.facing.x, 0.0, pose.facing.z});
    frame.left = {-frame.forward.z, 0.0, frame.forward.x};
    frame.scale = height / kReferenceHeight;
    const double s = frame.scale;

    Body body;
    body.solids.reserve(20);
    auto& position = body.skeleton.position;
    auto& orientation = body.skeleton.orientation;
    const auto index = [](Joint joint) { return static_cast<int>(joint); };

    position[index(Head)] = frame.At(0.0, 1630.0, 0.0);
    position[index(Neck)] = frame.At(0.0, 1490.0, 0.0);
    position[index(Torso)] = frame.At(0.0, 1200.0, 0.0);
    position[index(Waist)] = frame.At(0.0, 1000.0, 0.0);
    for (Joint joint : {Head, Neck, Torso, Waist}) {
        orientation[index(joint)] = frame.Upright();
    }
    Add(body, Solid::Kind::Sphere, position[index(Head)], {}, 105.0 * s, Material::Skin);
    Add(body, Solid::Kind::Capsule, frame.At(0.0, 1330.0, 0.0), position[index(Head)], 55.0 * s, Material::Skin);
    Add(body, Solid::Kind::Capsule, frame.At(60.0, 1000.0, 0.0), frame.At(60.0, 1330.0, 0.0), 110.0 * s,
        Material::Shirt);
    Add(body, Solid::Kind::Capsule, frame.At(-60.0, 1000.0, 0.0), frame.At(-60.0, 1330.0, 0.0), 110.0 * s,
        Material::Shirt);
    Add(body, Solid::Kind::Capsule, frame.At(175.0, 1435.0, 0.0), frame.At(-175.0, 1435.0, 0.0), 60.0 * s,
        Material::Shirt);
    Add(body, Solid::Kind::Capsule, frame.At(95.0, 925.0, 0.0), frame.At(-95.0, 925.0, 0.0), 110.0 * s,
        Material::Trousers);

    const double gait = std::clamp(pose.gaitAmount, 0.0, 1.0);
    const double wave = std::sin(pose.gaitPhase);
    const double lift = std::cos(pose.gaitPhase);
    const double legSwing = Radians(22.0) * gait * wave;
    const double armSwing = Radians(18.0) * gait * wave;
    const double elbowBend = Radians(12.0 + 15.0 * gait);
    PoseArm(body, frame, +1.0, -armSwing, elbowBend);
    PoseArm(body, frame, -1.0, +armSwing, elbowBend);
    PoseLeg(body, frame, +1.0, +legSwing, Radians(30.0) * gait * (0.5 + 0.5 * lift));
    PoseLeg(body, frame, -1.0, -legSwing, Radians(30.0) * gait * (0.5 - 0.5 * lift));
    return body;
}

}  // namespace Orvo::VirtualSensor
