// The user node: finding or creating it, its four events, user queries and
// skeleton control.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "Orvo/OpenNI/Records.hpp"

namespace Orvo::OpenNI {

namespace detail {
class UserEvents;
}  // namespace detail

/// Names one subscription to one event of one UserGenerator, as add_X gives
/// it; remove_X takes it back. A default token names no subscription.
class EventToken {
public:
    EventToken() = default;
    bool operator==(const EventToken&) const = default;

private:
    friend class UserGenerator;
    friend class EventSubscription;
    explicit EventToken(std::uint64_t serial) noexcept : serial(serial) {}
    std::uint64_t serial = 0;
};

/// A subscription that ends with this object (or with Unsubscribe()). It
/// holds no reference that keeps its UserGenerator alive: when that object is
/// gone first, ending the subscription does nothing.
class EventSubscription {
public:
    EventSubscription() = default;
    ~EventSubscription();
    EventSubscription(EventSubscription&& other) noexcept;
    EventSubscription& operator=(EventSubscription&& other) noexcept;
    EventSubscription(const EventSubscription&) = delete;
    EventSubscription& operator=(const EventSubscription&) = delete;

    /// Removes the subscriber now; later calls do nothing.
    void Unsubscribe() noexcept;
    [[nodiscard]] EventToken Token() const noexcept { return token; }

private:
    friend class UserGenerator;
    EventSubscription(std::weak_ptr<detail::UserEvents> events, int event, EventToken token) noexcept
        : events(std::move(events)), event(event), token(token) {}

    std::weak_ptr<detail::UserEvents> events;
    int event = 0;
    EventToken token;
};

/// The user node: users entering and leaving, their centres of mass and
/// pixels, and skeleton calibration and tracking.
///
/// Each object registers its own pair of user callbacks and its own pair of
/// calibration callbacks with the framework, and removes them when it is
/// disposed (Dispose() or the destructor). Dispose every UserGenerator before
/// its Context; done the other way round, disposal makes no framework call
/// (the framework already freed the node and its registrations at shutdown).
///
/// After Dispose(), or once the Context is disposed, every node operation
/// throws std::runtime_error without reaching the framework. Subscribing,
/// unsubscribing and the protected raise_X operations keep working: disposal
/// only stops the framework from feeding the events.
///
/// Not copyable: it owns registrations. Movable: the subscriber lists live in
/// a heap block whose address is the framework's cookie, so a move hands the
/// registrations over unchanged. A moved-from object is disposed and has no
/// events left: subscribing to it or raising its events throws
/// std::runtime_error, unsubscribing does nothing.
///
/// Events. Subscribers run synchronously on the thread that delivers the
/// framework's notifications (the one in Context::WaitAndUpdateAll or
/// Generator::Wait), in the order they subscribed; a subscriber added twice is
/// called twice. A notification that finds no subscriber is dropped. Each raise
/// works through the list as it stood when the raise began, so a subscriber may
/// add or remove subscribers (itself included), may call back into this
/// object, and may dispose or destroy it. Subscribing and unsubscribing are
/// safe on any thread at any time; disposing the object on one thread while
/// another thread is inside the framework's update is not supported.
///
/// Exceptions thrown by subscribers never unwind through the framework: the
/// notification goes on to the remaining subscribers, and each exception is
/// handed, as it is caught, to the handler set with SetSubscriberErrorHandler
/// (by default its message is written to stderr). The protected raise_X
/// operations, called from C++ code, let a subscriber's exception propagate.
class UserGenerator : public Generator {
public:
    using UserHandler = std::function<void(std::uint16_t user)>;
    using CalibrationEndHandler = std::function<void(std::uint16_t user, bool success)>;
    /// Receives the name of the event ("UserEntered", ...) and the exception
    /// a subscriber threw during a framework notification.
    using SubscriberErrorHandler = void (*)(const char* event, std::exception_ptr error);

    /// Creates a new user node in `context`. `errors` (may be null or
    /// disposed) receives what the framework records on failure. Throws
    /// std::invalid_argument for a null context, std::runtime_error with the
    /// status text when the framework cannot create the node.
    explicit UserGenerator(const std::shared_ptr<Context>& context, ErrorCollection* errors = nullptr);
    /// The user node that `context` already holds (from a configuration file, say).
    [[nodiscard]] static UserGenerator Find(std::shared_ptr<Context> context);

    virtual ~UserGenerator();
    UserGenerator(const UserGenerator&) = delete;
    UserGenerator& operator=(const UserGenerator&) = delete;
    UserGenerator(UserGenerator&& other) noexcept;
    /// Disposes this object's own registrations, then takes over `other`'s.
    UserGenerator& operator=(UserGenerator&& other) noexcept;

    /// Removes the framework registrations; a second call does nothing.
    void Dispose() noexcept;
    [[nodiscard]] bool IsDisposed() const noexcept;

