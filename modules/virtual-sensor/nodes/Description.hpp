// How the framework knows our nodes.
#pragma once

#include <XnTypes.h>

#include <cstring>

namespace Orvo::VirtualSensor {

inline constexpr const char* kVendor = "Orvo";
inline constexpr const char* kProductName = "VirtualSensor";

inline XnProductionNodeDescription DescriptionOf(XnProductionNodeType type) {
    XnProductionNodeDescription description{};
    description.Type = type;
    std::strncpy(description.strVendor, kVendor, XN_MAX_NAME_LENGTH - 1);
    std::strncpy(description.strName, kProductName, XN_MAX_NAME_LENGTH - 1);
    description.Version = {0, 1, 0, 0};
    return description;
}

/// Whether `description` is one of our nodes of `type`.
inline bool IsOurs(const XnProductionNodeDescription& description, XnProductionNodeType type) {
    return description.Type == type && std::strcmp(description.strVendor, kVendor) == 0 &&
           std::strcmp(description.strName, kProductName) == 0;
}

}  // namespace Orvo::VirtualSensor
