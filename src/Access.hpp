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
        if (node._ == nullptr) [[unlikely]] {
            ThrowDisposed("Node");  // a UserGenerator after its Dispose()
        }
        return node._;
    }

    /// The stored node handle, which a UserGenerator clears at its disposal.
    static XnNodeHandle& Handle(Node& node) noexcept { return node._; }

    /// True while the framework still holds the node: its context is there
    /// and not shut down.
    static bool FrameworkHolds(const Node& node) noexcept {
        return node.context != nullptr && node.context->_ != nullptr;
    }

    /// The context handle of a node that Live() has accepted.
    static XnContext* ContextOf(const Node& node) noexcept { return node.context->_; }

    template <typename Record>
    static Record*& Storage(OwnedRecord<Record>& owned) noexcept {
        return owned.record;
    }
};

}  // namespace Orvo::OpenNI::detail
