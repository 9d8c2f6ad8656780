#include <functional>
#include <string>
#include <vector>

#include "FakeFixture.hpp"
#include "Orvo/OpenNI/Nodes.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrEq;

/// A live context with one depth node found in it.
class NodeTest : public FakeTest {
protected:
    XnContext* const contextHandle = FakeHandle<XnContext>(1);
    XnNodeHandle const depthHandle = FakeHandle<XnInternalNodeData>(2);
    XnNodeHandle const imageHandle = FakeHandle<XnInternalNodeData>(3);
    std::shared_ptr<Context> context = MakeContext(contextHandle);

    void ExpectFind(XnProductionNodeType type, XnNodeHandle handle) {
        EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, type, _))
            .WillOnce(DoAll(SetArgPointee<2>(handle), Return(XN_STATUS_OK)));
    }
    DepthGenerator FindDepth() {
        ExpectFind(XN_NODE_TYPE_DEPTH, depthHandle);
        return DepthGenerator::Find(context);
    }
    ImageGenerator FindImage() {
        ExpectFind(XN_NODE_TYPE_IMAGE, imageHandle);
        return ImageGenerator::Find(context);
    }
};

TEST_F(NodeTest, CapabilityQueryAsksOnceByTheFrameworksName) {
    const std::pair<Capability, const char*> names[] = {
        {Capability::AlternativeViewPoint, "AlternativeViewPoint"},
        {Capability::Cropping, "Cropping"},
        {Capability::ErrorState, "ErrorState"},
        {Capability::ExtendedSerialization, "ExtendedSerialization"},
        {Capability::FrameSync, "FrameSync"},
        {Capability::LockAware, "LockAware"},
        {Capability::Mirror, "Mirror"},
        {Capability::UserPoseDetection, "User::PoseDetection"},
        {Capability::UserSkeleton, "User::Skeleton"},
        {Capability::UserPosition, "UserPosition"},
    };
    DepthGenerator depth = FindDepth();
    for (auto [capability, name] : names) {
        EXPECT_CALL(fake, xnIsCapabilitySupported(depthHandle, StrEq(name))).WillOnce(Return(2));
        EXPECT_TRUE(depth.IsCapabilitySupported(capability)) << name;
        EXPECT_CALL(fake, xnIsCapabilitySupported(depthHandle, StrEq(name))).WillOnce(Return(0));
        EXPECT_FALSE(depth.IsCapabilitySupported(capability)) << name;
    }
    // Not exactly one capability: false, and the strict fake sees no call.
    for (std::int32_t value : {0, 3, 1024, -1, 0x300}) {
        EXPECT_FALSE(depth.IsCapabilitySupported(static_cast<Capability>(value))) << value;
    }
}

TEST_F(NodeTest, WaitReturnsTheStatusUnchanged) {
    DepthGenerator depth = FindDepth();
    EXPECT_CALL(fake, xnWaitOneUpdateAll(contextHandle, depthHandle))
        .WillOnce(Return(0x1000A))
        .WillOnce(Return(XN_STATUS_OK));
    EXPECT_EQ(depth.Wait(), static_cast<Status>(0x1000A));
    EXPECT_EQ(depth.Wait(), Status::Ok);
}

TEST_F(NodeTest, MapOutputModeIsReadAndWrittenInPlace) {
    DepthGenerator depth = FindDepth();
    EXPECT_CALL(fake, xnGetMapOutputMode(depthHandle, _)).WillOnce([](auto, XnMapOutputMode* mode) {
        EXPECT_EQ(mode->nXRes, 0u);  // handed over zeroed
        *mode = {640, 480, 30};
        return XN_STATUS_OK;
    });
    MapOutputMode mode = depth.MapOutputMode();
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(mode.Height, 480u);
    EXPECT_EQ(mode.FramesPerSecond, 30u);

    MapOutputMode asked;
    asked.Width = 320;
    asked.Height = 240;
    asked.FramesPerSecond = 0xFFFFFFFF;
    EXPECT_CALL(fake, xnSetMapOutputMode(depthHandle, _)).WillOnce([&](auto, const XnMapOutputMode* given) {
        EXPECT_EQ(static_cast<const void*>(given), static_cast<const void*>(&asked));
        EXPECT_EQ(given->nXRes, 320u);
        EXPECT_EQ(given->nYRes, 240u);
        EXPECT_EQ(given->nFPS, 0xFFFFFFFFu);
        return XN_STATUS_OK;
    });
    depth.SetMapOutputMode(asked);
    EXPECT_EQ(asked.Width, 320u);

    DescribeStatuses("bad mode");
    EXPECT_CALL(fake, xnGetMapOutputMode(depthHandle, _)).WillOnce(Return(0x10017));
    EXPECT_EQ(GeneralErrorOf([&] { (void)depth.MapOutputMode(); }), "00010017: bad mode");
    EXPECT_CALL(fake, xnSetMapOutputMode(depthHandle, _)).WillOnce(Return(0x10018));
    EXPECT_EQ(GeneralErrorOf([&] { depth.SetMapOutputMode(asked); }), "00010018: bad mode");
}

