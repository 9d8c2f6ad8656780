#include "nodes/MetaData.hpp"

namespace Orvo::OpenNI::detail {

void Free(const XnDepthMetaData* record) noexcept {
    xnFreeDepthMetaData(record);
}
void Free(const XnSceneMetaData* record) noexcept {
    xnFreeSceneMetaData(record);
}

}  // namespace Orvo::OpenNI::detail