    // Events: add_X returns the token that remove_X takes; removing a token
    // that is not subscribed (any more) changes nothing. An empty subscriber
    // is not added and gets a default token. SubscribeX is the same with a
    // subscription object that unsubscribes when it goes.
    EventToken add_UserEntered(UserHandler value);
    void remove_UserEntered(EventToken value) noexcept;
    [[nodiscard]] EventSubscription SubscribeUserEntered(UserHandler value);
    EventToken add_UserLeft(UserHandler value);
    void remove_UserLeft(EventToken value) noexcept;
    [[nodiscard]] EventSubscription SubscribeUserLeft(UserHandler value);
    EventToken add_CalibrationStart(UserHandler value);
    void remove_CalibrationStart(EventToken value) noexcept;
    [[nodiscard]] EventSubscription SubscribeCalibrationStart(UserHandler value);
    EventToken add_CalibrationEnd(CalibrationEndHandler value);
    void remove_CalibrationEnd(EventToken value) noexcept;
    [[nodiscard]] EventSubscription SubscribeCalibrationEnd(CalibrationEndHandler value);

    /// Sets the process-wide handler of subscribers' exceptions and returns the
    /// previous one; null restores the default, which writes to stderr. An
    /// exception thrown by the handler itself is written to stderr and dropped.
    static SubscriberErrorHandler SetSubscriberErrorHandler(SubscriberErrorHandler handler) noexcept;

    // Users. Ids the framework gives are narrowed to their low 16 bits.
    /// The number of users the node sees.
    [[nodiscard]] std::uint16_t Count() const;
    /// Stores the users' ids at the front of `users` and returns how many it
    /// stored; the rest of the array is left as it was. The framework is asked
    /// for the array's size modulo 65536 ids (an array of 65536 asks for none).
    /// Throws std::invalid_argument for a missing (null) array, std::out_of_range
    /// for an empty one, std::runtime_error when the framework fails (then
    /// nothing is stored, also when the array is too small for all users).
    std::int32_t GetUsers(std::span<std::uint16_t> users) const;
    /// The user's centre of mass in real-world coordinates; absent when the
    /// framework cannot give it.
    [[nodiscard]] std::optional<Vector3> GetUserCenterOfMass(std::uint16_t user) const;
    /// The user's pixels in the current frame: Map points at the frame's map
    /// description (an XnMapMetaData) kept by this object until its next
    /// GetUserPixels() call, Labels at the framework's labels (the user's id
    /// where the user is, 0 elsewhere). A failure is not reported: Labels is
    /// then null and the map description all zero.
    [[nodiscard]] SceneMetaData GetUserPixels(std::uint16_t user) const;

    // Skeleton. Failing framework calls throw std::runtime_error with the status text.
    [[nodiscard]] bool IsSkeletonTracking(std::uint16_t user) const;
    void StartSkeletonTracking(std::uint16_t user);
    void StopSkeletonTracking(std::uint16_t user);
    void ResetSkeleton(std::uint16_t user);
    void RequestSkeletonCalibration(std::uint16_t user, bool force);
    void SetSkeletonSmoothing(float factor);
    /// Writes the active joints at the front of `joints` and returns how many;
    /// at most 65535 are asked for. Throws as GetUsers does.
    std::uint16_t GetActiveJoints(std::span<SkeletonJoint> joints) const;
    void SetJointActive(SkeletonJoint joint, bool active);
    /// Position and orientation of a tracked user's joint; absent when the
    /// framework cannot give them. The trailing Confidence is always 0.
    [[nodiscard]] std::optional<SkeletonJointTransform> GetSkeletonJoint(std::uint16_t user, SkeletonJoint joint) const;
    [[nodiscard]] std::optional<SkeletonJointOrientation> GetSkeletonJointOrientation(std::uint16_t user,
                                                                                      SkeletonJoint joint) const;

protected:
    /// Disposal when `disposing` is true, nothing when false. A derived class
    /// that overrides it calls this one, and disposes in its own destructor.
    virtual void Dispose(bool disposing) noexcept;

    /// Call the event's current subscribers as a notification would, with the
    /// values unchanged; a subscriber's exception propagates to the caller.
    void raise_UserEntered(std::uint16_t user) const;
    void raise_UserLeft(std::uint16_t user) const;
    void raise_CalibrationStart(std::uint16_t user) const;
    void raise_CalibrationEnd(std::uint16_t user, bool success) const;

private:
    UserGenerator(std::shared_ptr<Context> context, XnInternalNodeData* userGenerator);
    void RegisterUserCallback() noexcept;
    void UnregisterUserCallback() noexcept;
    [[nodiscard]] XnInternalNodeData* Live() const;
    [[nodiscard]] detail::UserEvents& Events() const;
    [[nodiscard]] EventSubscription Subscription(int event, EventToken token) const;

    /// The cookie's reference to the event block, from registration until disposal.
    std::shared_ptr<detail::UserEvents> holder;
    void* userCallbackHandle = nullptr;
    void* calibrationCallbackHandle = nullptr;
    /// The four subscriber lists and their lock; null only in a moved-from object.
    std::shared_ptr<detail::UserEvents> events;
    mutable detail::OwnedRecord<XnSceneMetaData> pixels;
};

}  // namespace Orvo::OpenNI
