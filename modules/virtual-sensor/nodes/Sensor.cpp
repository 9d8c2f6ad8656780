#include "Sensor.hpp"

#include <algorithm>
#include <map>

namespace Orvo::VirtualSensor {

namespace {

constexpr std::size_t kFramesKept = 6;
constexpr std::size_t kRenderersKept = 4;

}  // namespace

std::optional<Pacing> PacingFromName(std::string_view name) {
    for (Pacing pacing : {Pacing::RealTime, Pacing::FreeRunning}) {
        if (name == NameOf(pacing)) {
            return pacing;
        }
    }
    return std::nullopt;
}

std::string_view NameOf(Pacing pacing) {
    return pacing == Pacing::FreeRunning ? "FreeRunning" : "RealTime";
}

std::shared_ptr<Sensor> Sensor::ForContext(XnContext* context) {
    static std::mutex registryMutex;
    static std::map<XnContext*, std::weak_ptr<Sensor>> registry;
    std::lock_guard lock(registryMutex);
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    auto& slot = registry[context];
    auto sensor = slot.lock();
    if (!sensor) {
        sensor = std::make_shared<Sensor>();
        slot = sensor;
    }
    return sensor;
}

SceneSettings Sensor::Scene() const {
    std::lock_guard lock(mutex);
    return scene;
}

void Sensor::SetScene(const SceneSettings& settings) {
    auto next = std::make_shared<const Timeline>(settings);
    std::vector<Listener> told;
    {
        std::lock_guard lock(mutex);
        if (settings == scene) {
            return;
        }
        scene = settings;
        timeline = std::move(next);
        told = listeners;
    }
    for (const Listener& listener : told) {
        Tell(listener, settings);
    }
}

std::shared_ptr<const Timeline> Sensor::CurrentTimeline() const {
    std::lock_guard lock(mutex);
    return timeline;
}

std::shared_ptr<const Timeline> Sensor::TimelineOf(const SceneSettings& settings) {
    std::lock_guard lock(mutex);
    if (timeline->Settings() == settings) {
        return timeline;
    }
    if (!other || !(other->Settings() == settings)) {
        other = std::make_shared<const Timeline>(settings);
    }
    return other;
}

void Sensor::AddListener(const std::string& node, XnNodeNotifications* notifications, void* cookie) {
    Listener listener{node, notifications, cookie};
    SceneSettings settings;
    {
        std::lock_guard lock(mutex);
        listeners.push_back(listener);
        settings = scene;
    }
    Tell(listener, settings);
}

void Sensor::RemoveListeners(const std::string& node) {
    std::lock_guard lock(mutex);
    std::erase_if(listeners, [&](const Listener& l) { return l.node == node; });
}

void Sensor::Tell(const Listener& listener, const SceneSettings& settings) {
    const XnNodeNotifications& n = *listener.notifications;
    if (n.OnNodeStringPropChanged != nullptr) {
        n.OnNodeStringPropChanged(listener.cookie, listener.node.c_str(), std::string(Property::kScenario).c_str(),
                                  std::string(NameOf(settings.scenario)).c_str());
    }
    if (n.OnNodeIntPropChanged != nullptr) {
        n.OnNodeIntPropChanged(listener.cookie, listener.node.c_str(), std::string(Property::kSeed).c_str(),
                               settings.seed);
    }
}

Pacing Sensor::CurrentPacing() const {
    std::lock_guard lock(mutex);
    return pacing;
}

void Sensor::SetPacing(Pacing value) {
    std::lock_guard lock(mutex);
    if (value == pacing) {
        return;
    }
    pacing = value;
    if (pacing == Pacing::RealTime) {
        start = Clock::now() - std::chrono::microseconds(latest);
    }
}

std::uint64_t Sensor::Now() {
    std::lock_guard lock(mutex);
    const auto now = Clock::now();
    if (!start) {
        start = now;
    }
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now - *start).count());
}

Sensor::Clock::time_point Sensor::WallTimeOf(std::uint64_t sensorTime) {
    std::lock_guard lock(mutex);
    if (!start) {
        start = Clock::now();
    }
    return *start + std::chrono::microseconds(sensorTime);
}

void Sensor::Delivered(std::uint64_t timestamp) {
    std::lock_guard lock(mutex);
    latest = std::max(latest, timestamp);
}

std::shared_ptr<const Frame> Sensor::Render(std::uint64_t timestamp, const Camera& camera, bool colour) {
    return Render(*CurrentTimeline(), timestamp, camera, colour);
}

std::shared_ptr<const Frame> Sensor::Render(const Timeline& room, std::uint64_t timestamp, const Camera& camera,
                                            bool colour) {
    std::lock_guard lock(renderMutex);
    if (colour) {
        if (std::find(coloured.begin(), coloured.end(), camera) == coloured.end()) {
            if (coloured.size() >= kRenderersKept) {
                coloured.erase(coloured.begin());
            }
            coloured.push_back(camera);
        }
    } else {
        colour = std::find(coloured.begin(), coloured.end(), camera) != coloured.end();
    }
    const SceneSettings& settings = room.Settings();
    for (const Drawn& d : drawn) {
        if (d.settings == settings && d.timestamp == timestamp && d.camera == camera && (d.colour || !colour)) {
            return d.frame;
        }
    }
    auto found = std::find_if(renderers.begin(), renderers.end(), [&](const auto& r) { return r.camera == camera; });
    if (found == renderers.end()) {
        if (renderers.size() >= kRenderersKept) {
            renderers.erase(renderers.begin());
        }
        renderers.push_back({camera, std::make_unique<Renderer>()});
        found = std::prev(renderers.end());
    }
    auto frame = std::make_shared<Frame>();
    found->renderer->Render(room.PeopleAt(timestamp), camera, colour, *frame);
    if (drawn.size() >= kFramesKept) {
        drawn.erase(drawn.begin());
    }
    drawn.push_back({settings, timestamp, camera, colour, frame});
    return frame;
}

}  // namespace Orvo::VirtualSensor
