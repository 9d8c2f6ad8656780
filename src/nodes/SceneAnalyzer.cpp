#include <XnOpenNI.h>

#include "Access.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "nodes/Lookup.hpp"
#include "nodes/MetaData.hpp"

namespace Orvo::OpenNI {

SceneAnalyzer::SceneAnalyzer(const std::shared_ptr<Context>& context, ErrorCollection* errors)
    : Node(context, detail::CreateNode(xnCreateSceneAnalyzer, context, errors)) {}

std::optional<PositionNormal> SceneAnalyzer::Floor() const {
    PositionNormal floor;
    if (xnGetFloor(detail::Access::Live(*this), reinterpret_cast<XnPlane3D*>(&floor)) != XN_STATUS_OK) {
        return std::nullopt;
    }
    return floor;
}

SceneMetaData SceneAnalyzer::MetaData() const {
    XnNodeHandle node = detail::Access::Live(*this);
    XnSceneMetaData* record = detail::StorageFor(metaData);
    xnGetSceneMetaData(node, record);
    return detail::ToRecord(*record);
}

const std::uint16_t* SceneAnalyzer::LabelMap() const {
    return xnGetLabelMap(detail::Access::Live(*this));
}

}  // namespace Orvo::OpenNI
