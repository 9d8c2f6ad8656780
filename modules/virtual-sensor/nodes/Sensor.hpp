// What the nodes of one context share: the simulated scene, its settings,
// its clock and the frames already drawn.
#pragma once

#include <XnTypes.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Renderer.hpp"
#include "Timeline.hpp"

namespace Orvo::VirtualSensor {

/// Property names every node of ours answers; they configure the shared sensor.
namespace Property {
inline constexpr std::string_view kScenario = "Scenario";          // string
inline constexpr std::string_view kSeed = "Seed";                  // int
inline constexpr std::string_view kPacing = "Pacing";              // string
inline constexpr std::string_view kLoopDuration = "LoopDuration";  // int, microseconds, read only
}  // namespace Property

enum class Pacing {
    RealTime,     ///< frames come at the output mode's rate
    FreeRunning,  ///< every update brings the next frame at once
};

std::optional<Pacing> PacingFromName(std::string_view name);
std::string_view NameOf(Pacing pacing);

/// One simulated device per context: every node of ours created in the same
/// context sees the same room, so depth, image, users and labels agree
/// whichever node a setting was configured on.
class Sensor {
public:
    using Clock = std::chrono::steady_clock;

    static std::shared_ptr<Sensor> ForContext(XnContext* context);

    [[nodiscard]] SceneSettings Scene() const;
    void SetScene(const SceneSettings& settings);
    [[nodiscard]] std::shared_ptr<const Timeline> CurrentTimeline() const;
    /// The timeline of `settings`: the current one, or one kept for a
    /// recording made with other settings.
    [[nodiscard]] std::shared_ptr<const Timeline> TimelineOf(const SceneSettings& settings);

    /// Tells a recorder of the node called `node` the scene settings now and
    /// whenever they change, until removed.
    void AddListener(const std::string& node, XnNodeNotifications* notifications, void* cookie);
    void RemoveListeners(const std::string& node);

    [[nodiscard]] Pacing CurrentPacing() const;
    void SetPacing(Pacing pacing);

    /// Sensor time in microseconds, started by the first call.
    [[nodiscard]] std::uint64_t Now();
    [[nodiscard]] Clock::time_point WallTimeOf(std::uint64_t sensorTime);
    /// Records that a frame of `timestamp` went out, so that switching to real
    /// time carries on from there instead of jumping.
    void Delivered(std::uint64_t timestamp);

    /// The room at `timestamp` seen by `camera`; frames are shared between the
    /// nodes that ask for the same one.
    [[nodiscard]] std::shared_ptr<const Frame> Render(std::uint64_t timestamp, const Camera& camera, bool colour);
    /// The same for a room of other settings than the sensor's own.
    [[nodiscard]] std::shared_ptr<const Frame> Render(const Timeline& timeline, std::uint64_t timestamp,
                                                      const Camera& camera, bool colour);

private:
    struct Listener {
        std::string node;
        XnNodeNotifications* notifications;
        void* cookie;
    };
    static void Tell(const Listener& listener, const SceneSettings& settings);

    struct Drawn {
        SceneSettings settings;
        std::uint64_t timestamp;
        Camera camera;
        bool colour;
        std::shared_ptr<const Frame> frame;
    };
    struct CameraRenderer {
        Camera camera;
        std::unique_ptr<Renderer> renderer;
    };

    mutable std::mutex mutex;
    SceneSettings scene;
    std::shared_ptr<const Timeline> timeline = std::make_shared<Timeline>(SceneSettings{});
    std::vector<Listener> listeners;
    std::shared_ptr<const Timeline> other;  ///< the last timeline asked for with other settings
    Pacing pacing = Pacing::RealTime;
    std::optional<Clock::time_point> start;
    std::uint64_t latest = 0;

    std::mutex renderMutex;
    std::vector<Drawn> drawn;
    std::vector<CameraRenderer> renderers;
    /// Cameras whose frames were once wanted in colour: a depth camera moved
    /// onto the image camera draws its frames in colour from then on, so that
    /// the image node finds them drawn.
    std::vector<Camera> coloured;
};

}  // namespace Orvo::VirtualSensor
