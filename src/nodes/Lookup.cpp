#include "nodes/Lookup.hpp"

#include <XnOpenNI.h>

#include <stdexcept>

#include "Access.hpp"

namespace Orvo::OpenNI::detail {

XnContext* RequireLive(const std::shared_ptr<Context>& context) {
    if (context == nullptr) {
        throw std::invalid_argument("context is missing");
    }
    return Access::Live(*context);
}

XnNodeHandle FindNode(const std::shared_ptr<Context>& context, XnProductionNodeType type) {
    XnContext* live = RequireLive(context);
    XnNodeHandle node = nullptr;
    // The found handle is not referenced: like every node of this library it
    // lives as long as the context, so nothing has to release it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
    Check(xnFindExistingNodeByType(live, type, &node));
#pragma GCC diagnostic pop
    return node;
}

XnNodeHandle CreateNode(CreateFunction create, const std::shared_ptr<Context>& context, const ErrorCollection* errors) {
    XnContext* live = RequireLive(context);
    XnNodeHandle node = nullptr;
    Check(create(live, &node, nullptr, Access::ErrorsOrNull(errors)));
    return node;
}

}  // namespace Orvo::OpenNI::detail
