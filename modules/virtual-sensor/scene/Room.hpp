// The fixed geometry of the simulated sensor and room.
#pragma once

#include <cstdint>

#include "Geometry.hpp"

namespace Orvo::VirtualSensor {

/// The optics of a PrimeSense-like sensor: both cameras share the field of
/// view; the image camera sits a baseline to the right of the depth camera.
struct Optics {
    static constexpr double kHorizontalFov = 1.0144686707507438;  // radians, about 58 degrees
    static constexpr double kVerticalFov = 0.78980943449644714;   // radians, about 45 degrees
    static constexpr double kBaseline = 25.0;                     // millimetres
    static constexpr std::uint16_t kMaxDepth = 10000;             // millimetres
};

/// A level sensor 0.9 m above a floor, facing a back wall 4.5 m away.
struct Room {
    static constexpr double kCameraHeight = 900.0;
    static constexpr double kWallDistance = 4500.0;
    static constexpr double kTileSize = 500.0;

    static constexpr Vec3 DepthCameraPosition() { return {0.0, kCameraHeight, 0.0}; }
    static constexpr Vec3 ImageCameraPosition() { return {Optics::kBaseline, kCameraHeight, 0.0}; }
};

}  // namespace Orvo::VirtualSensor
