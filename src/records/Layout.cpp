// Compile-time proof that every value record has the framework's layout, so
// the framework can read and write the records in place. Nothing here runs:
// if a record or the framework's headers drift, the library stops compiling.
#include <XnTypes.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "Orvo/OpenNI/Records.hpp"

namespace Orvo::OpenNI {
namespace {

// Plain values: copied with memcpy, no constructor or destructor of consequence,
// and offsetof below is only meaningful on standard-layout types.
template <typename T>
constexpr bool IsPlainRecord =
    std::is_standard_layout_v<T>&& std::is_trivially_copyable_v<T>&& std::is_trivially_destructible_v<T> &&
    !std::is_polymorphic_v<T>;

static_assert(IsPlainRecord<Vector3>);
static_assert(IsPlainRecord<Matrix3x3>);
static_assert(IsPlainRecord<PositionNormal>);
static_assert(IsPlainRecord<SkeletonJointPosition>);
static_assert(IsPlainRecord<SkeletonJointOrientation>);
static_assert(IsPlainRecord<SkeletonJointTransform>);
static_assert(IsPlainRecord<MapOutputMode>);
static_assert(IsPlainRecord<FieldOfView>);
static_assert(IsPlainRecord<DepthMetaData>);
static_assert(IsPlainRecord<SceneMetaData>);

// The framework's scalars are the ones the records use.
static_assert(std::is_same_v<XnFloat, float>);
static_assert(std::is_same_v<XnConfidence, float>);
static_assert(std::is_same_v<XnDouble, double>);
static_assert(std::is_same_v<XnUInt32, std::uint32_t>);
static_assert(std::is_same_v<XnDepthPixel, std::uint16_t>);
static_assert(std::is_same_v<XnLabel, std::uint16_t>);

// One member of ours sits where the framework's does, with the same width
// (WidthOf: some of the framework's members are pointers, ours addresses).
template <typename T>
constexpr std::size_t WidthOf = sizeof(T);
#define ORVO_OPENNI_SAME_MEMBER(Ours, ours, Theirs, theirs)                 \
    static_assert(offsetof(Ours, ours) == offsetof(Theirs, theirs), #ours); \
    static_assert(WidthOf<decltype(Ours::ours)> == WidthOf<decltype(Theirs::theirs)>, #ours)

// --- Vector3 = XnVector3D ------------------------------------------------------
static_assert(sizeof(Vector3) == sizeof(XnVector3D) && sizeof(Vector3) == 12);
static_assert(std::is_same_v<decltype(Vector3::X), decltype(XnVector3D::X)>);
ORVO_OPENNI_SAME_MEMBER(Vector3, X, XnVector3D, X);
ORVO_OPENNI_SAME_MEMBER(Vector3, Y, XnVector3D, Y);
ORVO_OPENNI_SAME_MEMBER(Vector3, Z, XnVector3D, Z);

// --- Matrix3x3 = XnMatrix3X3: member k is element k (row by row) ---------------
static_assert(sizeof(Matrix3x3) == sizeof(XnMatrix3X3) && sizeof(Matrix3x3) == 36);
static_assert(std::is_same_v<decltype(XnMatrix3X3::elements), XnFloat[9]>);
constexpr std::size_t ElementOffset(std::size_t k) {
    return offsetof(XnMatrix3X3, elements) + k * sizeof(XnFloat);
}
static_assert(offsetof(Matrix3x3, M11) == ElementOffset(0));
static_assert(offsetof(Matrix3x3, M12) == ElementOffset(1));
static_assert(offsetof(Matrix3x3, M13) == ElementOffset(2));
static_assert(offsetof(Matrix3x3, M21) == ElementOffset(3));
static_assert(offsetof(Matrix3x3, M22) == ElementOffset(4));
static_assert(offsetof(Matrix3x3, M23) == ElementOffset(5));
static_assert(offsetof(Matrix3x3, M31) == ElementOffset(6));
static_assert(offsetof(Matrix3x3, M32) == ElementOffset(7));
static_assert(offsetof(Matrix3x3, M33) == ElementOffset(8));
static_assert(std::is_same_v<decltype(Matrix3x3::M33), XnFloat>);

// --- PositionNormal = XnPlane3D: the framework puts the normal first -----------
static_assert(sizeof(PositionNormal) == sizeof(XnPlane3D) && sizeof(PositionNormal) == 24);
static_assert(std::is_same_v<decltype(XnPlane3D::vNormal), XnVector3D>);
static_assert(std::is_same_v<decltype(XnPlane3D::ptPoint), XnPoint3D>);
ORVO_OPENNI_SAME_MEMBER(PositionNormal, Normal, XnPlane3D, vNormal);
ORVO_OPENNI_SAME_MEMBER(PositionNormal, Position, XnPlane3D, ptPoint);
static_assert(offsetof(PositionNormal, Normal) == 0 && offsetof(PositionNormal, Position) == 12);

// --- SkeletonJointPosition = XnSkeletonJointPosition ---------------------------
static_assert(sizeof(SkeletonJointPosition) == sizeof(XnSkeletonJointPosition) && sizeof(SkeletonJointPosition) == 16);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointPosition, Position, XnSkeletonJointPosition, position);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointPosition, Confidence, XnSkeletonJointPosition, fConfidence);

// --- SkeletonJointOrientation = XnSkeletonJointOrientation ---------------------
static_assert(sizeof(SkeletonJointOrientation) == sizeof(XnSkeletonJointOrientation) &&
              sizeof(SkeletonJointOrientation) == 40);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointOrientation, Orientation, XnSkeletonJointOrientation, orientation);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointOrientation, Confidence, XnSkeletonJointOrientation, fConfidence);

