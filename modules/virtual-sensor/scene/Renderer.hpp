// Draws the room and its people as a depth camera and a colour camera see them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Camera.hpp"
#include "Timeline.hpp"

namespace Orvo::VirtualSensor {

struct Frame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint16_t> depth;   ///< millimetres along the optical axis; 0 where nothing is in range
    std::vector<std::uint16_t> labels;  ///< the id of the person seen at each pixel; 0 for the room
    std::vector<std::uint8_t> rgb;      ///< RGB24, filled only when asked for
};

/// A frame of the given size in which nothing is seen: depth, labels and
/// colour all zero. What a node hands out before its first picture.
std::shared_ptr<const Frame> BlankFrame(std::uint32_t width, std::uint32_t height);

/// Renders by casting the ray of each pixel; keeps per-camera tables (rays,
/// the empty room) between frames, so a renderer per node is cheapest.
class Renderer {
public:
    void Render(const std::vector<PersonInView>& people, const Camera& camera, bool colour, Frame& frame);

private:
    void Prepare(const Camera& camera, bool colour);

    Camera prepared;
    bool ready = false;
    bool roomColoured = false;
    std::vector<Vec3> rays;  ///< unit directions, real-world frame
    std::vector<double> roomZ;
    std::vector<std::uint16_t> roomDepth;
    std::vector<std::uint8_t> roomRgb;
    std::vector<double> zBuffer;
    std::vector<std::int32_t> hits;
};

/// The depth value of a surface at `z` millimetres: rounded, 0 beyond range.
std::uint16_t QuantizeDepth(double z);

}  // namespace Orvo::VirtualSensor
