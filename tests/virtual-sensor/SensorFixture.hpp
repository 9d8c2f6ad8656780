// A context on the real framework whose only modules are the virtual sensor
// (and, where a test needs them, the framework's recorder and mock nodes).
#pragma once

#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"

namespace Orvo::VirtualSensor::Testing {

using Orvo::OpenNI::Testing::ModuleRegistry;

inline std::filesystem::path VirtualSensorModule() {
    return ORVO_VIRTUAL_SENSOR_MODULE;
}

/// Owns a node reference.
class NodeRef {
public:
    NodeRef() = default;
    explicit NodeRef(XnNodeHandle handle) : handle(handle) {}
    NodeRef(const NodeRef&) = delete;
    NodeRef& operator=(const NodeRef&) = delete;
    NodeRef(NodeRef&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    NodeRef& operator=(NodeRef&& other) noexcept {
        std::swap(handle, other.handle);
        return *this;
    }
    ~NodeRef() {
        if (handle != nullptr) {
            xnProductionNodeRelease(handle);
        }
    }
    XnNodeHandle get() const { return handle; }
    XnNodeHandle* out() { return &handle; }
    operator XnNodeHandle() const { return handle; }

private:
    XnNodeHandle handle = nullptr;
};

/// Owns a context reference; releases it after the nodes it was given.
class ContextRef {
public:
    ContextRef() = default;
    ContextRef(const ContextRef&) = delete;
    ContextRef& operator=(const ContextRef&) = delete;
    ~ContextRef() { Reset(); }
    void Reset() {
        nodes.clear();
        if (context != nullptr) {
            xnContextRelease(context);
            context = nullptr;
        }
    }
    XnContext* get() const { return context; }
    XnContext** out() { return &context; }
    operator XnContext*() const { return context; }
    /// Keeps `node` alive as long as the context.
    XnNodeHandle Keep(NodeRef node) {
        nodes.push_back(std::move(node));
        return nodes.back();
    }

private:
    XnContext* context = nullptr;
    std::vector<NodeRef> nodes;
};

inline std::string StatusText(XnStatus status) {
    return xnGetStatusString(status);
}

/// Success, or the framework's status and its text.
inline ::testing::AssertionResult XnOk(XnStatus status, const char* expression) {
    if (status == XN_STATUS_OK) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << expression << " gave " << std::hex << status << ": "
                                         << xnGetStatusString(status);
}
#define ASSERT_XN_OK(expression) ASSERT_TRUE(XnOk((expression), #expression))
#define EXPECT_XN_OK(expression) EXPECT_TRUE(XnOk((expression), #expression))

class SensorTest : public ::testing::Test {
protected:
    explicit SensorTest(std::vector<std::filesystem::path> modules = {VirtualSensorModule()}) : registry(modules) {}

    /// A context made with xnInit, and one node of each type in `types` made
    /// with the framework's create calls, free-running.
    void Init() { ASSERT_XN_OK(xnInit(context.out())); }
    XnNodeHandle Create(XnProductionNodeType type) {
        NodeRef node;
        XnStatus status = XN_STATUS_OK;
        switch (type) {
            case XN_NODE_TYPE_DEPTH:
                status = xnCreateDepthGenerator(context, node.out(), nullptr, nullptr);
                break;
            case XN_NODE_TYPE_IMAGE:
                status = xnCreateImageGenerator(context, node.out(), nullptr, nullptr);
                break;
            case XN_NODE_TYPE_USER:
                status = xnCreateUserGenerator(context, node.out(), nullptr, nullptr);
                break;
            case XN_NODE_TYPE_SCENE:
                status = xnCreateSceneAnalyzer(context, node.out(), nullptr, nullptr);
                break;
            default:
                status = XN_STATUS_BAD_PARAM;
        }
        EXPECT_EQ(status, XN_STATUS_OK) << "creating node type " << type << ": " << xnGetStatusString(status);
        return context.Keep(std::move(node));
    }
    /// Initialises the context from a configuration whose nodes are `nodes`.
    XnStatus InitFrom(const std::string& nodes) {
        const auto path = registry.WriteConfig("config.xml", nodes);
        NodeRef script;
        const XnStatus status = xnInitFromXmlFileEx(path.c_str(), context.out(), nullptr, script.out());
        // The script node owns the nodes it made: keep it as long as the context.
        context.Keep(std::move(script));
        return status;
    }
    XnNodeHandle Find(XnProductionNodeType type) {
        NodeRef node;
        const XnStatus status = xnFindExistingRefNodeByType(context, type, node.out());
        EXPECT_EQ(status, XN_STATUS_OK) << "finding node type " << type << ": " << xnGetStatusString(status);
        return context.Keep(std::move(node));
    }
    static void FreeRunning(XnNodeHandle node) { ASSERT_XN_OK(xnSetStringProperty(node, "Pacing", "FreeRunning")); }

    ModuleRegistry registry;
    ContextRef context;
};

}  // namespace Orvo::VirtualSensor::Testing
