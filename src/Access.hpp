// How the library reaches the framework handles that callers never see.
#pragma once

#include <XnTypes.h>

#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "errors/Check.hpp"

namespace Orvo::OpenNI::detail {

struct Access {
    /// The context handle, refusing a disposed context before the framework sees null.
    static XnContext* Live(const Context& context) {
        if (context._ == nullptr) [[unlikely]] {
            ThrowDisposed("Context");
        }
        return context._;
    }

    /// The errors handle to give the framework: null for none or a disposed collection.
    static XnEnumerationErrors* ErrorsOrNull(const ErrorCollection* errors) noexcept {
        return errors != nullptr ? errors->_ : nullptr;
    }

    static XnEnumerationErrors* Live(const ErrorCollection& errors) {
        if (errors._ == nullptr) [[unlikely]] {
            ThrowDisposed("ErrorCollection");
        }
        return errors._;
    }

    /// The node handle, refusing a node whose context was disposed (the
    /// framework freed the node then) or an object that was moved from.
    static XnNodeHandle Live(const Node& node) {
        if (node.context == nullptr) [[unlikely]] {
            ThrowDisposed("Node");
        }
        Live(*node.context);
        return node._;
    }

    static XnContext* LiveContext(const Node& node) {
        Live(node);
        return node.context->_;
    }

    template <typename Record>
    static Record*& Storage(OwnedRecord<Record>& owned) noexcept {
        return owned.record;
    }
};

}  // namespace Orvo::OpenNI::detail
