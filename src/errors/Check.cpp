#include "errors/Check.hpp"

#include <XnOpenNI.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "Orvo/OpenNI/Context.hpp"

namespace Orvo::OpenNI {

namespace detail {

void ThrowStatus(XnStatus status) {
    char digits[9 + 2];
    std::snprintf(digits, sizeof digits, "%08X: ", static_cast<unsigned>(status));
    std::string text(digits);
    if (const XnChar* description = xnGetStatusString(status)) {
        text += description;
    }
    throw std::runtime_error(text);
}

void ThrowDisposed(const char* what) {
    throw std::runtime_error(std::string(what) + " has been disposed");
}

}  // namespace detail

void Context::Check(Status status) {
    detail::Check(static_cast<XnStatus>(status));
}

}  // namespace Orvo::OpenNI
