// How the user and scene nodes read the depth node they stand on.
#pragma once

#include <XnTypes.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "Camera.hpp"
#include "Timeline.hpp"

namespace Orvo::VirtualSensor {

/// Reads the depth node through the framework's calls only, so that it
/// follows any depth node: ours, or a player's playing back a recording of
/// ours. Everything a user or scene node shows is drawn for the depth frame's
/// own timestamp and camera (resolution, field of view, mirror, viewpoint).
class DepthFollower {
public:
    /// Takes over a reference to `depth`.
    DepthFollower(XnContext* context, XnNodeHandle depth);
    ~DepthFollower();
    DepthFollower(const DepthFollower&) = delete;
    DepthFollower& operator=(const DepthFollower&) = delete;

    struct View {
        std::uint64_t timestamp = 0;
        XnUInt32 frameId = 0;
        XnUInt32 fps = 0;
        Camera camera;
        const XnDepthPixel* depth = nullptr;  ///< camera.width x camera.height, or null
        /// The room's settings as the depth node tells them: ours, or a
        /// recording's; none from a depth node that does not know them.
        std::optional<SceneSettings> settings;
    };

    /// Whether the depth node has a frame not yet taken, now or after its update.
    bool HasNewFrame(XnUInt64& timestamp) const;
    /// The depth node's current frame, unless it was taken already.
    std::optional<View> TakeFrame();
    [[nodiscard]] XnMapOutputMode DepthMode() const;

private:
    [[nodiscard]] std::pair<XnUInt32, XnUInt64> Current() const;
    [[nodiscard]] bool SeenFromImageCamera() const;
    [[nodiscard]] std::optional<SceneSettings> Settings() const;

    XnContext* context;
    XnNodeHandle depth;
    XnDepthMetaData* metaData;
    std::optional<std::pair<XnUInt32, XnUInt64>> taken;
};

}  // namespace Orvo::VirtualSensor
