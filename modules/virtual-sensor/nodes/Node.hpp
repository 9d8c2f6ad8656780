// The behaviour behind the framework's node interfaces, as C++ classes; the
// C tables that call them are filled in Interfaces.cpp.
#pragma once

#include <XnModuleInterface.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Callbacks.hpp"
#include "Sensor.hpp"

namespace Orvo::VirtualSensor {

using StateHandlers = Callbacks<XnModuleStateChangedHandler>;

class Node {
public:
    Node(XnContext* context, std::string name);
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    [[nodiscard]] XnContext* Context() const { return context; }
    [[nodiscard]] const std::string& Name() const { return name; }
    [[nodiscard]] Sensor& TheSensor() const { return *sensor; }

    [[nodiscard]] virtual bool IsCapabilitySupported(std::string_view capability) const;
    virtual XnStatus SetIntProperty(std::string_view property, XnUInt64 value);
    virtual XnStatus SetRealProperty(std::string_view property, XnDouble value);
    virtual XnStatus SetStringProperty(std::string_view property, std::string_view value);
    virtual XnStatus SetGeneralProperty(std::string_view property, XnUInt32 size, const void* buffer);
    virtual XnStatus GetIntProperty(std::string_view property, XnUInt64& value) const;
    virtual XnStatus GetRealProperty(std::string_view property, XnDouble& value) const;
    virtual XnStatus GetStringProperty(std::string_view property, XnChar* buffer, XnUInt32 size) const;
    virtual XnStatus GetGeneralProperty(std::string_view property, XnUInt32 size, void* buffer) const;

    /// A recorder asks to hear of our settings, so that they travel with the recording.
    XnStatus InitNotifications(XnNodeNotifications* notifications, void* cookie);
    void StopNotifications();

private:
    XnContext* context;
    std::string name;
    std::shared_ptr<Sensor> sensor;
};

class Generator : public Node {
public:
    using Node::Node;

    virtual XnStatus StartGenerating();
    virtual void StopGenerating();
    [[nodiscard]] bool IsGenerating() const { return generating; }

    /// True when an update would bring a frame newer than the current one.
    virtual bool IsNewDataAvailable(XnUInt64& timestamp) = 0;
    virtual XnStatus UpdateData() = 0;
    [[nodiscard]] virtual const void* Data() const = 0;
    [[nodiscard]] virtual XnUInt32 DataSize() const = 0;
    [[nodiscard]] XnUInt64 Timestamp() const { return timestamp; }
    [[nodiscard]] XnUInt32 FrameId() const { return frameId; }

    [[nodiscard]] bool IsCapabilitySupported(std::string_view capability) const override;
    [[nodiscard]] virtual bool SupportsMirror() const { return false; }
    XnStatus SetMirror(bool on);
    [[nodiscard]] bool IsMirrored() const { return mirror; }

    StateHandlers generationRunning;
    StateHandlers newData;
    StateHandlers mirrorChange;

protected:
    std::atomic<bool> generating{false};
    std::atomic<bool> mirror{false};
    XnUInt64 timestamp = 0;
    XnUInt32 frameId = 0;
};

class MapGenerator : public Generator {
public:
    using Generator::Generator;

    [[nodiscard]] virtual std::vector<XnMapOutputMode> SupportedModes() const;
    virtual XnStatus SetMode(const XnMapOutputMode& mode);
    [[nodiscard]] virtual XnMapOutputMode Mode() const = 0;
    [[nodiscard]] virtual XnUInt32 BytesPerPixel() const = 0;

    StateHandlers modeChange;
};

/// The modes the depth and image cameras offer; the first is the default.
const std::vector<XnMapOutputMode>& CameraModes();
bool operator==(const XnMapOutputMode& a, const XnMapOutputMode& b);

/// Copies `text` with its terminator into `buffer`, or says it does not fit.
XnStatus CopyString(std::string_view text, XnChar* buffer, XnUInt32 size);

}  // namespace Orvo::VirtualSensor
