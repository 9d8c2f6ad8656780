#include "Source.hpp"

#include <chrono>

namespace Orvo::VirtualSensor {

SourceNode::SourceNode(XnContext* context, std::string name) : MapGenerator(context, std::move(name)) {}

SourceNode::~SourceNode() {
    StopPacing();
}

bool SourceNode::IsCapabilitySupported(std::string_view capability) const {
    return capability == XN_CAPABILITY_EXTENDED_SERIALIZATION || MapGenerator::IsCapabilitySupported(capability);
}

XnStatus SourceNode::StartGenerating() {
    if (IsGenerating()) {
        return XN_STATUS_OK;
    }
    (void)TheSensor().Now();  // the sensor's clock starts with its first node
    {
        std::lock_guard lock(pacerMutex);
        pacerStop = false;
    }
    generating = true;
    pacer = std::thread([this] { Pace(); });
    generationRunning.Fire();
    return XN_STATUS_OK;
}

void SourceNode::StopGenerating() {
    if (!IsGenerating()) {
        return;
    }
    StopPacing();
    Generator::StopGenerating();
}

void SourceNode::StopPacing() {
    {
        std::lock_guard lock(pacerMutex);
        pacerStop = true;
    }
    pacerWake.notify_all();
    if (pacer.joinable()) {
        pacer.join();
    }
}

void SourceNode::Pace() {
    for (;;) {
        std::optional<Sensor::Clock::time_point> due;
        if (TheSensor().CurrentPacing() == Pacing::RealTime) {
            const std::uint64_t now = TheSensor().Now();
            std::lock_guard lock(clockMutex);
            const auto current = clock.DueAt(now);
            due = TheSensor().WallTimeOf(clock.TimestampOf(current ? *current + 1 : clock.baseIndex));
        }
        std::unique_lock lock(pacerMutex);
        const auto woken = [this] { return pacerStop || pacerPoked; };
        if (due) {
            pacerWake.wait_until(lock, *due, woken);
        } else {
            // Free-running needs no announcements; look again now and then in
            // case the pacing changes.
            pacerWake.wait_for(lock, std::chrono::milliseconds(50), woken);
        }
        if (pacerStop) {
            return;
        }
        if (pacerPoked) {
            pacerPoked = false;
            continue;
        }
        lock.unlock();
        if (due) {
            newData.Fire();
        }
    }
}

std::optional<std::uint64_t> SourceNode::NextFrame() {
    if (!IsGenerating()) {
        return std::nullopt;
    }
    if (TheSensor().CurrentPacing() == Pacing::FreeRunning) {
        return clock.current ? *clock.current + 1 : clock.baseIndex;
    }
    const auto due = clock.DueAt(TheSensor().Now());
    if (!due || (clock.current && *due <= *clock.current)) {
        return std::nullopt;
    }
    return due;
}

bool SourceNode::IsNewDataAvailable(XnUInt64& next) {
    std::lock_guard lock(clockMutex);
    const auto frame = NextFrame();
    if (frame) {
        next = clock.TimestampOf(*frame);
    }
    return frame.has_value();
}

XnStatus SourceNode::UpdateData() {
    std::uint64_t stamp = 0;
    {
        std::lock_guard lock(clockMutex);
        const auto frame = NextFrame();
        if (!frame) {
            return XN_STATUS_OK;
        }
        clock.current = frame;
        stamp = clock.TimestampOf(*frame);
        timestamp = stamp;
        frameId = static_cast<XnUInt32>(*frame + 1);
    }
    Produce(stamp);
    TheSensor().Delivered(stamp);
    return XN_STATUS_OK;
}

XnStatus SourceNode::SetMode(const XnMapOutputMode& requested) {
    bool supported = false;
    for (const XnMapOutputMode& m : SupportedModes()) {
        supported = supported || m == requested;
    }
    if (!supported) {
        return XN_STATUS_BAD_PARAM;
    }
    {
        std::lock_guard lock(clockMutex);
        if (mode == requested) {
            return XN_STATUS_OK;
        }
        // The current frame keeps its size until the next update: the
        // framework holds on to its buffer until then.
        clock.ChangeRate(requested.nFPS);
        mode = requested;
    }
    {
        std::lock_guard lock(pacerMutex);
        pacerPoked = true;
    }
    pacerWake.notify_all();
    modeChange.Fire();
    return XN_STATUS_OK;
}

XnMapOutputMode SourceNode::Mode() const {
    std::lock_guard lock(clockMutex);
    return mode;
}

}  // namespace Orvo::VirtualSensor
