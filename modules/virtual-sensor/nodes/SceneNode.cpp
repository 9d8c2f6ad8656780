#include "SceneNode.hpp"

namespace Orvo::VirtualSensor {

SceneNode::SceneNode(XnContext* context, std::string name, XnNodeHandle depth)
    : MapGenerator(context, std::move(name)), follower(context, depth) {
    const XnMapOutputMode mode = follower.DepthMode();
    frame = BlankFrame(mode.nXRes, mode.nYRes);
    camera.width = mode.nXRes;
    camera.height = mode.nYRes;
    fps = mode.nFPS;
}

bool SceneNode::IsNewDataAvailable(XnUInt64& timestamp) {
    return IsGenerating() && follower.HasNewFrame(timestamp);
}

XnStatus SceneNode::UpdateData() {
    if (!IsGenerating()) {
        return XN_STATUS_OK;
    }
    const auto view = follower.TakeFrame();
    if (!view) {
        return XN_STATUS_OK;
    }
    const XnMapOutputMode before = Mode();
    const auto timeline = TheSensor().TimelineOf(view->settings.value_or(TheSensor().Scene()));
    frame = TheSensor().Render(*timeline, view->timestamp, view->camera, false);
    camera = view->camera;
    fps = view->fps;
    timestamp = view->timestamp;
    frameId = view->frameId;
    if (!(Mode() == before)) {
        modeChange.Fire();
    }
    return XN_STATUS_OK;
}

std::vector<XnMapOutputMode> SceneNode::SupportedModes() const {
    return {follower.DepthMode()};
}

XnStatus SceneNode::SetMode(const XnMapOutputMode& mode) {
    return mode == follower.DepthMode() ? XnStatus{XN_STATUS_OK} : XnStatus{XN_STATUS_INVALID_OPERATION};
}

XnMapOutputMode SceneNode::Mode() const {
    return {frame->width, frame->height, fps};
}

XnPlane3D SceneNode::Floor() const {
    // The floor is level and the camera is not tilted: straight below it,
    // whatever the mirror or viewpoint.
    const Vec3 point = camera.ToRealWorld(Vec3{camera.position.x, 0.0, camera.position.z + 3000.0});
    XnPlane3D plane{};
    plane.vNormal = {0.0f, 1.0f, 0.0f};
    plane.ptPoint = {static_cast<XnFloat>(point.x), static_cast<XnFloat>(point.y), static_cast<XnFloat>(point.z)};
    return plane;
}

}  // namespace Orvo::VirtualSensor