TEST_F(NodeTest, ViewPointSetsResetsAndCompares) {
    DepthGenerator depth = FindDepth();
    ImageGenerator image = FindImage();
    {
        ::testing::InSequence order;
        EXPECT_CALL(fake, xnSetViewPoint(depthHandle, imageHandle)).WillOnce(Return(XN_STATUS_OK));
        EXPECT_CALL(fake, xnResetViewPoint(depthHandle)).WillOnce(Return(XN_STATUS_OK));
    }
    depth.SetViewPoint(&image);
    depth.SetViewPoint(nullptr);

    DescribeStatuses("no viewpoint");
    EXPECT_CALL(fake, xnSetViewPoint(depthHandle, imageHandle)).WillOnce(Return(0x10019));
    EXPECT_EQ(GeneralErrorOf([&] { depth.SetViewPoint(&image); }), "00010019: no viewpoint");
    EXPECT_CALL(fake, xnResetViewPoint(depthHandle)).WillOnce(Return(0x1001A));
    EXPECT_EQ(GeneralErrorOf([&] { depth.SetViewPoint(nullptr); }), "0001001A: no viewpoint");

    EXPECT_CALL(fake, xnIsViewPointAs(depthHandle, imageHandle)).WillOnce(Return(2)).WillOnce(Return(0));
    EXPECT_TRUE(depth.IsViewPointAs(image));
    EXPECT_FALSE(depth.IsViewPointAs(image));
    EXPECT_CALL(fake, xnIsViewPointSupported(imageHandle, depthHandle)).WillOnce(Return(-1)).WillOnce(Return(0));
    EXPECT_TRUE(image.IsViewPointSupported(depth));
    EXPECT_FALSE(image.IsViewPointSupported(depth));
}

TEST_F(NodeTest, FindAndCreateReportTheFrameworksStatus) {
    DescribeStatuses("no node");
    const XnStatus noNode = 0x1001D;
    EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_DEPTH, _))
        .WillOnce(DoAll(SetArgPointee<2>(depthHandle), Return(noNode)));
    EXPECT_EQ(GeneralErrorOf([&] { (void)DepthGenerator::Find(context); }), "0001001D: no node");
    EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_IMAGE, _))
        .Times(2)
        .WillRepeatedly(Return(noNode));
    EXPECT_EQ(GeneralErrorOf([&] { (void)ImageGenerator::Find(context); }), "0001001D: no node");
    EXPECT_EQ(GeneralErrorOf([&] { ImageGenerator image(context); }), "0001001D: no node");
    EXPECT_CALL(fake, xnCreateDepthGenerator(contextHandle, _, nullptr, nullptr)).WillOnce(Return(noNode));
    EXPECT_EQ(GeneralErrorOf([&] { DepthGenerator depth(context); }), "0001001D: no node");

    EXPECT_CALL(fake, xnCreateDepthGenerator(contextHandle, _, nullptr, nullptr))
        .WillOnce(DoAll(SetArgPointee<1>(depthHandle), Return(XN_STATUS_OK)));
    DepthGenerator created(context);
    ExpectFind(XN_NODE_TYPE_IMAGE, imageHandle);
    ImageGenerator found(context);
    // Each object acts on the handle it was given.
    EXPECT_CALL(fake, xnGetDepthMap(depthHandle)).WillOnce(Return(nullptr));
    EXPECT_EQ(created.Map(), nullptr);
    std::uint8_t pixels[3] = {};
    EXPECT_CALL(fake, xnGetImageMap(imageHandle)).WillOnce(Return(pixels));
    EXPECT_EQ(found.Map(), pixels);
}

TEST_F(NodeTest, MissingContextIsAnArgumentErrorBeforeTheFramework) {
    const std::function<void()> makers[] = {
        [] { DepthGenerator depth(nullptr); }, [] { (void)DepthGenerator::Find(nullptr); },
        [] { ImageGenerator image(nullptr); }, [] { (void)ImageGenerator::Find(nullptr); },
        [] { SceneAnalyzer scene(nullptr); },
    };
    for (const auto& make : makers) {
        EXPECT_THROW(make(), std::invalid_argument);
    }
}

