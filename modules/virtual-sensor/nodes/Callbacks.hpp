// Handlers registered by the framework, fired by the nodes.
#pragma once

#include <XnTypes.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Orvo::VirtualSensor {

/// A list of (handler, cookie) pairs. Firing works on a copy and skips the
/// entries unregistered meanwhile, so a handler may unregister itself or
/// another; registration may come from any thread.
template <class Handler>
class Callbacks {
public:
    XnStatus Register(Handler handler, void* cookie, XnCallbackHandle* handle) {
        if (handler == nullptr) {
            return XN_STATUS_NULL_INPUT_PTR;
        }
        if (handle == nullptr) {
            return XN_STATUS_NULL_OUTPUT_PTR;
        }
        std::lock_guard lock(mutex);
        const std::uintptr_t id = NextId();
        entries.push_back({id, handler, cookie});
        *handle = reinterpret_cast<XnCallbackHandle>(id);
        return XN_STATUS_OK;
    }

    void Unregister(XnCallbackHandle handle) {
        std::lock_guard lock(mutex);
        std::erase_if(entries, [&](const Entry& e) { return e.id == reinterpret_cast<std::uintptr_t>(handle); });
    }

    template <class... Args>
    void Fire(Args... args) {
        std::vector<Entry> copy;
        {
            std::lock_guard lock(mutex);
            copy = entries;
        }
        for (const Entry& entry : copy) {
            if (IsRegistered(entry.id)) {
                entry.handler(args..., entry.cookie);
            }
        }
    }

private:
    struct Entry {
        std::uintptr_t id;
        Handler handler;
        void* cookie;
    };

    static std::uintptr_t NextId() {
        static std::atomic<std::uintptr_t> next{1};
        return next++;
    }

    bool IsRegistered(std::uintptr_t id) const {
        std::lock_guard lock(mutex);
        for (const Entry& e : entries) {
            if (e.id == id) {
                return true;
            }
        }
        return false;
    }

    mutable std::mutex mutex;
    std::vector<Entry> entries;
};

}  // namespace Orvo::VirtualSensor
