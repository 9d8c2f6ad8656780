// The scene analyser: which person each depth pixel shows, and the floor.
#pragma once

#include "Follower.hpp"
#include "Node.hpp"

namespace Orvo::VirtualSensor {

class SceneNode : public MapGenerator {
public:
    /// Takes over a reference to `depth`.
    SceneNode(XnContext* context, std::string name, XnNodeHandle depth);

    bool IsNewDataAvailable(XnUInt64& timestamp) override;
    XnStatus UpdateData() override;
    [[nodiscard]] const void* Data() const override { return frame->labels.data(); }
    [[nodiscard]] XnUInt32 DataSize() const override {
        return static_cast<XnUInt32>(frame->labels.size() * sizeof(XnLabel));
    }

    /// The label map follows the depth node's mode: that is the only one.
    [[nodiscard]] std::vector<XnMapOutputMode> SupportedModes() const override;
    XnStatus SetMode(const XnMapOutputMode& mode) override;
    [[nodiscard]] XnMapOutputMode Mode() const override;
    [[nodiscard]] XnUInt32 BytesPerPixel() const override { return sizeof(XnLabel); }

    [[nodiscard]] const XnLabel* LabelMap() const { return frame->labels.data(); }
    [[nodiscard]] XnPlane3D Floor() const;

private:
    DepthFollower follower;
    std::shared_ptr<const Frame> frame;
    Camera camera;
    XnUInt32 fps = 30;
};

}  // namespace Orvo::VirtualSensor
