#include "Node.hpp"

#include <XnPropNames.h>

#include <cstring>

namespace Orvo::VirtualSensor {

const std::vector<XnMapOutputMode>& CameraModes() {
    static const std::vector<XnMapOutputMode> modes{{640, 480, 30}, {320, 240, 30}, {640, 480, 60}, {320, 240, 60}};
    return modes;
}

bool operator==(const XnMapOutputMode& a, const XnMapOutputMode& b) {
    return a.nXRes == b.nXRes && a.nYRes == b.nYRes && a.nFPS == b.nFPS;
}

XnStatus CopyString(std::string_view text, XnChar* buffer, XnUInt32 size) {
    if (buffer == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    if (text.size() >= size) {
        return XN_STATUS_OUTPUT_BUFFER_OVERFLOW;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return XN_STATUS_OK;
}

Node::Node(XnContext* context, std::string name)
    : context(context), name(std::move(name)), sensor(Sensor::ForContext(context)) {}

Node::~Node() {
    sensor->RemoveListeners(name);
}

bool Node::IsCapabilitySupported(std::string_view) const {
    return false;
}

XnStatus Node::InitNotifications(XnNodeNotifications* notifications, void* cookie) {
    if (notifications == nullptr) {
        return XN_STATUS_NULL_INPUT_PTR;
    }
    sensor->AddListener(name, notifications, cookie);
    return XN_STATUS_OK;
}

void Node::StopNotifications() {
    sensor->RemoveListeners(name);
}

XnStatus Node::SetIntProperty(std::string_view property, XnUInt64 value) {
    if (property == Property::kSeed) {
        SceneSettings scene = sensor->Scene();
        scene.seed = value;
        sensor->SetScene(scene);
        return XN_STATUS_OK;
    }
    if (property == Property::kLoopDuration) {
        return XN_STATUS_INVALID_OPERATION;
    }
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::SetRealProperty(std::string_view, XnDouble) {
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::SetStringProperty(std::string_view property, std::string_view value) {
    if (property == Property::kScenario) {
        const auto scenario = ScenarioFromName(value);
        if (!scenario) {
            return XN_STATUS_BAD_PARAM;
        }
        SceneSettings scene = sensor->Scene();
        scene.scenario = *scenario;
        sensor->SetScene(scene);
        return XN_STATUS_OK;
    }
    if (property == Property::kPacing) {
        const auto pacing = PacingFromName(value);
        if (!pacing) {
            return XN_STATUS_BAD_PARAM;
        }
        sensor->SetPacing(*pacing);
        return XN_STATUS_OK;
    }
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::SetGeneralProperty(std::string_view, XnUInt32, const void*) {
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::GetIntProperty(std::string_view property, XnUInt64& value) const {
    if (property == Property::kSeed) {
        value = sensor->Scene().seed;
        return XN_STATUS_OK;
    }
    if (property == Property::kLoopDuration) {
        value = sensor->CurrentTimeline()->LoopDuration();
        return XN_STATUS_OK;
    }
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::GetRealProperty(std::string_view, XnDouble&) const {
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::GetStringProperty(std::string_view property, XnChar* buffer, XnUInt32 size) const {
    if (property == Property::kScenario) {
        return CopyString(NameOf(sensor->Scene().scenario), buffer, size);
    }
    if (property == Property::kPacing) {
        return CopyString(NameOf(sensor->CurrentPacing()), buffer, size);
    }
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Node::GetGeneralProperty(std::string_view, XnUInt32, void*) const {
    return XN_STATUS_NO_SUCH_PROPERTY;
}

XnStatus Generator::StartGenerating() {
    if (!generating.exchange(true)) {
        generationRunning.Fire();
    }
    return XN_STATUS_OK;
}

void Generator::StopGenerating() {
    if (generating.exchange(false)) {
        generationRunning.Fire();
    }
}

bool Generator::IsCapabilitySupported(std::string_view capability) const {
    return (capability == XN_CAPABILITY_MIRROR && SupportsMirror()) || Node::IsCapabilitySupported(capability);
}

XnStatus Generator::SetMirror(bool on) {
    if (!SupportsMirror()) {
        return XN_STATUS_NOT_IMPLEMENTED;
    }
    if (mirror.exchange(on) != on) {
        mirrorChange.Fire();
    }
    return XN_STATUS_OK;
}

std::vector<XnMapOutputMode> MapGenerator::SupportedModes() const {
    return CameraModes();
}

XnStatus MapGenerator::SetMode(const XnMapOutputMode&) {
    return XN_STATUS_NOT_IMPLEMENTED;
}

}  // namespace Orvo::VirtualSensor
