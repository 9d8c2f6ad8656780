#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "Orvo/OpenNI/Users.hpp"
#include "errors/Check.hpp"
#include "users/UserEvents.hpp"

namespace Orvo::OpenNI {

namespace {

void WriteToStandardError(const char* event, std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Orvo::OpenNI: a subscriber of %s threw: %s\n", event, e.what());
    } catch (...) {
        std::fprintf(stderr, "Orvo::OpenNI: a subscriber of %s threw something that is not a std::exception\n", event);
    }
}

std::atomic<UserGenerator::SubscriberErrorHandler> errorHandler{nullptr};

}  // namespace

namespace detail {

void ReportSubscriberError(const char* event, std::exception_ptr error) noexcept {
    UserGenerator::SubscriberErrorHandler handler = errorHandler.load(std::memory_order_acquire);
    try {
        (handler != nullptr ? handler : WriteToStandardError)(event, std::move(error));
    } catch (...) {
        try {
            WriteToStandardError("the subscriber error handler", std::current_exception());
        } catch (...) {  // NOLINT(bugprone-empty-catch): nothing is left to tell it to
        }
    }
}

std::uint64_t NextSerial() noexcept {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void UserEvents::Remove(UserEvent event, std::uint64_t serial) noexcept {
    if (serial == 0) {
        return;
    }
    const std::scoped_lock guard(lock);
    switch (event) {
        case UserEnteredEvent:
            userEntered.Remove(serial);
            break;
        case UserLeftEvent:
            userLeft.Remove(serial);
            break;
        case CalibrationStartEvent:
            calibrationStart.Remove(serial);
            break;
        case CalibrationEndEvent:
            calibrationEnd.Remove(serial);
            break;
    }
}

}  // namespace detail

UserGenerator::SubscriberErrorHandler UserGenerator::SetSubscriberErrorHandler(
    SubscriberErrorHandler handler) noexcept {
    return errorHandler.exchange(handler, std::memory_order_acq_rel);
}

detail::UserEvents& UserGenerator::Events() const {
    if (events == nullptr) [[unlikely]] {
        throw std::runtime_error("UserGenerator has been moved from");
    }
    return *events;
}

EventSubscription UserGenerator::Subscription(int event, EventToken token) const {
    return {events, event, token};
}

EventToken UserGenerator::add_UserEntered(UserHandler value) {
    detail::UserEvents& all = Events();
    return EventToken(all.Add(all.userEntered, std::move(value)));
}
EventToken UserGenerator::add_UserLeft(UserHandler value) {
    detail::UserEvents& all = Events();
    return EventToken(all.Add(all.userLeft, std::move(value)));
}
EventToken UserGenerator::add_CalibrationStart(UserHandler value) {
    detail::UserEvents& all = Events();
    return EventToken(all.Add(all.calibrationStart, std::move(value)));
}
EventToken UserGenerator::add_CalibrationEnd(CalibrationEndHandler value) {
    detail::UserEvents& all = Events();
    return EventToken(all.Add(all.calibrationEnd, std::move(value)));
}

void UserGenerator::remove_UserEntered(EventToken value) noexcept {
    if (events != nullptr) {
        events->Remove(detail::UserEnteredEvent, value.serial);
    }
}
void UserGenerator::remove_UserLeft(EventToken value) noexcept {
    if (events != nullptr) {
        events->Remove(detail::UserLeftEvent, value.serial);
    }
}
void UserGenerator::remove_CalibrationStart(EventToken value) noexcept {
    if (events != nullptr) {
        events->Remove(detail::CalibrationStartEvent, value.serial);
    }
}
void UserGenerator::remove_CalibrationEnd(EventToken value) noexcept {
    if (events != nullptr) {
        events->Remove(detail::CalibrationEndEvent, value.serial);
    }
}

EventSubscription UserGenerator::SubscribeUserEntered(UserHandler value) {
    return Subscription(detail::UserEnteredEvent, add_UserEntered(std::move(value)));
}
EventSubscription UserGenerator::SubscribeUserLeft(UserHandler value) {
    return Subscription(detail::UserLeftEvent, add_UserLeft(std::move(value)));
}
EventSubscription UserGenerator::SubscribeCalibrationStart(UserHandler value) {
    return Subscription(detail::CalibrationStartEvent, add_CalibrationStart(std::move(value)));
}
EventSubscription UserGenerator::SubscribeCalibrationEnd(CalibrationEndHandler value) {
    return Subscription(detail::CalibrationEndEvent, add_CalibrationEnd(std::move(value)));
}

void UserGenerator::raise_UserEntered(std::uint16_t user) const {
    Events().userEntered.Raise(user);
}
void UserGenerator::raise_UserLeft(std::uint16_t user) const {
    Events().userLeft.Raise(user);
}
void UserGenerator::raise_CalibrationStart(std::uint16_t user) const {
    Events().calibrationStart.Raise(user);
}
void UserGenerator::raise_CalibrationEnd(std::uint16_t user, bool success) const {
    Events().calibrationEnd.Raise(user, success);
}

EventSubscription::~EventSubscription() {
    Unsubscribe();
}

EventSubscription::EventSubscription(EventSubscription&& other) noexcept
    : events(std::move(other.events)), event(other.event), token(std::exchange(other.token, EventToken())) {}

EventSubscription& EventSubscription::operator=(EventSubscription&& other) noexcept {
    if (this != &other) {
        Unsubscribe();
        events = std::move(other.events);
        event = other.event;
        token = std::exchange(other.token, EventToken());
    }
    return *this;
}

void EventSubscription::Unsubscribe() noexcept {
    if (const auto alive = events.lock()) {
        alive->Remove(static_cast<detail::UserEvent>(event), token.serial);
    }
    events.reset();
    token = EventToken();
}

}  // namespace Orvo::OpenNI
