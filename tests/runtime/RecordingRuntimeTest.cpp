// Depth and image nodes over a .oni recording that the test makes itself with
// the framework's mock nodes and recorder.
#include <XnCodecIDs.h>
#include <XnOpenNI.h>
#include <XnPropNames.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModuleRegistry.hpp"
#include "Orvo/OpenNI/Nodes.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

constexpr XnUInt32 kWidth = 64;
constexpr XnUInt32 kHeight = 48;
constexpr XnUInt32 kFrames = 5;

void Ok(XnStatus status, const char* what) {
    if (status != XN_STATUS_OK) {
        throw std::runtime_error(std::string(what) + ": " + xnGetStatusString(status));
    }
}

std::vector<XnDepthPixel> DepthFrame(XnUInt32 frame) {
    std::vector<XnDepthPixel> pixels(kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<XnDepthPixel>(500 + frame * 100 + i % 997);
    }
    return pixels;
}

std::vector<XnUInt8> ImageFrame(XnUInt32 frame) {
    std::vector<XnUInt8> pixels(kWidth * kHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<XnUInt8>(frame * 31 + i * 7);
    }
    return pixels;
}

/// Mock nodes look like real generators once their map properties are set.
XnNodeHandle MockGenerator(XnContext* context, XnProductionNodeType type, const char* name) {
    XnNodeHandle node = nullptr;
    Ok(xnCreateMockNode(context, type, name, &node), "xnCreateMockNode");
    XnMapOutputMode mode{kWidth, kHeight, 30};
    // The recorder asks every generator about mirroring, which a mock answers from this property.
    Ok(xnSetIntProperty(node, "Mirror", 1), "mirror");
    Ok(xnSetIntProperty(node, XN_PROP_SUPPORTED_MAP_OUTPUT_MODES_COUNT, 1), "modes count");
    Ok(xnSetGeneralProperty(node, XN_PROP_SUPPORTED_MAP_OUTPUT_MODES, sizeof mode, &mode), "modes");
    Ok(xnSetGeneralProperty(node, XN_PROP_MAP_OUTPUT_MODE, sizeof mode, &mode), "mode");
    return node;
}

/// Records kFrames frames of a mock depth and a mock image node into `path`.
void MakeRecording(const std::filesystem::path& path) {
    XnContext* context = nullptr;
    Ok(xnInit(&context), "xnInit");
    XnNodeHandle depth = MockGenerator(context, XN_NODE_TYPE_DEPTH, "MockDepth");
    Ok(xnSetIntProperty(depth, XN_PROP_DEVICE_MAX_DEPTH, 10000), "max depth");
    XnFieldOfView fov{1.0, 0.75};
    Ok(xnSetGeneralProperty(depth, XN_PROP_FIELD_OF_VIEW, sizeof fov, &fov), "fov");
    XnNodeHandle image = MockGenerator(context, XN_NODE_TYPE_IMAGE, "MockImage");
    Ok(xnSetIntProperty(image, XN_PROP_PIXEL_FORMAT, XN_PIXEL_FORMAT_RGB24), "pixel format");

    XnNodeHandle recorder = nullptr;
    Ok(xnCreateRecorder(context, "oni", &recorder), "xnCreateRecorder");
    Ok(xnSetRecorderDestination(recorder, XN_RECORD_MEDIUM_FILE, path.c_str()), "destination");
    Ok(xnAddNodeToRecording(recorder, depth, XN_CODEC_UNCOMPRESSED), "add depth");
    Ok(xnAddNodeToRecording(recorder, image, XN_CODEC_UNCOMPRESSED), "add image");
    for (XnUInt32 frame = 1; frame <= kFrames; ++frame) {
        auto depthPixels = DepthFrame(frame);
        auto imagePixels = ImageFrame(frame);
        Ok(xnMockDepthSetData(depth, frame, frame * 33333, depthPixels.size() * sizeof(XnDepthPixel),
                              depthPixels.data()),
           "depth data");
        Ok(xnMockImageSetData(image, frame, frame * 33333, imagePixels.size(), imagePixels.data()), "image data");
        Ok(xnRecord(recorder), "xnRecord");
    }
    xnProductionNodeRelease(recorder);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-warning"
    xnShutdown(context);
#pragma GCC diagnostic pop
}

class RecordingRuntimeTest : public ::testing::Test {
protected:
    ModuleRegistry registry{{MockNodesModule(), RecorderModule(), CodecsModule()}};
    std::filesystem::path recording = registry.Folder() / "frames.oni";

    std::shared_ptr<Context> Playback() {
        MakeRecording(recording);
        auto config = registry.WriteConfig("playback.xml",
                                           "<Recording file=\"" + recording.string() + "\" playbackSpeed=\"0.0\"/>");
        return Context::Create(config.string());
    }
};

TEST_F(RecordingRuntimeTest, RecordedFramesReadBackUnchanged) {
    auto context = Playback();
    DepthGenerator depth = DepthGenerator::Find(context);
    ImageGenerator image = ImageGenerator::Find(context);
    MapOutputMode mode = depth.MapOutputMode();
    EXPECT_EQ(mode.Width, kWidth);
    EXPECT_EQ(mode.Height, kHeight);
    EXPECT_EQ(image.MapOutputMode().Width, kWidth);

    for (XnUInt32 frame = 1; frame <= kFrames; ++frame) {
        context->WaitAndUpdateAll();
        DepthMetaData metaData = depth.MetaData();
        const auto& map = *reinterpret_cast<const XnMapMetaData*>(metaData.Map);
        ASSERT_EQ(map.pOutput->nFrameID, frame);
        EXPECT_EQ(metaData.Data, reinterpret_cast<std::uintptr_t>(depth.Map()));
        auto depthPixels = DepthFrame(frame);
        EXPECT_EQ(std::memcmp(depth.Map(), depthPixels.data(), depthPixels.size() * sizeof(XnDepthPixel)), 0)
            << "depth frame " << frame;
        auto imagePixels = ImageFrame(frame);
        EXPECT_EQ(std::memcmp(image.Map(), imagePixels.data(), imagePixels.size()), 0) << "image frame " << frame;
    }
}

TEST_F(RecordingRuntimeTest, PlayedBackModeCannotBeChanged) {
    auto context = Playback();
    DepthGenerator depth = DepthGenerator::Find(context);
    MapOutputMode other = depth.MapOutputMode();
    other.Width = kWidth * 2;
    std::string message;
    try {
        depth.SetMapOutputMode(other);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    // A player's nodes are locked: the framework refuses with its own status.
    EXPECT_EQ(message, "00010016: The node is locked for changes!");
    EXPECT_EQ(depth.MapOutputMode().Width, kWidth);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
