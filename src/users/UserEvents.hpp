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
#include <thread>
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

/// A shared pointer that one thread replaces while others take copies of it.
/// The lock is held only to copy or swap the pointer, never while a
/// subscriber runs, so nothing can wait on it for long or deadlock on it.
/// (libstdc++ 12's std::atomic<std::shared_ptr> releases its own internal lock
/// with relaxed ordering after a load, so a load and a following store race:
/// ThreadSanitizer reports it, and a weakly ordered CPU may pair the new
/// pointer with the old reference count.)
template <typename T>
class SharedSnapshot {
public:
    std::shared_ptr<const T> Load() const noexcept {
        Lock();
        std::shared_ptr<const T> copy = value;
        busy.clear(std::memory_order_release);
        return copy;
    }

    /// Replaces the pointer; the previous one is released after the lock.
    void Store(std::shared_ptr<const T> next) noexcept {
        Lock();
        value.swap(next);
        busy.clear(std::memory_order_release);
    }

private:
    void Lock() const noexcept {
        while (busy.test_and_set(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
    }

    mutable std::atomic_flag busy;
    std::shared_ptr<const T> value;
};

/// One event's subscribers. The list is never edited in place: a change (made
/// under the owner's lock) builds a new list and stores it whole, so a raise
/// works through the snapshot it loaded, holding no lock and allocating nothing.
template <typename... Args>
class SubscriberList {
public:
    using Subscriber = std::function<void(Args...)>;

    /// Appends `subscriber` under `serial`. The caller holds the owner's lock.
    void Add(std::uint64_t serial, Subscriber subscriber) {
        auto next = std::make_shared<List>();
        if (auto now = current.Load()) {
            next->reserve(now->size() + 1);
            *next = *now;
        }
        next->push_back({serial, std::move(subscriber)});
        current.Store(std::move(next));
    }

    /// Removes the subscription `serial`, if it is there. The caller holds the owner's lock.
    void Remove(std::uint64_t serial) noexcept {
        auto now = current.Load();
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
            current.Store(std::move(next));
            return;
        }
    }

    /// Calls every subscriber of the current list; an exception propagates.
    void Raise(Args... args) const {
        const auto snapshot = current.Load();
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
        const auto snapshot = current.Load();
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
    SharedSnapshot<List> current;
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