// --- SkeletonJointTransform = XnSkeletonJointTransformation + own Confidence ---
// The framework writes only the first 56 bytes; the trailing Confidence is ours.
static_assert(sizeof(XnSkeletonJointTransformation) == 56);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointTransform, Position, XnSkeletonJointTransformation, position);
ORVO_OPENNI_SAME_MEMBER(SkeletonJointTransform, Orientation, XnSkeletonJointTransformation, orientation);
static_assert(offsetof(SkeletonJointTransform, Confidence) == sizeof(XnSkeletonJointTransformation));
static_assert(sizeof(SkeletonJointTransform) == sizeof(XnSkeletonJointTransformation) + sizeof(float));
static_assert(sizeof(SkeletonJointTransform) == 60);

// --- SkeletonJoint = XnSkeletonJoint (None has no framework name) ---------------
static_assert(sizeof(SkeletonJoint) == sizeof(XnSkeletonJoint));
constexpr bool SameJoint(SkeletonJoint ours, XnSkeletonJoint theirs) {
    return static_cast<long long>(ours) == static_cast<long long>(theirs);
}
static_assert(static_cast<int>(SkeletonJoint::None) == 0);
static_assert(SameJoint(SkeletonJoint::Head, XN_SKEL_HEAD));
static_assert(SameJoint(SkeletonJoint::Neck, XN_SKEL_NECK));
static_assert(SameJoint(SkeletonJoint::Torso, XN_SKEL_TORSO));
static_assert(SameJoint(SkeletonJoint::Waist, XN_SKEL_WAIST));
static_assert(SameJoint(SkeletonJoint::LeftCollar, XN_SKEL_LEFT_COLLAR));
static_assert(SameJoint(SkeletonJoint::LeftShoulder, XN_SKEL_LEFT_SHOULDER));
static_assert(SameJoint(SkeletonJoint::LeftElbow, XN_SKEL_LEFT_ELBOW));
static_assert(SameJoint(SkeletonJoint::LeftWrist, XN_SKEL_LEFT_WRIST));
static_assert(SameJoint(SkeletonJoint::LeftHand, XN_SKEL_LEFT_HAND));
static_assert(SameJoint(SkeletonJoint::LeftFingertip, XN_SKEL_LEFT_FINGERTIP));
static_assert(SameJoint(SkeletonJoint::RightCollar, XN_SKEL_RIGHT_COLLAR));
static_assert(SameJoint(SkeletonJoint::RightShoulder, XN_SKEL_RIGHT_SHOULDER));
static_assert(SameJoint(SkeletonJoint::RightElbow, XN_SKEL_RIGHT_ELBOW));
static_assert(SameJoint(SkeletonJoint::RightWrist, XN_SKEL_RIGHT_WRIST));
static_assert(SameJoint(SkeletonJoint::RightHand, XN_SKEL_RIGHT_HAND));
static_assert(SameJoint(SkeletonJoint::RightFingertip, XN_SKEL_RIGHT_FINGERTIP));
static_assert(SameJoint(SkeletonJoint::LeftHip, XN_SKEL_LEFT_HIP));
static_assert(SameJoint(SkeletonJoint::LeftKnee, XN_SKEL_LEFT_KNEE));
static_assert(SameJoint(SkeletonJoint::LeftAnkle, XN_SKEL_LEFT_ANKLE));
static_assert(SameJoint(SkeletonJoint::LeftFoot, XN_SKEL_LEFT_FOOT));
static_assert(SameJoint(SkeletonJoint::RightHip, XN_SKEL_RIGHT_HIP));
static_assert(SameJoint(SkeletonJoint::RightKnee, XN_SKEL_RIGHT_KNEE));
static_assert(SameJoint(SkeletonJoint::RightAnkle, XN_SKEL_RIGHT_ANKLE));
static_assert(SameJoint(SkeletonJoint::RightFoot, XN_SKEL_RIGHT_FOOT));

