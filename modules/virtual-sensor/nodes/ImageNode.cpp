#include "ImageNode.hpp"

namespace Orvo::VirtualSensor {

ImageNode::ImageNode(XnContext* context, std::string name) : SourceNode(context, std::move(name)) {
    const XnMapOutputMode mode = Mode();
    frame = BlankFrame(mode.nXRes, mode.nYRes);
}

const void* ImageNode::Data() const {
    return frame->rgb.data();
}

XnUInt32 ImageNode::DataSize() const {
    return static_cast<XnUInt32>(frame->rgb.size());
}

XnUInt8* ImageNode::ImageMap() const {
    // The framework's interface is not const-correct; nobody writes through it.
    return const_cast<XnUInt8*>(frame->rgb.data());
}

XnStatus ImageNode::SetPixelFormat(XnPixelFormat format) {
    return IsPixelFormatSupported(format) ? XnStatus{XN_STATUS_OK} : XnStatus{XN_STATUS_BAD_PARAM};
}

void ImageNode::Produce(std::uint64_t stamp) {
    const XnMapOutputMode mode = Mode();
    Camera camera;
    camera.width = mode.nXRes;
    camera.height = mode.nYRes;
    camera.position = Room::ImageCameraPosition();
    camera.mirror = IsMirrored();
    frame = TheSensor().Render(stamp, camera, true);
}

}  // namespace Orvo::VirtualSensor
