// The colour camera: RGB24 pictures of the same room.
#pragma once

#include "Source.hpp"

namespace Orvo::VirtualSensor {

class ImageNode : public SourceNode {
public:
    ImageNode(XnContext* context, std::string name);

    [[nodiscard]] const void* Data() const override;
    [[nodiscard]] XnUInt32 DataSize() const override;
    [[nodiscard]] XnUInt32 BytesPerPixel() const override { return 3; }

    [[nodiscard]] XnUInt8* ImageMap() const;
    [[nodiscard]] static bool IsPixelFormatSupported(XnPixelFormat format) { return format == XN_PIXEL_FORMAT_RGB24; }
    static XnStatus SetPixelFormat(XnPixelFormat format);
    [[nodiscard]] static XnPixelFormat PixelFormat() { return XN_PIXEL_FORMAT_RGB24; }

    StateHandlers pixelFormatChange;

protected:
    void Produce(std::uint64_t timestamp) override;

private:
    std::shared_ptr<const Frame> frame;
};

}  // namespace Orvo::VirtualSensor
