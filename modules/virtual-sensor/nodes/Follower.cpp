#include "Follower.hpp"

#include <XnContext.h>
#include <XnPrdNode.h>
#include <XnPrdNodeInfo.h>
#include <XnPrdNodeInfoList.h>
#include <XnUtils.h>

#include <new>
#include <string>

#include "Sensor.hpp"

namespace Orvo::VirtualSensor {

DepthFollower::DepthFollower(XnContext* context, XnNodeHandle depth)
    : context(context), depth(depth), metaData(xnAllocateDepthMetaData()) {
    if (metaData == nullptr) {
        throw std::bad_alloc();
    }
}

DepthFollower::~DepthFollower() {
    xnFreeDepthMetaData(metaData);
    xnProductionNodeRelease(depth);
}

std::pair<XnUInt32, XnUInt64> DepthFollower::Current() const {
    return {xnGetFrameID(depth), xnGetTimestamp(depth)};
}

bool DepthFollower::HasNewFrame(XnUInt64& timestamp) const {
    const auto current = Current();
    if (current.first != 0 && current != taken) {
        timestamp = current.second;
        return true;
    }
    return xnIsNewDataAvailable(depth, &timestamp) != FALSE;
}

std::optional<DepthFollower::View> DepthFollower::TakeFrame() {
    xnGetDepthMetaData(depth, metaData);
    const XnOutputMetaData& output = *metaData->pMap->pOutput;
    const std::pair<XnUInt32, XnUInt64> current{output.nFrameID, output.nTimestamp};
    if (current.first == 0 || current == taken) {
        return std::nullopt;
    }
    taken = current;
    View view;
    view.timestamp = output.nTimestamp;
    view.frameId = output.nFrameID;
    view.fps = metaData->pMap->nFPS;
    view.camera.width = metaData->pMap->Res.X;
    view.camera.height = metaData->pMap->Res.Y;
    XnFieldOfView fov{};
    if (xnGetDepthFieldOfView(depth, &fov) == XN_STATUS_OK) {
        view.camera.horizontalFov = fov.fHFOV;
        view.camera.verticalFov = fov.fVFOV;
    }
    view.camera.mirror = xnIsCapabilitySupported(depth, XN_CAPABILITY_MIRROR) && xnIsMirrored(depth);
    view.camera.position = SeenFromImageCamera() ? Room::ImageCameraPosition() : Room::DepthCameraPosition();
    const bool whole = metaData->pMap->Offset.X == 0 && metaData->pMap->Offset.Y == 0 &&
                       output.nDataSize == std::size_t{view.camera.width} * view.camera.height * sizeof(XnDepthPixel);
    view.depth = whole ? metaData->pData : nullptr;
    view.settings = Settings();
    return view;
}

std::optional<SceneSettings> DepthFollower::Settings() const {
    char name[64];
    XnUInt64 seed = 0;
    if (xnGetStringProperty(depth, std::string(Property::kScenario).c_str(), name, sizeof name) != XN_STATUS_OK ||
        xnGetIntProperty(depth, std::string(Property::kSeed).c_str(), &seed) != XN_STATUS_OK) {
        return std::nullopt;
    }
    const auto scenario = ScenarioFromName(name);
    if (!scenario) {
        return std::nullopt;
    }
    return SceneSettings{*scenario, seed};
}

XnMapOutputMode DepthFollower::DepthMode() const {
    XnMapOutputMode mode{};
    xnGetMapOutputMode(depth, &mode);
    return mode;
}

bool DepthFollower::SeenFromImageCamera() const {
    if (!xnIsCapabilitySupported(depth, XN_CAPABILITY_ALTERNATIVE_VIEW_POINT)) {
        return false;
    }
    XnNodeInfoList* images = nullptr;
    if (xnEnumerateExistingNodesByType(context, XN_NODE_TYPE_IMAGE, &images) != XN_STATUS_OK) {
        return false;
    }
    bool registered = false;
    for (XnNodeInfoListIterator it = xnNodeInfoListGetFirst(images); !registered && xnNodeInfoListIteratorIsValid(it);
         it = xnNodeInfoListGetNext(it)) {
        XnNodeHandle image = xnNodeInfoGetRefHandle(xnNodeInfoListGetCurrent(it));
        if (image != nullptr) {
            registered = xnIsViewPointAs(depth, image) != FALSE;
            xnProductionNodeRelease(image);
        }
    }
    xnNodeInfoListFree(images);
    return registered;
}

}  // namespace Orvo::VirtualSensor
