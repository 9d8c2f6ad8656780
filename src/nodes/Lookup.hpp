// Finding and creating framework nodes, shared by every node class.
#pragma once

#include <XnTypes.h>

#include <memory>

#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"

namespace Orvo::OpenNI::detail {

/// The context handle of a context that must be given and live.
XnContext* RequireLive(const std::shared_ptr<Context>& context);

/// The node of `type` that `context` already holds; throws the status error.
XnNodeHandle FindNode(const std::shared_ptr<Context>& context, XnProductionNodeType type);

using CreateFunction = XnStatus (*)(XnContext*, XnNodeHandle*, XnNodeQuery*, XnEnumerationErrors*);

/// A new node made by `create` with no query; throws the status error.
XnNodeHandle CreateNode(CreateFunction create, const std::shared_ptr<Context>& context, const ErrorCollection* errors);

}  // namespace Orvo::OpenNI::detail
