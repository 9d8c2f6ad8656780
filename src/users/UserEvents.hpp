// The subscriber lists of one UserGenerator: the block the framework's cookie
// points at.
#pragma once

#include <XnTypes.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Orvo::OpenNI::detail {

/// The events, numbered as subscriptions record them.
enum UserEvent : int { UserEnteredEvent, UserLeftEvent, CalibrationStartEvent, CalibrationEndEvent };

/// Hands an exception caught from a subscriber during a framework
/// notification to the process-wide handler; never throws.
void ReportSubscriberError(const char* event, std::exception_ptr error) noexcept;

/// A new subscription serial, never 0 and unique in the process, so that a
/// token of another object or event names nothing in this one.
std::uint64_t NextSerial() noexcept;

/// One event's subscribers. The list is never edited in place: a change (made
/// under the owner's lock) builds a new list and stores it whole, so a raise
/// works through the snapshot it loaded without locking or allocating.
template <typename... Args>
class SubscriberList {
public:
    using Subscriber = std::function<void(Args...)>;

    /// Appends `subscriber` under `serial`. The caller holds the owner's lock.
    void Add(std::uint64_t serial, Subscriber subscriber) {
        auto next = std::make_shared<List>();
        if (auto now = current.load(std::memory_order_acquire)) {
            next->reserve(now->size() + 1);
            *next = *now;
        }
        next->push_back({serial, std::move(subscriber)});
        current.store(std::move(next), std::memory_order_release);
    }

    /// Removes the subscription `serial`, if it is there. The caller holds the owner's lock.
    void Remove(std::uint64_t serial) noexcept {
        auto now = current.load(std::memory_order_acquire);
        if (now == nullptr) {
            return;
        }
        for (auto at = now->rbegin(); at != now->rend(); ++at) {
            if (at->serial != serial) {
                continue;
            }
            std::shared_ptr<List> next;
            try {
                if (now->size() > 1) {
                    next = std::make_shared<List>();
                    next->reserve(now->size() - 1);
                    const auto removed = std::prev(at.base());
                    next->insert(next->end(), now->begin(), removed);
                    next->insert(next->end(), std::next(removed), now->end());
                }
            } catch (...) {
                // Out of memory while building the shorter list: the subscriber
                // is left in place rather than losing the others.
                return;
            }
            current.store(std::move(next), std::memory_order_release);
            return;
        }
    }

    /// Calls every subscriber of the current list; an exception propagates.
    void Raise(Args... args) const {
        const auto snapshot = current.load(std::memory_order_acquire);
        if (snapshot == nullptr) {
            return;
        }
        for (const Entry& entry : *snapshot) {
            entry.subscriber(args...);
        }
    }

    /// Calls every subscriber of the current list; what one throws goes to
    /// the error handler and the others are still called.
    void Notify(const char* event, Args... args) const noexcept {
        const auto snapshot = current.load(std::memory_order_acquire);
        if (snapshot == nullptr) {
            return;
        }
        for (const Entry& entry : *snapshot) {
            try {
                entry.subscriber(args...);
            } catch (...) {
                ReportSubscriberError(event, std::current_exception());
            }
        }
    }

private:
    struct Entry {
        std::uint64_t serial;
        Subscriber subscriber;
    };
    using List = std::vector<Entry>;

    /// Null stands for the empty list.
    std::atomic<std::shared_ptr<const List>> current;
};

/// The four subscriber lists of one UserGenerator and the lock that
/// serialises their changes. Its address is the framework's cookie.
class UserEvents {
public:
    SubscriberList<std::uint16_t> userEntered;
    SubscriberList<std::uint16_t> userLeft;
    SubscriberList<std::uint16_t> calibrationStart;
    SubscriberList<std::uint16_t, bool> calibrationEnd;

    /// Adds `subscriber` to `list` under the lock; returns its serial, 0 for
    /// an empty subscriber (which is not added).
    template <typename List, typename Subscriber>
    std::uint64_t Add(List& list, Subscriber&& subscriber) {
        if (!subscriber) {
            return 0;
        }
        const std::uint64_t serial = NextSerial();
        const std::scoped_lock guard(lock);
        list.Add(serial, std::forward<Subscriber>(subscriber));
        return serial;
    }

    void Remove(UserEvent event, std::uint64_t serial) noexcept;

    // What the framework's notifications do: ids narrowed to their low 16
    // bits, any non-zero success flag is success.
    void PerformUserEntered(XnUserID user) const noexcept {
        userEntered.Notify("UserEntered", static_cast<std::uint16_t>(user));
    }
    void PerformUserLeft(XnUserID user) const noexcept {
        userLeft.Notify("UserLeft", static_cast<std::uint16_t>(user));
    }
    void PerformCalibrationStart(XnUserID user) const noexcept {
        calibrationStart.Notify("CalibrationStart", static_cast<std::uint16_t>(user));
    }
    void PerformCalibrationEnd(XnUserID user, XnBool success) const noexcept {
        calibrationEnd.Notify("CalibrationEnd", static_cast<std::uint16_t>(user), success != FALSE);
    }

private:
    std::mutex lock;
};

}  // namespace Orvo::OpenNI::detail
