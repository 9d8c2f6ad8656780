// A node that draws frames of its own camera: the depth and image nodes.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "Camera.hpp"
#include "Node.hpp"

namespace Orvo::VirtualSensor {

/// Frame k has timestamp base + (k - baseIndex) seconds / fps; a change of
/// rate moves the base to the current frame so that time never goes back.
struct FrameClock {
    std::uint64_t baseIndex = 0;
    std::uint64_t baseTimestamp = 0;
    std::uint32_t fps = 30;
    std::optional<std::uint64_t> current;

    [[nodiscard]] std::uint64_t TimestampOf(std::uint64_t index) const {
        return baseTimestamp + (index - baseIndex) * 1'000'000 / fps;
    }
    /// The last frame due at sensor time `now`, if any.
    [[nodiscard]] std::optional<std::uint64_t> DueAt(std::uint64_t now) const {
        if (now < baseTimestamp) {
            return std::nullopt;
        }
        return baseIndex + (now - baseTimestamp) * fps / 1'000'000;
    }
    void ChangeRate(std::uint32_t rate) {
        if (current) {
            baseTimestamp = TimestampOf(*current);
            baseIndex = *current;
        }
        fps = rate;
    }
};

class SourceNode : public MapGenerator {
public:
    SourceNode(XnContext* context, std::string name);
    ~SourceNode() override;

    XnStatus StartGenerating() override;
    void StopGenerating() override;
    bool IsNewDataAvailable(XnUInt64& timestamp) override;
    XnStatus UpdateData() override;
    XnStatus SetMode(const XnMapOutputMode& mode) override;
    [[nodiscard]] XnMapOutputMode Mode() const override;
    [[nodiscard]] bool SupportsMirror() const override { return true; }
    /// The recorder hears of the scene settings from the cameras, the nodes it records.
    [[nodiscard]] bool IsCapabilitySupported(std::string_view capability) const override;

protected:
    /// Draws the frame of `timestamp` with the current settings.
    virtual void Produce(std::uint64_t timestamp) = 0;

private:
    std::optional<std::uint64_t> NextFrame();
    void Pace();
    void StopPacing();

    mutable std::mutex clockMutex;
    FrameClock clock;
    XnMapOutputMode mode = CameraModes().front();

    // Real-time pacing: a thread that announces each frame when it is due.
    std::mutex pacerMutex;
    std::condition_variable pacerWake;
    bool pacerStop = false;
    bool pacerPoked = false;
    std::thread pacer;
};

}  // namespace Orvo::VirtualSensor
