// The module's entry points: what the framework looks up when it loads us.
#include <XnContext.h>
#include <XnModuleInterface.h>
#include <XnPrdNode.h>
#include <XnPrdNodeInfo.h>
#include <XnPrdNodeInfoList.h>
#include <XnVersion.h>

#include <memory>

#include "DepthNode.hpp"
#include "Description.hpp"
#include "Glue.hpp"
#include "ImageNode.hpp"
#include "Interfaces.hpp"
#include "SceneNode.hpp"
#include "UserNode.hpp"

namespace Orvo::VirtualSensor {
namespace {

void Destroy(XnModuleNodeHandle handle) {
    delete static_cast<Node*>(handle);
}

/// A camera node needs nothing else: one can always be made.
template <XnProductionNodeType type>
XnStatus EnumerateCamera(XnContext*, XnNodeInfoList* list, XnEnumerationErrors*) {
    const XnProductionNodeDescription description = DescriptionOf(type);
    return xnNodeInfoListAdd(list, &description, "", nullptr);
}

template <class T>
XnStatus CreateCamera(XnContext* context, const XnChar* name, const XnChar*, XnNodeInfoList*, const XnChar*,
                      XnModuleNodeHandle* handle) {
    if (handle == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    return Guarded([&] {
        *handle = static_cast<Node*>(new T(context, name != nullptr ? name : ""));
        return XnStatus{XN_STATUS_OK};
    });
}

/// A user or scene node stands on a depth node: one tree for each depth
/// node that exists or could be made, ours or another module's (a player's).
template <XnProductionNodeType type>
XnStatus EnumerateOnDepth(XnContext* context, XnNodeInfoList* list, XnEnumerationErrors* errors) {
    XnNodeInfoList* depths = nullptr;
    XnStatus status = xnEnumerateProductionTrees(context, XN_NODE_TYPE_DEPTH, nullptr, &depths, errors);
    if (status != XN_STATUS_OK) {
        return status;
    }
    const XnProductionNodeDescription description = DescriptionOf(type);
    for (XnNodeInfoListIterator it = xnNodeInfoListGetFirst(depths);
         status == XN_STATUS_OK && xnNodeInfoListIteratorIsValid(it); it = xnNodeInfoListGetNext(it)) {
        XnNodeInfoList* needed = nullptr;
        status = xnNodeInfoListAllocate(&needed);
        if (status == XN_STATUS_OK) {
            status = xnNodeInfoListAddNode(needed, xnNodeInfoListGetCurrent(it));
            if (status == XN_STATUS_OK) {
                status = xnNodeInfoListAdd(list, &description, "", needed);
            }
            xnNodeInfoListFree(needed);
        }
    }
    xnNodeInfoListFree(depths);
    return status;
}

template <class T>
XnStatus CreateOnDepth(XnContext* context, const XnChar* name, const XnChar*, XnNodeInfoList* needed, const XnChar*,
                       XnModuleNodeHandle* handle) {
    if (handle == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    XnNodeInfoListIterator it = needed != nullptr ? xnNodeInfoListGetFirst(needed) : XnNodeInfoListIterator{};
    XnNodeHandle depth = needed != nullptr && xnNodeInfoListIteratorIsValid(it)
                             ? xnNodeInfoGetRefHandle(xnNodeInfoListGetCurrent(it))
                             : nullptr;
    if (depth == nullptr) {
        return XN_STATUS_MISSING_NEEDED_TREE;
    }
    return Guarded([&] {
        try {
            *handle = static_cast<Node*>(new T(context, name != nullptr ? name : "", depth));
        } catch (...) {
            xnProductionNodeRelease(depth);
            throw;
        }
        return XnStatus{XN_STATUS_OK};
    });
}

void ExportDepth(XnModuleExportedProductionNodeInterface* exported) {
    exported->GetDescription = [](XnProductionNodeDescription* d) { *d = DescriptionOf(XN_NODE_TYPE_DEPTH); };
    exported->EnumerateProductionTrees = EnumerateCamera<XN_NODE_TYPE_DEPTH>;
    exported->Create = CreateCamera<DepthNode>;
    exported->Destroy = Destroy;
    exported->GetInterface.Depth = FillDepthInterface;
}

void ExportImage(XnModuleExportedProductionNodeInterface* exported) {
    exported->GetDescription = [](XnProductionNodeDescription* d) { *d = DescriptionOf(XN_NODE_TYPE_IMAGE); };
    exported->EnumerateProductionTrees = EnumerateCamera<XN_NODE_TYPE_IMAGE>;
    exported->Create = CreateCamera<ImageNode>;
    exported->Destroy = Destroy;
    exported->GetInterface.Image = FillImageInterface;
}

void ExportUser(XnModuleExportedProductionNodeInterface* exported) {
    exported->GetDescription = [](XnProductionNodeDescription* d) { *d = DescriptionOf(XN_NODE_TYPE_USER); };
    exported->EnumerateProductionTrees = EnumerateOnDepth<XN_NODE_TYPE_USER>;
    exported->Create = CreateOnDepth<UserNode>;
    exported->Destroy = Destroy;
    exported->GetInterface.User = FillUserInterface;
}

void ExportScene(XnModuleExportedProductionNodeInterface* exported) {
    exported->GetDescription = [](XnProductionNodeDescription* d) { *d = DescriptionOf(XN_NODE_TYPE_SCENE); };
    exported->EnumerateProductionTrees = EnumerateOnDepth<XN_NODE_TYPE_SCENE>;
    exported->Create = CreateOnDepth<SceneNode>;
    exported->Destroy = Destroy;
    exported->GetInterface.Scene = FillSceneInterface;
}

constexpr XnModuleGetExportedInterfacePtr kExports[] = {ExportDepth, ExportImage, ExportUser, ExportScene};

}  // namespace
}  // namespace Orvo::VirtualSensor

extern "C" {

XN_C_API_EXPORT XnStatus xnModuleLoad() {
    return XN_STATUS_OK;
}

XN_C_API_EXPORT void xnModuleUnload() {}

XN_C_API_EXPORT XnUInt32 xnModuleGetExportedNodesCount() {
    return static_cast<XnUInt32>(std::size(Orvo::VirtualSensor::kExports));
}

XN_C_API_EXPORT XnStatus xnModuleGetExportedNodesEntryPoints(XnModuleGetExportedInterfacePtr* entryPoints,
                                                             XnUInt32 count) {
    const auto& exports = Orvo::VirtualSensor::kExports;
    if (entryPoints == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    if (count < std::size(exports)) {
        return XN_STATUS_OUTPUT_BUFFER_OVERFLOW;
    }
    std::copy(std::begin(exports), std::end(exports), entryPoints);
    return XN_STATUS_OK;
}

XN_C_API_EXPORT void xnModuleGetOpenNIVersion(XnVersion* version) {
    if (version != nullptr) {
        *version = {XN_MAJOR_VERSION, XN_MINOR_VERSION, XN_MAINTENANCE_VERSION, XN_BUILD_VERSION};
    }
}

}  // extern "C"
