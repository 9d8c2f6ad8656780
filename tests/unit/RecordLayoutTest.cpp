// The layouts themselves are proven at compile time in src/records/Layout.cpp.
// These tests cover what a compiler cannot: values written by the framework
// into its own records read back through ours, and zero after construction.
#include <XnTypes.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "Orvo/OpenNI/Records.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

// Copies the framework's bytes into our record the way the framework writes
// them: only as many bytes as its own record has.
template <typename Ours, typename Theirs>
Ours FromFramework(const Theirs& theirs) {
    static_assert(sizeof(Ours) >= sizeof(Theirs));
    Ours ours;
    std::memcpy(static_cast<void*>(&ours), &theirs, sizeof(Theirs));  // trivially copyable
    return ours;
}

TEST(RecordLayoutTest, FrameworkValuesLandInTheSameMembers) {
    XnPlane3D plane{{1.5f, -2.f, 3.f}, {4.f, 5.f, -6.25f}};
    auto normal = FromFramework<PositionNormal>(plane);
    EXPECT_EQ(normal.Normal.X, 1.5f);
    EXPECT_EQ(normal.Normal.Y, -2.f);
    EXPECT_EQ(normal.Normal.Z, 3.f);
    EXPECT_EQ(normal.Position.X, 4.f);
    EXPECT_EQ(normal.Position.Y, 5.f);
    EXPECT_EQ(normal.Position.Z, -6.25f);

    XnSkeletonJointTransformation transformation{};
    transformation.position = {{10.f, 20.f, 30.f}, 0.5f};
    for (int k = 0; k < 9; ++k) {
        transformation.orientation.orientation.elements[k] = static_cast<float>(k + 1);
    }
    transformation.orientation.fConfidence = 0.75f;
    auto transform = FromFramework<SkeletonJointTransform>(transformation);
    EXPECT_EQ(transform.Position.Position.Z, 30.f);
    EXPECT_EQ(transform.Position.Confidence, 0.5f);
    const Matrix3x3& m = transform.Orientation.Orientation;
    const float rowByRow[] = {m.M11, m.M12, m.M13, m.M21, m.M22, m.M23, m.M31, m.M32, m.M33};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(rowByRow[k], static_cast<float>(k + 1)) << "element " << k;
    }
    EXPECT_EQ(transform.Orientation.Confidence, 0.75f);
    EXPECT_EQ(transform.Confidence, 0.f) << "the framework never writes the library's own confidence";

    auto mode = FromFramework<MapOutputMode>(XnMapOutputMode{640, 480, 30});
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(mode.Height, 480u);
    EXPECT_EQ(mode.FramesPerSecond, 30u);

    auto fov = FromFramework<FieldOfView>(XnFieldOfView{1.0122909661567112, 0.7853981633974483});
    EXPECT_EQ(fov.Horizontal, 1.0122909661567112);
    EXPECT_EQ(fov.Vertical, 0.7853981633974483);
}

TEST(RecordLayoutTest, MetadataAddressesAreThePointersAndNullIsZero) {
    XnMapMetaData map{};
    const XnDepthPixel pixels[2] = {1, 2};
    const XnLabel labels[2] = {3, 4};

    auto depth = FromFramework<DepthMetaData>(XnDepthMetaData{&map, pixels, 10000});
    EXPECT_EQ(depth.Map, reinterpret_cast<std::uintptr_t>(&map));
    EXPECT_EQ(depth.Data, reinterpret_cast<std::uintptr_t>(pixels));
    EXPECT_EQ(depth.Depth, 10000);
    EXPECT_EQ(reinterpret_cast<const XnDepthPixel*>(depth.Data)[1], 2);

    auto scene = FromFramework<SceneMetaData>(XnSceneMetaData{&map, labels});
    EXPECT_EQ(scene.Map, reinterpret_cast<std::uintptr_t>(&map));
    EXPECT_EQ(scene.Labels, reinterpret_cast<std::uintptr_t>(labels));

    auto nullDepth = FromFramework<DepthMetaData>(XnDepthMetaData{nullptr, nullptr, 0xFFFF});
    EXPECT_EQ(nullDepth.Map, 0u);
    EXPECT_EQ(nullDepth.Data, 0u);
    EXPECT_EQ(nullDepth.Depth, 0xFFFF);
    auto nullScene = FromFramework<SceneMetaData>(XnSceneMetaData{nullptr, nullptr});
    EXPECT_EQ(nullScene.Map, 0u);
    EXPECT_EQ(nullScene.Labels, 0u);

    // And the other way: a default record handed to the framework holds null.
    XnDepthMetaData theirs;
    std::memset(&theirs, 0xA5, sizeof theirs);
    DepthMetaData ours;
    std::memcpy(&theirs, &ours, sizeof theirs);
    EXPECT_EQ(theirs.pMap, nullptr);
    EXPECT_EQ(theirs.pData, nullptr);
    EXPECT_EQ(theirs.nZRes, 0);
}

// Default construction in storage full of garbage: every member must come out zero.
template <typename T>
T* ConstructInDirtyStorage(unsigned char (&storage)[sizeof(T)]) {
    std::memset(storage, 0xA5, sizeof storage);
    return new (storage) T;
}

template <typename T>
bool AllBytesZero(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

template <typename T>
class RecordZeroTest : public ::testing::Test {};
using PaddingFreeRecords =
    ::testing::Types<Vector3, Matrix3x3, PositionNormal, SkeletonJointPosition, SkeletonJointOrientation,
                     SkeletonJointTransform, MapOutputMode, FieldOfView, SceneMetaData>;
TYPED_TEST_SUITE(RecordZeroTest, PaddingFreeRecords);

TYPED_TEST(RecordZeroTest, DefaultConstructionZeroesEveryByte) {
    alignas(TypeParam) unsigned char storage[sizeof(TypeParam)];
    EXPECT_TRUE(AllBytesZero(*ConstructInDirtyStorage<TypeParam>(storage)));
}

TEST(RecordLayoutTest, DefaultDepthMetaDataIsZero) {
    // Its tail padding (after Depth) is not a member and may keep the garbage.
    alignas(DepthMetaData) unsigned char storage[sizeof(DepthMetaData)];
    const DepthMetaData* depth = ConstructInDirtyStorage<DepthMetaData>(storage);
    EXPECT_EQ(depth->Map, 0u);
    EXPECT_EQ(depth->Data, 0u);
    EXPECT_EQ(depth->Depth, 0);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
