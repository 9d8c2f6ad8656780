#include <XnOpenNI.h>

#include <stdexcept>
#include <utility>

#include "Access.hpp"
#include "Orvo/OpenNI/Users.hpp"
#include "nodes/Lookup.hpp"
#include "users/UserEvents.hpp"

namespace Orvo::OpenNI {

namespace {

// The framework's notifications arrive here with the cookie given at
// registration, the address of the object's event block. Nothing may unwind
// into the framework's C frames: the Perform operations catch what
// subscribers throw, and are themselves noexcept.

void XN_CALLBACK_TYPE UserEnteredCallback(XnNodeHandle /*handle*/, XnUserID user, void* cookie) noexcept {
    static_cast<const detail::UserEvents*>(cookie)->PerformUserEntered(user);
}

void XN_CALLBACK_TYPE UserLeftCallback(XnNodeHandle /*handle*/, XnUserID user, void* cookie) noexcept {
    static_cast<const detail::UserEvents*>(cookie)->PerformUserLeft(user);
}

void XN_CALLBACK_TYPE UserCalibrationStartCallback(XnNodeHandle /*handle*/, XnUserID user, void* cookie) noexcept {
    static_cast<const detail::UserEvents*>(cookie)->PerformCalibrationStart(user);
}

void XN_CALLBACK_TYPE UserCalibrationEndCallback(XnNodeHandle /*handle*/, XnUserID user, XnBool success,
                                                 void* cookie) noexcept {
    static_cast<const detail::UserEvents*>(cookie)->PerformCalibrationEnd(user, success);
}

}  // namespace

UserGenerator::UserGenerator(const std::shared_ptr<Context>& context, ErrorCollection* errors)
    : Generator(context, detail::CreateNode(xnCreateUserGenerator, context, errors)),
      events(std::make_shared<detail::UserEvents>()) {
    RegisterUserCallback();
}

UserGenerator::UserGenerator(std::shared_ptr<Context> context, XnInternalNodeData* userGenerator)
    : Generator(std::move(context), userGenerator), events(std::make_shared<detail::UserEvents>()) {
    RegisterUserCallback();
}

UserGenerator UserGenerator::Find(std::shared_ptr<Context> context) {
    XnNodeHandle node = detail::FindNode(context, XN_NODE_TYPE_USER);
    return {std::move(context), node};
}

UserGenerator::~UserGenerator() {
    // Dispatch would reach this class's Dispose(bool) anyway: a derived
    // class's part is gone by now, so it disposes in its own destructor.
    UserGenerator::Dispose(true);
}

UserGenerator::UserGenerator(UserGenerator&& other) noexcept
    : Generator(std::move(other)),
      holder(std::move(other.holder)),
      userCallbackHandle(std::exchange(other.userCallbackHandle, nullptr)),
      calibrationCallbackHandle(std::exchange(other.calibrationCallbackHandle, nullptr)),
      events(std::move(other.events)),
      pixels(std::move(other.pixels)) {
    detail::Access::Handle(other) = nullptr;
}

UserGenerator& UserGenerator::operator=(UserGenerator&& other) noexcept {
    if (this != &other) {
        UnregisterUserCallback();
        holder = std::move(other.holder);
        userCallbackHandle = std::exchange(other.userCallbackHandle, nullptr);
        calibrationCallbackHandle = std::exchange(other.calibrationCallbackHandle, nullptr);
        events = std::move(other.events);
        pixels = std::move(other.pixels);
        XnNodeHandle& taken = detail::Access::Handle(other);
        Generator::operator=(std::move(other));
        taken = nullptr;
    }
    return *this;
}

void UserGenerator::Dispose() noexcept {
    Dispose(true);
}

void UserGenerator::Dispose(bool disposing) noexcept {
    if (disposing) {
        UnregisterUserCallback();
    }
}

bool UserGenerator::IsDisposed() const noexcept {
    return holder == nullptr;
}

void UserGenerator::RegisterUserCallback() noexcept {
    holder = events;
    void* const cookie = holder.get();
    XnNodeHandle node = detail::Access::Handle(*this);
    // Both statuses are ignored: a refused registration writes no handle, its
    // field stays null and its events are simply never fed.
    XnCallbackHandle users = nullptr;
    (void)xnRegisterUserCallbacks(node, UserEnteredCallback, UserLeftCallback, cookie, &users);
    XnCallbackHandle calibration = nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
    (void)xnRegisterCalibrationCallbacks(node, UserCalibrationStartCallback, UserCalibrationEndCallback, cookie,
                                         &calibration);
#pragma GCC diagnostic pop
    userCallbackHandle = users;
    calibrationCallbackHandle = calibration;
}

void UserGenerator::UnregisterUserCallback() noexcept {
    XnNodeHandle& node = detail::Access::Handle(*this);
    if (node == nullptr) {
        return;
    }
    // After the context's shutdown the framework has freed the node together
    // with its registrations: there is nothing left to remove, and the handles
    // would lead it into freed memory. The framework dereferences a null
    // callback handle, so a refused registration is not "removed" either.
    if (detail::Access::FrameworkHolds(*this)) {
        if (userCallbackHandle != nullptr) {
            xnUnregisterUserCallbacks(node, userCallbackHandle);
        }
        if (calibrationCallbackHandle != nullptr) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
            xnUnregisterCalibrationCallbacks(node, calibrationCallbackHandle);
#pragma GCC diagnostic pop
        }
    }
    userCallbackHandle = nullptr;
    calibrationCallbackHandle = nullptr;
    holder.reset();
    node = nullptr;
}

XnNodeHandle UserGenerator::Live() const {
    if (holder == nullptr) [[unlikely]] {
        detail::ThrowDisposed("UserGenerator");
    }
    return detail::Access::Live(*this);
}

}  // namespace Orvo::OpenNI
