#include "Timeline.hpp"

#include <array>
#include <numbers>

namespace Orvo::VirtualSensor {

namespace {

/// splitmix64: tiny, and the same numbers on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// Uniform in [-amplitude, amplitude].
    double Jitter(double amplitude) {
        return amplitude * (static_cast<double>(Next() >> 11) / static_cast<double>(1ull << 52) - 1.0);
    }
    template <class T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Next() % N];
    }

private:
    std::uint64_t state;
};

// Colours whose channels differ by at least 60, so that no shading makes them grey.
constexpr std::array<Rgb, 5> kShirts{{{200, 40, 40}, {40, 150, 60}, {230, 160, 30}, {120, 60, 170}, {30, 120, 190}}};
constexpr std::array<Rgb, 4> kTrousers{{{40, 60, 140}, {90, 70, 20}, {30, 100, 80}, {110, 40, 60}}};
constexpr std::array<Rgb, 4> kSkins{{{224, 172, 120}, {190, 130, 90}, {150, 100, 70}, {240, 190, 150}}};
constexpr std::array<Rgb, 3> kShoes{{{90, 50, 20}, {20, 20, 80}, {120, 30, 30}}};

constexpr double kStride = 1400.0;  // millimetres per walking cycle

/// Where the people of the default script go. Entry and exit points keep at
/// least 150 mm of the walker inside the view, so that a person in the room
/// is always seen; the two visits overlap, and while both stand the nearer
/// one hides a little of the farther one.
Visit MakeVisit(Random& random, std::uint16_t id) {
    Visit visit;
    visit.id = id;
    visit.appearance = {random.Pick(kSkins), random.Pick(kShirts), random.Pick(kTrousers), random.Pick(kShoes)};
    if (id == 1) {
        visit.height = 1750.0 + random.Jitter(40.0);
        visit.enter = 0.5 + random.Jitter(0.2);
        visit.exit = 14.0 + random.Jitter(0.2);
        visit.entry = {-1350.0, 0.0, 2500.0};
        visit.place = {-350.0 + random.Jitter(50.0), 0.0, 2400.0 + random.Jitter(50.0)};
        visit.leave = {-1450.0, 0.0, 2500.0};
    } else {
        visit.height = 1680.0 + random.Jitter(40.0);
        visit.enter = 5.0 + random.Jitter(0.2);
        visit.exit = 20.0 + random.Jitter(0.2);
        visit.entry = {1750.0, 0.0, 3300.0};
        visit.place = {-50.0 + random.Jitter(50.0), 0.0, 3300.0 + random.Jitter(50.0)};
        visit.leave = {1800.0, 0.0, 3300.0};
    }
    return visit;
}

double Seconds(std::uint64_t timestamp) {
    return static_cast<double>(timestamp % Timeline::kLoopDuration) / 1e6;
}

BodyPose PoseAt(const Visit& visit, double seconds) {
    BodyPose pose;
    if (seconds < visit.Arrival()) {
        const double walked = visit.speed * (seconds - visit.enter);
        pose.facing = Normalized(visit.place - visit.entry);
        pose.ground = visit.entry + pose.facing * walked;
        pose.gaitAmount = 1.0;
        pose.gaitPhase = 2.0 * std::numbers::pi * walked / kStride;
    } else if (seconds < visit.Departure()) {
        pose.ground = visit.place;
        pose.facing = {0.0, 0.0, -1.0};
    } else {
        const double walked = visit.speed * (seconds - visit.Departure());
        pose.facing = Normalized(visit.leave - visit.place);
        pose.ground = visit.place + pose.facing * walked;
        pose.gaitAmount = 1.0;
        pose.gaitPhase = 2.0 * std::numbers::pi * walked / kStride;
    }
    return pose;
}

}  // namespace

std::optional<Scenario> ScenarioFromName(std::string_view name) {
    for (Scenario scenario : {Scenario::TwoPeople, Scenario::OnePerson, Scenario::Empty}) {
        if (name == NameOf(scenario)) {
            return scenario;
        }
    }
    return std::nullopt;
}

std::string_view NameOf(Scenario scenario) {
    switch (scenario) {
        case Scenario::TwoPeople:
            return "TwoPeople";
        case Scenario::OnePerson:
            return "OnePerson";
        case Scenario::Empty:
            return "Empty";
    }
    return "TwoPeople";
}

double Visit::Arrival() const {
    return enter + Length(place - entry) / speed;
}
double Visit::Departure() const {
    return exit - Length(leave - place) / speed;
}

Timeline::Timeline(const SceneSettings& settings) : settings(settings) {
    Random random(settings.seed);
    const int people = settings.scenario == Scenario::TwoPeople ? 2 : settings.scenario == Scenario::OnePerson ? 1 : 0;
    for (int id = 1; id <= people; ++id) {
        visits.push_back(MakeVisit(random, static_cast<std::uint16_t>(id)));
    }
}

std::vector<std::uint16_t> Timeline::PresentAt(std::uint64_t timestamp) const {
    const double seconds = Seconds(timestamp);
    std::vector<std::uint16_t> ids;
    for (const Visit& visit : visits) {
        if (seconds >= visit.enter && seconds < visit.exit) {
            ids.push_back(visit.id);
        }
    }
    return ids;
}

std::vector<PersonInView> Timeline::PeopleAt(std::uint64_t timestamp) const {
    const double seconds = Seconds(timestamp);
    std::vector<PersonInView> people;
    for (const Visit& visit : visits) {
        if (seconds >= visit.enter && seconds < visit.exit) {
            people.push_back({visit.id, PoseBody(visit.height, PoseAt(visit, seconds)), visit.appearance});
        }
    }
    return people;
}

}  // namespace Orvo::VirtualSensor
