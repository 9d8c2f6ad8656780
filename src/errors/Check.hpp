// The one place where a framework status becomes an exception.
#pragma once

#include <XnTypes.h>

namespace Orvo::OpenNI::detail {

/// Builds the status text and throws std::runtime_error with it.
[[noreturn]] void ThrowStatus(XnStatus status);

/// Every framework status the library tests goes through here. Kept inline so
/// that success costs one comparison and nothing else.
inline void Check(XnStatus status) {
    if (status != XN_STATUS_OK) [[unlikely]] {
        ThrowStatus(status);
    }
}

/// Throws the general error for an operation on an object that was disposed.
[[noreturn]] void ThrowDisposed(const char* what);

}  // namespace Orvo::OpenNI::detail
