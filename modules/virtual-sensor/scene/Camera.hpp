// A pinhole camera of the simulated sensor, with the framework's projective
// convention: pixel (u, v) looks along ((u / width - 0.5) * XToZ, (0.5 - v / height) * YToZ, 1).
#pragma once

#include <cmath>
#include <cstdint>

#include "Geometry.hpp"
#include "Room.hpp"

namespace Orvo::VirtualSensor {

struct Camera {
    std::uint32_t width = 640;
    std::uint32_t height = 480;
    double horizontalFov = Optics::kHorizontalFov;
    double verticalFov = Optics::kVerticalFov;
    Vec3 position = Room::DepthCameraPosition();  ///< in the room's frame
    bool mirror = false;                          ///< flips the picture left to right

    bool operator==(const Camera&) const = default;

    [[nodiscard]] double XToZ() const { return 2.0 * std::tan(horizontalFov / 2.0); }
    [[nodiscard]] double YToZ() const { return 2.0 * std::tan(verticalFov / 2.0); }

    /// The real-world coordinates (millimetres, relative to the camera, X
    /// flipped when mirrored) of a point of the room, and back.
    [[nodiscard]] Vec3 ToRealWorld(Vec3 room) const { return Flip(room - position); }
    [[nodiscard]] Vec3 FromRealWorld(Vec3 realWorld) const { return Flip(realWorld) + position; }
    [[nodiscard]] Vec3 DirectionToRealWorld(Vec3 direction) const { return Flip(direction); }
    /// A rotation seen in real-world coordinates; a mirror keeps it a rotation.
    [[nodiscard]] Mat3 ToRealWorld(const Mat3& rotation) const {
        if (!mirror) {
            return rotation;
        }
        return {-Flip(rotation.x), Flip(rotation.y), Flip(rotation.z)};
    }

    /// (u, v, Z) of a real-world point, and back.
    [[nodiscard]] Vec3 ToProjective(Vec3 realWorld) const {
        return {(realWorld.x / (realWorld.z * XToZ()) + 0.5) * width,
                (0.5 - realWorld.y / (realWorld.z * YToZ())) * height, realWorld.z};
    }
    [[nodiscard]] Vec3 FromProjective(double u, double v, double z) const {
        return {(u / width - 0.5) * z * XToZ(), (0.5 - v / height) * z * YToZ(), z};
    }

private:
    [[nodiscard]] Vec3 Flip(Vec3 v) const { return mirror ? Vec3{-v.x, v.y, v.z} : v; }
};

}  // namespace Orvo::VirtualSensor