// --- MapOutputMode = XnMapOutputMode ---------------------------------------------
static_assert(sizeof(MapOutputMode) == sizeof(XnMapOutputMode) && sizeof(MapOutputMode) == 12);
ORVO_OPENNI_SAME_MEMBER(MapOutputMode, Width, XnMapOutputMode, nXRes);
ORVO_OPENNI_SAME_MEMBER(MapOutputMode, Height, XnMapOutputMode, nYRes);
ORVO_OPENNI_SAME_MEMBER(MapOutputMode, FramesPerSecond, XnMapOutputMode, nFPS);

// --- FieldOfView = XnFieldOfView -------------------------------------------------
static_assert(sizeof(FieldOfView) == sizeof(XnFieldOfView) && sizeof(FieldOfView) == 16);
ORVO_OPENNI_SAME_MEMBER(FieldOfView, Horizontal, XnFieldOfView, fHFOV);
ORVO_OPENNI_SAME_MEMBER(FieldOfView, Vertical, XnFieldOfView, fVFOV);

// --- Address members: an address in an unsigned integer of the pointer's width.
// (That null converts to zero is checked at run time: it cannot be at compile time.)
static_assert(sizeof(std::uintptr_t) == sizeof(void*));
static_assert(std::is_same_v<decltype(DepthMetaData::Map), std::uintptr_t>);
static_assert(std::is_same_v<decltype(DepthMetaData::Data), std::uintptr_t>);
static_assert(std::is_same_v<decltype(SceneMetaData::Map), std::uintptr_t>);
static_assert(std::is_same_v<decltype(SceneMetaData::Labels), std::uintptr_t>);

// --- DepthMetaData over XnDepthMetaData --------------------------------------------
// XnTypes.h packs its records to one byte, so the framework's record ends right
// after the 16-bit depth (18 bytes on 64-bit). Ours is naturally aligned and may
// be longer; every framework byte still lands in the same member.
static_assert(sizeof(XnDepthMetaData) == 2 * sizeof(void*) + sizeof(XnDepthPixel));
ORVO_OPENNI_SAME_MEMBER(DepthMetaData, Map, XnDepthMetaData, pMap);
ORVO_OPENNI_SAME_MEMBER(DepthMetaData, Data, XnDepthMetaData, pData);
ORVO_OPENNI_SAME_MEMBER(DepthMetaData, Depth, XnDepthMetaData, nZRes);
static_assert(std::is_same_v<decltype(DepthMetaData::Depth), XnDepthPixel>);
static_assert(offsetof(DepthMetaData, Map) == 0 && offsetof(DepthMetaData, Data) == sizeof(void*));
static_assert(offsetof(DepthMetaData, Depth) == 2 * sizeof(void*));
static_assert(sizeof(DepthMetaData) >= sizeof(XnDepthMetaData));

// --- SceneMetaData = XnSceneMetaData -----------------------------------------------
static_assert(sizeof(SceneMetaData) == sizeof(XnSceneMetaData) && sizeof(SceneMetaData) == 2 * sizeof(void*));
ORVO_OPENNI_SAME_MEMBER(SceneMetaData, Map, XnSceneMetaData, pMap);
ORVO_OPENNI_SAME_MEMBER(SceneMetaData, Labels, XnSceneMetaData, pData);

#undef ORVO_OPENNI_SAME_MEMBER

}  // namespace
}  // namespace Orvo::OpenNI