TEST_F(NodeTest, DisposedContextRefusesEveryNodeOperation) {
    DepthGenerator depth = FindDepth();
    ImageGenerator image = FindImage();
    EXPECT_CALL(fake, xnCreateSceneAnalyzer(contextHandle, _, nullptr, nullptr))
        .WillOnce(DoAll(SetArgPointee<1>(FakeHandle<XnInternalNodeData>(4)), Return(XN_STATUS_OK)));
    SceneAnalyzer scene(context);
    context->Dispose();

    std::vector<Vector3> points(4);
    // The framework freed every node at shutdown: none of these may reach it.
    const std::function<void()> operations[] = {
        [&] { DepthGenerator made(context); },
        [&] { (void)DepthGenerator::Find(context); },
        [&] { (void)ImageGenerator::Find(context); },
        [&] { SceneAnalyzer made(context); },
        [&] { (void)depth.IsCapabilitySupported(Capability::Mirror); },
        [&] { (void)depth.Wait(); },
        [&] { (void)depth.MapOutputMode(); },
        [&] { depth.SetMapOutputMode({}); },
        [&] { depth.SetViewPoint(nullptr); },
        [&] { depth.SetViewPoint(&image); },
        [&] { (void)depth.IsViewPointAs(image); },
        [&] { (void)image.IsViewPointSupported(depth); },
        [&] { (void)depth.Map(); },
        [&] { (void)depth.MetaData(); },
        [&] { (void)depth.FieldOfView(); },
        [&] { depth.ConvertProjectiveToRealWorld(points, 4, points); },
        [&] { depth.ConvertRealWorldToProjective(points, 4, points); },
        [&] { (void)image.Map(); },
        [&] { (void)scene.Floor(); },
        [&] { (void)scene.MetaData(); },
        [&] { (void)scene.LabelMap(); },
    };
    for (const auto& operation : operations) {
        EXPECT_EQ(GeneralErrorOf(operation), "Context has been disposed");
    }
}

TEST_F(NodeTest, MovedFromNodeRefusesOperations) {
    DepthGenerator depth = FindDepth();
    DepthGenerator taken = std::move(depth);
    EXPECT_CALL(fake, xnGetDepthMap(depthHandle)).WillOnce(Return(nullptr));
    (void)taken.Map();
    GeneralErrorOf([&] { (void)depth.Map(); });  // NOLINT(bugprone-use-after-move): the point of the test
}

TEST_F(NodeTest, FieldOfViewIsFilledInPlaceOrThrows) {
    DepthGenerator depth = FindDepth();
    EXPECT_CALL(fake, xnGetDepthFieldOfView(depthHandle, _)).WillOnce([](auto, XnFieldOfView* fov) {
        EXPECT_EQ(fov->fHFOV, 0.0);
        *fov = {1.0122909661567112, 0.7853981633974483};
        return XN_STATUS_OK;
    });
    FieldOfView fov = depth.FieldOfView();
    EXPECT_EQ(fov.Horizontal, 1.0122909661567112);
    EXPECT_EQ(fov.Vertical, 0.7853981633974483);

    DescribeStatuses("no fov");
    EXPECT_CALL(fake, xnGetDepthFieldOfView(depthHandle, _)).WillOnce(Return(0x10020));
    EXPECT_EQ(GeneralErrorOf([&] { (void)depth.FieldOfView(); }), "00010020: no fov");
}

TEST_F(NodeTest, DepthMetaDataComesFromStorageTheNodeOwns) {
    FrameworkRecord<XnDepthMetaData> storage;
    const std::uint16_t pixels[4] = {};
    {
        DepthGenerator depth = FindDepth();
        EXPECT_CALL(fake, xnAllocateDepthMetaData()).WillOnce(Return(&storage.record));
        EXPECT_CALL(fake, xnGetDepthMetaData(depthHandle, &storage.record))
            .Times(2)
            .WillRepeatedly([&](auto, XnDepthMetaData* record) {
                record->pMap->Res.X = 640;
                record->pMap->pOutput->nFrameID++;
                record->pData = pixels;
                record->nZRes = 10000;
            });
        DepthMetaData first = depth.MetaData();
        DepthMetaData second = depth.MetaData();
        EXPECT_EQ(second.Map, reinterpret_cast<std::uintptr_t>(&storage.map));
        EXPECT_EQ(second.Data, reinterpret_cast<std::uintptr_t>(pixels));
        EXPECT_EQ(second.Depth, 10000);
        EXPECT_EQ(first.Map, second.Map);
        EXPECT_EQ(storage.output.nFrameID, 2u);
        EXPECT_CALL(fake, xnFreeDepthMetaData(&storage.record)).Times(1);
    }
}

