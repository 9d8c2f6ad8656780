// People of simple solids around a 24-joint skeleton.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Geometry.hpp"

namespace Orvo::VirtualSensor {

/// The joints, numbered as the framework numbers them (head 1 ... right foot 24).
/// "Left" is the person's own left.
enum class Joint : int {
    Head = 1,
    Neck,
    Torso,
    Waist,
    LeftCollar,
    LeftShoulder,
    LeftElbow,
    LeftWrist,
    LeftHand,
    LeftFingertip,
    RightCollar,
    RightShoulder,
    RightElbow,
    RightWrist,
    RightHand,
    RightFingertip,
    LeftHip,
    LeftKnee,
    LeftAnkle,
    LeftFoot,
    RightHip,
    RightKnee,
    RightAnkle,
    RightFoot,
};
inline constexpr int kFirstJoint = 1;
inline constexpr int kLastJoint = 24;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

/// What a surface is made of; people's materials are never grey, the room's
/// always are, so an image tells people from the room by colour alone.
enum class Material : std::uint8_t { Wall, FloorLight, FloorDark, Skin, Shirt, Trousers, Shoes };

struct Appearance {
    Rgb skin{224, 172, 120};
    Rgb shirt{200, 40, 40};
    Rgb trousers{40, 60, 140};
    Rgb shoes{90, 50, 20};
};

struct Solid {
    enum class Kind : std::uint8_t { Sphere, Capsule };
    Kind kind = Kind::Sphere;
    Vec3 a;  ///< the centre of a sphere, one end of a capsule's axis
    Vec3 b;  ///< the other end of a capsule's axis
    double radius = 0.0;
    Material material = Material::Skin;
};

/// Where a body is and what it does. Positions are in the room's frame:
/// millimetres, origin on the floor under the depth camera, X to the camera's
/// right, Y up, Z away from the camera.
struct BodyPose {
    Vec3 ground;              ///< the point on the floor under the pelvis
    Vec3 facing{0, 0, -1};    ///< horizontal unit vector the body faces
    double gaitPhase = 0.0;   ///< radians along the walking cycle
    double gaitAmount = 0.0;  ///< 0 standing still, 1 walking
};

struct Skeleton {
    std::array<Vec3, kLastJoint + 1> position{};     ///< indexed by Joint; [0] unused
    std::array<Mat3, kLastJoint + 1> orientation{};  ///< Y along the bone towards the body, Z backwards
};

struct Body {
    Skeleton skeleton;
    std::vector<Solid> solids;
};

/// The skeleton and solids of a person `height` millimetres tall in `pose`.
/// Every joint lies inside one of the solids, and no solid comes closer than
/// 20 mm to the floor.
Body PoseBody(double height, const BodyPose& pose);

}  // namespace Orvo::VirtualSensor
