#include <XnOpenNI.h>

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

#include "Access.hpp"
#include "Orvo/OpenNI/Users.hpp"
#include "nodes/MetaData.hpp"

namespace Orvo::OpenNI {

namespace {

/// Refuses a caller's array that the framework could not be given.
template <typename T>
void RequireElements(std::span<T> array, const char* name) {
    if (array.data() == nullptr) {
        throw std::invalid_argument(std::string(name) + " is missing");
    }
    if (array.empty()) {
        throw std::out_of_range(std::string(name) + " is empty");
    }
}

XnBool FrameworkBool(bool value) noexcept {
    return value ? TRUE : FALSE;
}

XnSkeletonJoint FrameworkJoint(SkeletonJoint joint) noexcept {
    return static_cast<XnSkeletonJoint>(joint);
}

/// Clears what a previous call left in the object's pixel record, so that a
/// call the framework refuses shows nothing rather than an old frame.
void Clear(XnSceneMetaData& record) noexcept {
    record.pData = nullptr;
    if (XnMapMetaData* map = record.pMap) {
        XnOutputMetaData* output = map->pOutput;
        *map = XnMapMetaData{};
        map->pOutput = output;
        if (output != nullptr) {
            *output = XnOutputMetaData{};
        }
    }
}

}  // namespace

std::uint16_t UserGenerator::Count() const {
    return xnGetNumberOfUsers(Live());
}

std::int32_t UserGenerator::GetUsers(std::span<std::uint16_t> users) const {
    RequireElements(users, "users");
    XnNodeHandle node = Live();
    // The framework is asked for the array's size modulo 65536 ids.
    const auto capacity = static_cast<XnUInt16>(users.size());
    // The framework's ids are 32 bits wide: they are fetched into a buffer of
    // their own, on the stack for the usual handful of users.
    std::array<XnUserID, 32> few{};
    std::vector<XnUserID> many;
    XnUserID* ids = few.data();
    if (capacity > few.size()) {
        many.resize(capacity);
        ids = many.data();
    }
    XnUInt16 count = capacity;
    detail::Check(xnGetUsers(node, ids, &count));
    // Never more than the buffer holds, whatever the framework says.
    const XnUInt16 stored = std::min(count, capacity);
    std::transform(ids, ids + stored, users.begin(), [](XnUserID id) { return static_cast<std::uint16_t>(id); });
    return stored;
}

bool UserGenerator::IsSkeletonTracking(std::uint16_t user) const {
    return xnIsSkeletonTracking(Live(), user) != FALSE;
}

void UserGenerator::StartSkeletonTracking(std::uint16_t user) {
    detail::Check(xnStartSkeletonTracking(Live(), user));
}

void UserGenerator::StopSkeletonTracking(std::uint16_t user) {
    detail::Check(xnStopSkeletonTracking(Live(), user));
}

void UserGenerator::ResetSkeleton(std::uint16_t user) {
    detail::Check(xnResetSkeleton(Live(), user));
}

void UserGenerator::RequestSkeletonCalibration(std::uint16_t user, bool force) {
    detail::Check(xnRequestSkeletonCalibration(Live(), user, FrameworkBool(force)));
}

void UserGenerator::SetSkeletonSmoothing(float factor) {
    detail::Check(xnSetSkeletonSmoothing(Live(), factor));
}

std::optional<Vector3> UserGenerator::GetUserCenterOfMass(std::uint16_t user) const {
    Vector3 center;
    if (xnGetUserCoM(Live(), user, reinterpret_cast<XnPoint3D*>(&center)) != XN_STATUS_OK) {
        return std::nullopt;
    }
    return center;
}

SceneMetaData UserGenerator::GetUserPixels(std::uint16_t user) const {
    XnNodeHandle node = Live();
    // The module writes through the record's map description: it must be the
    // framework's full record, not a bare one with null parts.
    XnSceneMetaData* record = detail::StorageFor(pixels);
    Clear(*record);
    (void)xnGetUserPixels(node, user, record);
    return detail::ToRecord(*record);
}

std::uint16_t UserGenerator::GetActiveJoints(std::span<SkeletonJoint> joints) const {
    RequireElements(joints, "joints");
    XnNodeHandle node = Live();
    const auto capacity =
        static_cast<XnUInt16>(std::min<std::size_t>(joints.size(), std::numeric_limits<XnUInt16>::max()));
    XnUInt16 count = capacity;
    detail::Check(xnEnumerateActiveJoints(node, reinterpret_cast<XnSkeletonJoint*>(joints.data()), &count));
    return std::min(count, capacity);
}

void UserGenerator::SetJointActive(SkeletonJoint joint, bool active) {
    detail::Check(xnSetJointActive(Live(), FrameworkJoint(joint), FrameworkBool(active)));
}

std::optional<SkeletonJointTransform> UserGenerator::GetSkeletonJoint(std::uint16_t user, SkeletonJoint joint) const {
    // The framework fills the leading position and orientation; the trailing
    // Confidence is not part of its record and stays 0.
    SkeletonJointTransform transform;
    if (xnGetSkeletonJoint(Live(), user, FrameworkJoint(joint),
                           reinterpret_cast<XnSkeletonJointTransformation*>(&transform)) != XN_STATUS_OK) {
        return std::nullopt;
    }
    return transform;
}

std::optional<SkeletonJointOrientation> UserGenerator::GetSkeletonJointOrientation(std::uint16_t user,
                                                                                   SkeletonJoint joint) const {
    SkeletonJointOrientation orientation;
    if (xnGetSkeletonJointOrientation(Live(), user, FrameworkJoint(joint),
                                      reinterpret_cast<XnSkeletonJointOrientation*>(&orientation)) != XN_STATUS_OK) {
        return std::nullopt;
    }
    return orientation;
}

}  // namespace Orvo::OpenNI
