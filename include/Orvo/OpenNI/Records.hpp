// Plain value records, laid out exactly like the framework's records so that the
// framework reads and writes them in place (the layouts are proven at compile
// time against the framework's headers in src/records/Layout.cpp).
//
// Text forms write numbers in the general number form: rounded to 7 (float)
// or 15 (double) significant digits, trailing zeros dropped, positional when
// the power of ten of the first digit is from -4 up to the digit limit less
// one ("0.0001", "9999999"), scientific otherwise ("1E-05", "1.234568E+07").
// The decimal point is that of the C++ global locale (std::locale()) at the
// time of the call; the C locale set with setlocale alone is not followed.
// Not-a-number is "NaN", the infinities are "Infinity" and "-Infinity", the
// negative sign is "-", and negative zero is written "0".
#pragma once

#include <cstdint>
#include <string>

namespace Orvo::OpenNI {

/// A point or direction (XnVector3D).
struct Vector3 {
    float X = 0;
    float Y = 0;
    float Z = 0;

    Vector3() = default;
    Vector3(float x, float y, float z) : X(x), Y(y), Z(z) {}

    /// "X, Y, Z", each in the general number form with 7 digits.
    [[nodiscard]] std::string ToString() const;
};

/// A 3x3 matrix stored row by row (XnMatrix3X3).
struct Matrix3x3 {
    float M11 = 0, M12 = 0, M13 = 0;
    float M21 = 0, M22 = 0, M23 = 0;
    float M31 = 0, M32 = 0, M33 = 0;
};

/// A plane: its normal, then a point on it (XnPlane3D).
struct PositionNormal {
    Vector3 Normal;
    Vector3 Position;

    /// "Normal = {X, Y, Z}, Position = {X, Y, Z}," (the trailing comma is part
    /// of it), numbers as in Vector3::ToString.
    [[nodiscard]] std::string ToString() const;
};

/// A joint position with the framework's confidence in it (XnSkeletonJointPosition).
struct SkeletonJointPosition {
    Vector3 Position;
    float Confidence = 0;
};

/// A joint orientation with the framework's confidence in it (XnSkeletonJointOrientation).
struct SkeletonJointOrientation {
    Matrix3x3 Orientation;
    float Confidence = 0;
};

/// Position and orientation of a joint (XnSkeletonJointTransformation), followed
/// by a Confidence of the library's own that the framework never writes: it is
/// always 0 in records the library returns.
struct SkeletonJointTransform {
    SkeletonJointPosition Position;
    SkeletonJointOrientation Orientation;
    float Confidence = 0;
};

/// The framework's joint numbers (XnSkeletonJoint), as wide as the framework's
/// enum. None (0) has no framework name: it stands for "no joint".
enum class SkeletonJoint : std::int32_t {
    None = 0,
    Head = 1,
    Neck = 2,
    Torso = 3,
    Waist = 4,
    LeftCollar = 5,
    LeftShoulder = 6,
    LeftElbow = 7,
    LeftWrist = 8,
    LeftHand = 9,
    LeftFingertip = 10,
    RightCollar = 11,
    RightShoulder = 12,
    RightElbow = 13,
    RightWrist = 14,
    RightHand = 15,
    RightFingertip = 16,
    LeftHip = 17,
    LeftKnee = 18,
    LeftAnkle = 19,
    LeftFoot = 20,
    RightHip = 21,
    RightKnee = 22,
    RightAnkle = 23,
    RightFoot = 24,
};

/// Resolution and frame rate of a map generator (XnMapOutputMode).
struct MapOutputMode {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t FramesPerSecond = 0;

    /// "Width, Height, FramesPerSecond" in plain decimal digits, whatever the
    /// locale: no sign, no grouping.
    [[nodiscard]] std::string ToString() const;
};

/// Field of view of a depth node, as the framework reports it (XnFieldOfView).
struct FieldOfView {
    double Horizontal = 0;
    double Vertical = 0;

    /// "Horizontal, Vertical", each in the general number form with 15 digits.
    [[nodiscard]] std::string ToString() const;
};

/// Depth frame metadata (XnDepthMetaData): the address of the frame's map
/// description (an XnMapMetaData), the address of its 16-bit depth pixels and
/// the maximum depth. The addresses belong to the framework; null is zero.
/// The framework's record is packed (18 bytes on 64-bit); this one is naturally
/// aligned, with every member at the framework's offset.
struct DepthMetaData {
    std::uintptr_t Map = 0;
    std::uintptr_t Data = 0;
    std::uint16_t Depth = 0;
};

/// Label frame metadata (XnSceneMetaData): the address of the frame's map
/// description (an XnMapMetaData) and the address of its 16-bit labels.
struct SceneMetaData {
    std::uintptr_t Map = 0;
    std::uintptr_t Labels = 0;
};

}  // namespace Orvo::OpenNI
