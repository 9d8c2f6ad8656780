#include "DepthNode.hpp"

#include <XnPrdNode.h>
#include <XnPrdNodeInfo.h>

#include "Description.hpp"

namespace Orvo::VirtualSensor {

DepthNode::DepthNode(XnContext* context, std::string name)
    : SourceNode(context, std::move(name)), frame(BlankFrame(Mode().nXRes, Mode().nYRes)) {}

bool DepthNode::IsCapabilitySupported(std::string_view capability) const {
    return capability == XN_CAPABILITY_ALTERNATIVE_VIEW_POINT || SourceNode::IsCapabilitySupported(capability);
}

const void* DepthNode::Data() const {
    return frame->depth.data();
}

XnUInt32 DepthNode::DataSize() const {
    return static_cast<XnUInt32>(frame->depth.size() * sizeof(XnDepthPixel));
}

XnDepthPixel* DepthNode::DepthMap() const {
    // The framework's interface is not const-correct; nobody writes through it.
    return const_cast<XnDepthPixel*>(frame->depth.data());
}

bool DepthNode::IsViewPointSupported(XnNodeHandle other) {
    XnNodeInfo* info = other != nullptr ? xnGetNodeInfo(other) : nullptr;
    return info != nullptr && IsOurs(*xnNodeInfoGetDescription(info), XN_NODE_TYPE_IMAGE);
}

XnStatus DepthNode::SetViewPoint(XnNodeHandle other) {
    if (!IsViewPointSupported(other)) {
        return XN_STATUS_BAD_PARAM;
    }
    if (!fromImageCamera.exchange(true)) {
        viewPointChange.Fire();
    }
    return XN_STATUS_OK;
}

bool DepthNode::IsViewPointAs(XnNodeHandle other) const {
    return fromImageCamera && IsViewPointSupported(other);
}

XnStatus DepthNode::ResetViewPoint() {
    if (fromImageCamera.exchange(false)) {
        viewPointChange.Fire();
    }
    return XN_STATUS_OK;
}

void DepthNode::Produce(std::uint64_t stamp) {
    const XnMapOutputMode mode = Mode();
    Camera camera;
    camera.width = mode.nXRes;
    camera.height = mode.nYRes;
    camera.position = fromImageCamera ? Room::ImageCameraPosition() : Room::DepthCameraPosition();
    camera.mirror = IsMirrored();
    frame = TheSensor().Render(stamp, camera, false);
}

}  // namespace Orvo::VirtualSensor
