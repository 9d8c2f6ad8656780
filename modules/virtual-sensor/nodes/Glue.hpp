// Helpers for the functions the framework calls.
#pragma once

#include <XnOS.h>

#include <new>
#include <utility>

#include "Node.hpp"

namespace Orvo::VirtualSensor {

/// Our node behind a module handle: handles are always `Node*`.
template <class T>
T& As(XnModuleNodeHandle handle) {
    return static_cast<T&>(*static_cast<Node*>(handle));
}

/// No exception may cross back into the framework's C code.
template <class F>
XnStatus Guarded(F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        return XN_STATUS_ALLOC_FAILED;
    } catch (...) {
        return XN_STATUS_ERROR;
    }
}

}  // namespace Orvo::VirtualSensor
