// The framework-allocated metadata records that nodes hand the framework to fill.
#pragma once

#include <XnOpenNI.h>

#include <cstdint>
#include <new>

#include "Access.hpp"

namespace Orvo::OpenNI::detail {

inline XnDepthMetaData* Allocate(XnDepthMetaData* /*tag*/) {
    return xnAllocateDepthMetaData();
}
inline XnSceneMetaData* Allocate(XnSceneMetaData* /*tag*/) {
    return xnAllocateSceneMetaData();
}

/// The object's record, allocated on first use. The framework's metadata calls
/// copy into the map description that the record points to, so a record without
/// that storage would be filled with nothing.
template <typename Record>
Record* StorageFor(OwnedRecord<Record>& owned) {
    Record*& record = Access::Storage(owned);
    if (record == nullptr) {
        record = Allocate(static_cast<Record*>(nullptr));
        if (record == nullptr) {
            throw std::bad_alloc();
        }
    }
    return record;
}

/// The caller's view of a filled framework record: the addresses of its map
/// description and its pixels, and for depth the framework's maximum depth.
inline DepthMetaData ToRecord(const XnDepthMetaData& record) noexcept {
    DepthMetaData result;
    result.Map = reinterpret_cast<std::uintptr_t>(record.pMap);
    result.Data = reinterpret_cast<std::uintptr_t>(record.pData);
    result.Depth = record.nZRes;
    return result;
}

inline SceneMetaData ToRecord(const XnSceneMetaData& record) noexcept {
    SceneMetaData result;
    result.Map = reinterpret_cast<std::uintptr_t>(record.pMap);
    result.Labels = reinterpret_cast<std::uintptr_t>(record.pData);
    return result;
}

}  // namespace Orvo::OpenNI::detail