TEST_F(NodeTest, CopiesOfANodeKeepMetaDataStorageApart) {
    FrameworkRecord<XnDepthMetaData> first;
    FrameworkRecord<XnDepthMetaData> second;
    DepthGenerator depth = FindDepth();
    EXPECT_CALL(fake, xnAllocateDepthMetaData()).WillOnce(Return(&first.record)).WillOnce(Return(&second.record));
    EXPECT_CALL(fake, xnGetDepthMetaData(depthHandle, _)).Times(2);
    EXPECT_EQ(depth.MetaData().Map, reinterpret_cast<std::uintptr_t>(&first.map));
    DepthGenerator copy = depth;
    EXPECT_EQ(copy.MetaData().Map, reinterpret_cast<std::uintptr_t>(&second.map));
    EXPECT_CALL(fake, xnFreeDepthMetaData(&first.record));
    EXPECT_CALL(fake, xnFreeDepthMetaData(&second.record));
}

TEST_F(NodeTest, MetaDataWithoutStorageIsAnAllocationFailure) {
    DepthGenerator depth = FindDepth();
    EXPECT_CALL(fake, xnAllocateDepthMetaData()).WillOnce(Return(nullptr));
    EXPECT_THROW((void)depth.MetaData(), std::bad_alloc);
}

/// One case of a point conversion: array sizes (-1 for a missing array), the count, what follows.
struct ConversionCase {
    int source;
    int destination;
    std::int32_t count;
    enum { Calls, ArgumentError, IndexError } outcome;
};

TEST_F(NodeTest, ConversionsCheckEveryArgumentBeforeTheFramework) {
    const ConversionCase cases[] = {
        {10, 10, 10, ConversionCase::Calls},         {10, 10, 3, ConversionCase::Calls},
        {10, 10, 0, ConversionCase::Calls},          {10, 10, 11, ConversionCase::ArgumentError},
        {10, 11, 11, ConversionCase::ArgumentError}, {11, 10, 11, ConversionCase::ArgumentError},
        {10, 10, -1, ConversionCase::ArgumentError}, {-1, 10, 0, ConversionCase::ArgumentError},
        {10, -1, 0, ConversionCase::ArgumentError},  {0, 10, 1, ConversionCase::ArgumentError},
        {0, 10, 0, ConversionCase::IndexError},      {10, 0, 0, ConversionCase::IndexError},
        {0, 0, 0, ConversionCase::IndexError},
    };
    DepthGenerator depth = FindDepth();
    for (bool toRealWorld : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << (toRealWorld ? "to real world " : "to projective ") << c.source
                                              << " -> " << c.destination << " count " << c.count);
            std::vector<Vector3> source(std::max(c.source, 0), Vector3(1, 2, 3));
            std::vector<Vector3> destination(std::max(c.destination, 0), Vector3(-1, -1, -1));
            std::span<const Vector3> from = c.source < 0 ? std::span<const Vector3>() : source;
            std::span<Vector3> to = c.destination < 0 ? std::span<Vector3>() : destination;
            // A "present but empty" array must not look missing.
            static Vector3 nowhere;
            if (c.source == 0)
                from = std::span<const Vector3>(&nowhere, 0);
            if (c.destination == 0)
                to = std::span<Vector3>(&nowhere, 0);

            auto convert = [&] {
                if (toRealWorld) {
                    depth.ConvertProjectiveToRealWorld(from, c.count, to);
                } else {
                    depth.ConvertRealWorldToProjective(from, c.count, to);
                }
            };
            if (c.outcome == ConversionCase::ArgumentError) {
                EXPECT_THROW(convert(), std::invalid_argument);
                continue;
            }
            if (c.outcome == ConversionCase::IndexError) {
                EXPECT_THROW(convert(), std::out_of_range);
                continue;
            }
            // The framework writes `count` points straight into the destination and
            // its failure is not reported.
            auto write = [&](XnNodeHandle, XnUInt32 count, const XnPoint3D* in, XnPoint3D* out) {
                EXPECT_EQ(static_cast<const void*>(in), static_cast<const void*>(source.data()));
                EXPECT_EQ(static_cast<void*>(out), static_cast<void*>(destination.data()));
                for (XnUInt32 i = 0; i < count; ++i) {
                    out[i] = {in[i].X * 10, in[i].Y * 10, in[i].Z * 10};
                }
                return XnStatus{0x10001};
            };
            if (toRealWorld) {
                EXPECT_CALL(fake, xnConvertProjectiveToRealWorld(depthHandle, XnUInt32(c.count), _, _)).WillOnce(write);
            } else {
                EXPECT_CALL(fake, xnConvertRealWorldToProjective(depthHandle, XnUInt32(c.count), _, _)).WillOnce(write);
            }
            EXPECT_NO_THROW(convert());
            for (int i = 0; i < c.destination; ++i) {
                EXPECT_EQ(destination[i].X, i < c.count ? 10.0f : -1.0f) << "point " << i;
            }
        }
    }
}

