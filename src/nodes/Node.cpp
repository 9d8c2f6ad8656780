#include <XnOpenNI.h>

#include "Access.hpp"
#include "Orvo/OpenNI/Nodes.hpp"

namespace Orvo::OpenNI {

namespace {

/// The framework's name of a capability; null for a value that is not exactly
/// one of them. The framework matches these texts byte for byte.
const char* FrameworkName(Capability capability) noexcept {
    switch (capability) {
        case Capability::AlternativeViewPoint:
            return XN_CAPABILITY_ALTERNATIVE_VIEW_POINT;
        case Capability::Cropping:
            return XN_CAPABILITY_CROPPING;
        case Capability::ErrorState:
            return XN_CAPABILITY_ERROR_STATE;
        case Capability::ExtendedSerialization:
            return XN_CAPABILITY_EXTENDED_SERIALIZATION;
        case Capability::FrameSync:
            return XN_CAPABILITY_FRAME_SYNC;
        case Capability::LockAware:
            return XN_CAPABILITY_LOCK_AWARE;
        case Capability::Mirror:
            return XN_CAPABILITY_MIRROR;
        case Capability::UserPoseDetection:
            return XN_CAPABILITY_POSE_DETECTION;
        case Capability::UserSkeleton:
            return XN_CAPABILITY_SKELETON;
        case Capability::UserPosition:
            return XN_CAPABILITY_USER_POSITION;
    }
    return nullptr;
}

}  // namespace

bool Node::IsCapabilitySupported(Capability oneOfCapability) const {
    XnNodeHandle node = detail::Access::Live(*this);
    const char* name = FrameworkName(oneOfCapability);
    return name != nullptr && xnIsCapabilitySupported(node, name) != FALSE;
}

Status Generator::Wait() {
    XnNodeHandle node = detail::Access::Live(*this);
    return static_cast<Status>(xnWaitOneUpdateAll(detail::Access::ContextOf(*this), node));
}

MapOutputMode Generator::MapOutputMode() const {
    OpenNI::MapOutputMode mode;
    detail::Check(xnGetMapOutputMode(detail::Access::Live(*this), reinterpret_cast<XnMapOutputMode*>(&mode)));
    return mode;
}

void Generator::SetMapOutputMode(const OpenNI::MapOutputMode& mode) {
    detail::Check(xnSetMapOutputMode(detail::Access::Live(*this), reinterpret_cast<const XnMapOutputMode*>(&mode)));
}

void Generator::SetViewPoint(const Generator* other) {
    XnNodeHandle node = detail::Access::Live(*this);
    if (other == nullptr) {
        detail::Check(xnResetViewPoint(node));
    } else {
        detail::Check(xnSetViewPoint(node, detail::Access::Live(*other)));
    }
}

bool Generator::IsViewPointAs(const Generator& other) const {
    return xnIsViewPointAs(detail::Access::Live(*this), detail::Access::Live(other)) != FALSE;
}

bool Generator::IsViewPointSupported(const Generator& other) const {
    return xnIsViewPointSupported(detail::Access::Live(*this), detail::Access::Live(other)) != FALSE;
}

}  // namespace Orvo::OpenNI
