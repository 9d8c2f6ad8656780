// The looping script of the simulated room: who walks in, where they stand,
// when they walk out. A pure function of the settings and the time.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "Body.hpp"

namespace Orvo::VirtualSensor {

enum class Scenario { TwoPeople, OnePerson, Empty };

std::optional<Scenario> ScenarioFromName(std::string_view name);
std::string_view NameOf(Scenario scenario);

struct SceneSettings {
    Scenario scenario = Scenario::TwoPeople;
    std::uint64_t seed = 0;  ///< varies sizes, colours, places and times a little

    bool operator==(const SceneSettings&) const = default;
};

/// One person's visit: walks in from the edge of the view to a place, stands
/// facing the sensor, walks back out. Times in seconds within the loop.
struct Visit {
    std::uint16_t id = 0;
    double height = 1750.0;
    Appearance appearance;
    double enter = 0.0;
    double exit = 0.0;
    Vec3 entry;  ///< floor positions, in the room's frame
    Vec3 place;
    Vec3 leave;
    double speed = 900.0;  ///< millimetres per second

    [[nodiscard]] double Arrival() const;
    [[nodiscard]] double Departure() const;
};

struct PersonInView {
    std::uint16_t id = 0;
    Body body;
    Appearance appearance;
};

class Timeline {
public:
    static constexpr std::uint64_t kLoopDuration = 24'000'000;  // microseconds

    explicit Timeline(const SceneSettings& settings);

    [[nodiscard]] const SceneSettings& Settings() const { return settings; }
    [[nodiscard]] std::uint64_t LoopDuration() const { return kLoopDuration; }
    [[nodiscard]] const std::vector<Visit>& Visits() const { return visits; }
    /// The ids of the people in the room at `timestamp` (microseconds since
    /// the start of the first loop), in ascending order.
    [[nodiscard]] std::vector<std::uint16_t> PresentAt(std::uint64_t timestamp) const;
    [[nodiscard]] std::vector<PersonInView> PeopleAt(std::uint64_t timestamp) const;

private:
    SceneSettings settings;
    std::vector<Visit> visits;
};

}  // namespace Orvo::VirtualSensor