class SceneTest : public NodeTest {
protected:
    XnNodeHandle const sceneHandle = FakeHandle<XnInternalNodeData>(5);

    SceneAnalyzer Create(ErrorCollection* errors, XnEnumerationErrors* expected) {
        EXPECT_CALL(fake, xnCreateSceneAnalyzer(contextHandle, _, nullptr, expected))
            .WillOnce(DoAll(SetArgPointee<1>(sceneHandle), Return(XN_STATUS_OK)));
        return SceneAnalyzer(context, errors);
    }
};

TEST_F(SceneTest, CreationHandsOverTheErrorCollection) {
    XnEnumerationErrors* const errorsHandle = FakeHandle<XnEnumerationErrors>(6);
    EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
        .WillOnce(DoAll(SetArgPointee<0>(errorsHandle), Return(XN_STATUS_OK)));
    ErrorCollection errors;
    (void)Create(nullptr, nullptr);
    (void)Create(&errors, errorsHandle);

    DescribeStatuses("no scene");
    EXPECT_CALL(fake, xnCreateSceneAnalyzer(contextHandle, _, nullptr, errorsHandle)).WillOnce(Return(0x1001D));
    EXPECT_EQ(GeneralErrorOf([&] { SceneAnalyzer scene(context, &errors); }), "0001001D: no scene");

    EXPECT_CALL(fake, xnEnumerationErrorsFree(errorsHandle));
    errors.Dispose();
    (void)Create(&errors, nullptr);
}

TEST_F(SceneTest, FloorIsPresentOnlyOnSuccess) {
    SceneAnalyzer scene = Create(nullptr, nullptr);
    EXPECT_CALL(fake, xnGetFloor(sceneHandle, _))
        .WillOnce([](auto, XnPlane3D* plane) {
            plane->vNormal = {0, 1, 0};
            plane->ptPoint = {0, -12, 25};
            return XN_STATUS_OK;
        })
        .WillOnce([](auto, XnPlane3D* plane) {
            plane->vNormal = {0, 1, 0};
            return XnStatus{0x10001};
        });
    std::optional<PositionNormal> floor = scene.Floor();
    ASSERT_TRUE(floor.has_value());
    EXPECT_EQ(floor->Normal.Y, 1.0f);
    EXPECT_EQ(floor->Position.Y, -12.0f);
    EXPECT_EQ(floor->Position.Z, 25.0f);
    EXPECT_FALSE(scene.Floor().has_value());
}

TEST_F(SceneTest, LabelsAndMetaDataComeFromTheFramework) {
    SceneAnalyzer scene = Create(nullptr, nullptr);
    const XnLabel labels[2] = {1, 2};
    EXPECT_CALL(fake, xnGetLabelMap(sceneHandle)).WillOnce(Return(labels)).WillOnce(Return(nullptr));
    EXPECT_EQ(scene.LabelMap(), labels);
    EXPECT_EQ(scene.LabelMap(), nullptr);

    FrameworkRecord<XnSceneMetaData> storage;
    EXPECT_CALL(fake, xnAllocateSceneMetaData()).WillOnce(Return(&storage.record));
    EXPECT_CALL(fake, xnGetSceneMetaData(sceneHandle, &storage.record)).WillOnce([&](auto, XnSceneMetaData* filled) {
        filled->pData = labels;
    });
    SceneMetaData metaData = scene.MetaData();
    EXPECT_EQ(metaData.Map, reinterpret_cast<std::uintptr_t>(&storage.map));
    EXPECT_EQ(metaData.Labels, reinterpret_cast<std::uintptr_t>(labels));
    EXPECT_CALL(fake, xnFreeSceneMetaData(&storage.record));
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
