// The depth camera.
#pragma once

#include "Source.hpp"

namespace Orvo::VirtualSensor {

class DepthNode : public SourceNode {
public:
    DepthNode(XnContext* context, std::string name);

    [[nodiscard]] bool IsCapabilitySupported(std::string_view capability) const override;
    [[nodiscard]] const void* Data() const override;
    [[nodiscard]] XnUInt32 DataSize() const override;
    [[nodiscard]] XnUInt32 BytesPerPixel() const override { return sizeof(XnDepthPixel); }

    [[nodiscard]] XnDepthPixel* DepthMap() const;
    [[nodiscard]] static XnDepthPixel MaxDepth() { return Optics::kMaxDepth; }
    [[nodiscard]] static XnFieldOfView FieldOfView() { return {Optics::kHorizontalFov, Optics::kVerticalFov}; }

    /// The depth camera can be moved, in software, to the image camera's place.
    [[nodiscard]] static bool IsViewPointSupported(XnNodeHandle other);
    XnStatus SetViewPoint(XnNodeHandle other);
    [[nodiscard]] bool IsViewPointAs(XnNodeHandle other) const;
    XnStatus ResetViewPoint();

    StateHandlers viewPointChange;
    StateHandlers fieldOfViewChange;

protected:
    void Produce(std::uint64_t timestamp) override;

private:
    std::shared_ptr<const Frame> frame;
    std::atomic<bool> fromImageCamera{false};
};

}  // namespace Orvo::VirtualSensor
