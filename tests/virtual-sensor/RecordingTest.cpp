// The framework's recorder records the virtual sensor to a .oni file, and the
// framework's player plays it back: the same frames, and a user node on the
// player's depth node sees the same people.
#include <XnCodecIDs.h>
#include <XnOpenNI.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "SensorFixture.hpp"

namespace Orvo::VirtualSensor::Testing {
namespace {

using Orvo::OpenNI::Testing::CodecsModule;
using Orvo::OpenNI::Testing::MockNodesModule;
using Orvo::OpenNI::Testing::RecorderModule;

constexpr XnUInt32 kFrames = 75;  // two and a half seconds: someone walks in and stands

struct Seen {
    std::vector<XnDepthPixel> depth;
    std::vector<XnUInt8> rgb;
    std::vector<XnLabel> labels;
    std::map<XnUserID, XnPoint3D> users;
};

class RecordingTest : public SensorTest {
protected:
    RecordingTest() : SensorTest({VirtualSensorModule(), RecorderModule(), CodecsModule(), MockNodesModule()}) {}

    Seen Look(XnNodeHandle depth, XnNodeHandle image, XnNodeHandle user, XnNodeHandle scene) {
        Seen seen;
        const XnDepthPixel* d = xnGetDepthMap(depth);
        seen.depth.assign(d, d + xnGetDataSize(depth) / sizeof(XnDepthPixel));
        const XnUInt8* rgb = xnGetImageMap(image);
        seen.rgb.assign(rgb, rgb + xnGetDataSize(image));
        const XnLabel* labels = xnGetLabelMap(scene);
        seen.labels.assign(labels, labels + seen.depth.size());
        XnUserID ids[8];
        XnUInt16 count = 8;
        EXPECT_XN_OK(xnGetUsers(user, ids, &count));
        for (XnUInt16 i = 0; i < count; ++i) {
            EXPECT_XN_OK(xnGetUserCoM(user, ids[i], &seen.users[ids[i]]));
        }
        return seen;
    }
};

TEST_F(RecordingTest, PlaybackShowsTheRecordedFramesAndTheSamePeople) {
    const std::string file = (registry.Folder() / "sensor.oni").string();
    std::map<XnUInt64, Seen> live;
    {
        Init();
        XnNodeHandle depth = Create(XN_NODE_TYPE_DEPTH);
        XnNodeHandle image = Create(XN_NODE_TYPE_IMAGE);
        XnNodeHandle user = Create(XN_NODE_TYPE_USER);
        XnNodeHandle scene = Create(XN_NODE_TYPE_SCENE);
        FreeRunning(depth);
        const XnMapOutputMode small{320, 240, 30};
        ASSERT_XN_OK(xnSetMapOutputMode(depth, &small));
        ASSERT_XN_OK(xnSetMapOutputMode(image, &small));
        ASSERT_XN_OK(xnSetMirror(depth, TRUE));
        // Not the default room: the settings must travel with the recording.
        ASSERT_XN_OK(xnSetIntProperty(depth, "Seed", 7));

        NodeRef recorder;
        ASSERT_XN_OK(xnCreateRecorder(context, "oni", recorder.out()));
        ASSERT_XN_OK(xnSetRecorderDestination(recorder, XN_RECORD_MEDIUM_FILE, file.c_str()));
        ASSERT_XN_OK(xnAddNodeToRecording(recorder, depth, XN_CODEC_16Z_EMB_TABLES));
        ASSERT_XN_OK(xnAddNodeToRecording(recorder, image, XN_CODEC_UNCOMPRESSED));
        ASSERT_XN_OK(xnStartGeneratingAll(context));
        for (XnUInt32 frame = 0; frame < kFrames; ++frame) {
            ASSERT_XN_OK(xnWaitAndUpdateAll(context));
            ASSERT_XN_OK(xnRecord(recorder));
            live[xnGetTimestamp(depth)] = Look(depth, image, user, scene);
        }
        ASSERT_FALSE(live.rbegin()->second.users.empty());
        recorder = NodeRef();  // closes the file
        context.Reset();
    }

    ASSERT_XN_OK(InitFrom("<Recording file=\"" + file +
                          "\" playbackSpeed=\"0.0\"/>\n<Node type=\"User\"/>\n"
                          "<Node type=\"Scene\"/>"));
    XnNodeHandle player = Find(XN_NODE_TYPE_PLAYER);
    XnNodeHandle depth = Find(XN_NODE_TYPE_DEPTH);
    XnNodeHandle image = Find(XN_NODE_TYPE_IMAGE);
    XnNodeHandle user = Find(XN_NODE_TYPE_USER);
    XnNodeHandle scene = Find(XN_NODE_TYPE_SCENE);
    ASSERT_XN_OK(xnSetPlayerRepeat(player, FALSE));
    XnUInt32 frames = 0;
    ASSERT_XN_OK(xnGetPlayerNumFrames(player, xnGetNodeName(depth), &frames));
    EXPECT_EQ(frames, kFrames);
    EXPECT_TRUE(xnIsMirrored(depth));
    XnUInt64 seed = 0;
    ASSERT_XN_OK(xnGetIntProperty(depth, "Seed", &seed));
    EXPECT_EQ(seed, 7u);

    XnUInt32 compared = 0;
    for (;;) {
        const XnStatus status = xnWaitAndUpdateAll(context);
        if (status == XN_STATUS_EOF) {
            break;
        }
        ASSERT_XN_OK(status);
        const auto recorded = live.find(xnGetTimestamp(depth));
        ASSERT_NE(recorded, live.end()) << "timestamp " << xnGetTimestamp(depth);
        ASSERT_EQ(xnGetTimestamp(image), recorded->first);
        const Seen played = Look(depth, image, user, scene);
        SCOPED_TRACE("timestamp " + std::to_string(recorded->first));
        ASSERT_EQ(played.depth, recorded->second.depth);
        ASSERT_EQ(played.rgb, recorded->second.rgb);
        ASSERT_EQ(played.labels, recorded->second.labels);
        ASSERT_EQ(played.users.size(), recorded->second.users.size());
        for (const auto& [id, centre] : recorded->second.users) {
            ASSERT_TRUE(played.users.contains(id));
            EXPECT_FLOAT_EQ(played.users.at(id).X, centre.X);
            EXPECT_FLOAT_EQ(played.users.at(id).Y, centre.Y);
            EXPECT_FLOAT_EQ(played.users.at(id).Z, centre.Z);
        }
        ++compared;
    }
    EXPECT_EQ(compared, kFrames);
}

}  // namespace
}  // namespace Orvo::VirtualSensor::Testing
