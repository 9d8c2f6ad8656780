#include "UserNode.hpp"

#include <XnPrdNode.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

namespace Orvo::VirtualSensor {

namespace {

constexpr const char* kCalibrationFileHeader = "OrvoVirtualSensor calibration 1";

bool ValidJoint(XnSkeletonJoint joint) {
    return joint >= kFirstJoint && joint <= kLastJoint;
}

/// Registers two handlers (either may be null) under one handle.
template <class Pairs, class A, class B>
XnStatus RegisterPair(Pairs& pairs, Callbacks<A>& firstList, A first, Callbacks<B>& secondList, B second, void* cookie,
                      XnCallbackHandle* handle) {
    static std::uintptr_t next = 1;
    if (handle == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    if (first == nullptr && second == nullptr) {
        return XN_STATUS_NULL_INPUT_PTR;
    }
    typename Pairs::mapped_type pair;
    if (first != nullptr) {
        if (const XnStatus status = firstList.Register(first, cookie, &pair.first); status != XN_STATUS_OK) {
            return status;
        }
    }
    if (second != nullptr) {
        if (const XnStatus status = secondList.Register(second, cookie, &pair.second); status != XN_STATUS_OK) {
            firstList.Unregister(pair.first);
            return status;
        }
    }
    const std::uintptr_t id = next++;
    pairs[id] = pair;
    *handle = reinterpret_cast<XnCallbackHandle>(id);
    return XN_STATUS_OK;
}

template <class Pairs, class A, class B>
void UnregisterPair(Pairs& pairs, Callbacks<A>& firstList, Callbacks<B>& secondList, XnCallbackHandle handle) {
    const auto it = pairs.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it != pairs.end()) {
        firstList.Unregister(it->second.first);
        secondList.Unregister(it->second.second);
        pairs.erase(it);
    }
}

XnPoint3D ToPoint(Vec3 v) {
    return {static_cast<XnFloat>(v.x), static_cast<XnFloat>(v.y), static_cast<XnFloat>(v.z)};
}

}  // namespace

UserNode::UserNode(XnContext* context, std::string name, XnNodeHandle depth)
    : Generator(context, std::move(name)), follower(context, depth) {
    const XnMapOutputMode mode = follower.DepthMode();
    frame = BlankFrame(mode.nXRes, mode.nYRes);
    camera.width = mode.nXRes;
    camera.height = mode.nYRes;
    fps = mode.nFPS;
    for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
        active.set(static_cast<std::size_t>(joint));
    }
}

bool UserNode::IsCapabilitySupported(std::string_view capability) const {
    return capability == XN_CAPABILITY_SKELETON || Generator::IsCapabilitySupported(capability);
}

bool UserNode::IsNewDataAvailable(XnUInt64& timestamp) {
    return IsGenerating() && follower.HasNewFrame(timestamp);
}

XnStatus UserNode::UpdateData() {
    if (!IsGenerating()) {
        return XN_STATUS_OK;
    }
    const auto view = follower.TakeFrame();
    fresh = view.has_value();
    if (!view) {
        return XN_STATUS_OK;
    }
    const auto timeline = TheSensor().TimelineOf(view->settings.value_or(TheSensor().Scene()));
    frame = TheSensor().Render(*timeline, view->timestamp, view->camera, false);
    people = timeline->PeopleAt(view->timestamp);
    camera = view->camera;
    fps = view->fps;
    timestamp = view->timestamp;
    frameId = view->frameId;
    pixels.clear();

    // Who left, then who came, then how calibrations go; the callbacks may
    // call back into this node, so walk over copies of the ids.
    const std::vector<std::uint16_t> present = timeline->PresentAt(view->timestamp);
    std::vector<XnUserID> gone;
    for (const auto& [id, user] : users) {
        if (std::find(present.begin(), present.end(), id) == present.end()) {
            gone.push_back(id);
        }
    }
    for (XnUserID id : gone) {
        const User user = users.at(id);
        users.erase(id);
        FireLost(id, user);
    }
    std::vector<XnUserID> came;
    for (std::uint16_t id : present) {
        if (users.try_emplace(id).second) {
            came.push_back(id);
        }
    }
    ComputeCentres(*view);
    for (XnUserID id : came) {
        newUser.Fire(id);
    }
    AdvanceCalibration(view->timestamp);
    ComputeSkeletons();
    return XN_STATUS_OK;
}

void UserNode::FireLost(XnUserID id, const User& user) {
    if (user.calibration == Calibration::Calibrating || user.calibration == Calibration::Aborted) {
        calibrationEnd.Fire(id, XnBool{FALSE});
        calibrationComplete.Fire(id, XN_CALIBRATION_STATUS_NO_USER);
    }
    lostUser.Fire(id);
}

void UserNode::AdvanceCalibration(std::uint64_t now) {
    std::vector<XnUserID> ids;
    for (const auto& entry : users) {
        ids.push_back(entry.first);
    }
    for (XnUserID id : ids) {
        auto it = users.find(id);
        if (it == users.end()) {
            continue;
        }
        User& user = it->second;
        switch (user.calibration) {
            case Calibration::Requested:
                user.calibration = Calibration::Calibrating;
                user.calibrationStart = now;
                calibrationStart.Fire(id);
                break;
            case Calibration::Calibrating:
                // Time goes back when a recording loops: start over from there.
                user.calibrationStart = std::min(user.calibrationStart, now);
                if (now - user.calibrationStart >= kCalibrationTime) {
                    user.calibration = Calibration::Calibrated;
                    calibrationEnd.Fire(id, XnBool{TRUE});
                    calibrationComplete.Fire(id, XN_CALIBRATION_STATUS_OK);
                } else {
                    calibrationInProgress.Fire(id, XN_CALIBRATION_STATUS_OK);
                }
                break;
            case Calibration::Aborted:
                user.calibration = Calibration::None;
                calibrationEnd.Fire(id, XnBool{FALSE});
                calibrationComplete.Fire(id, XN_CALIBRATION_STATUS_MANUAL_ABORT);
                break;
            default:
                break;
        }
    }
}

void UserNode::ComputeCentres(const DepthFollower::View& view) {
    // The mean of the real-world positions of the user's pixels, from the
    // depth map the application sees when it is whole, else from our own.
    const XnDepthPixel* depth = view.depth != nullptr ? view.depth : frame->depth.data();
    const XnLabel* labels = frame->labels.data();
    struct Sum {
        double x = 0, y = 0, z = 0;
        std::size_t count = 0;
    };
    // Labels are the ids of the people present, all small numbers.
    XnLabel largest = 0;
    for (const auto& entry : users) {
        largest = std::max<XnLabel>(largest, static_cast<XnLabel>(entry.first));
    }
    std::vector<Sum> sums(std::size_t{largest} + 1);
    const std::uint32_t width = frame->width;
    const std::uint32_t height = frame->height;
    for (std::uint32_t v = 0; v < height; ++v) {
        for (std::uint32_t u = 0; u < width; ++u) {
            const std::size_t i = std::size_t{v} * width + u;
            const XnLabel label = labels[i];
            if (label == 0 || label > largest || depth[i] == 0) {
                continue;
            }
            const Vec3 p = camera.FromProjective(u, v, depth[i]);
            Sum& sum = sums[label];
            sum.x += p.x;
            sum.y += p.y;
            sum.z += p.z;
            ++sum.count;
        }
    }
    for (auto& [id, user] : users) {
        const Sum& sum = sums[id];
        if (sum.count == 0) {
            user.centre = {0.0f, 0.0f, 0.0f};
        } else {
            const double n = static_cast<double>(sum.count);
            user.centre = ToPoint({sum.x / n, sum.y / n, sum.z / n});
        }
    }
}

std::array<Vec3, kLastJoint + 1> UserNode::RawJoints(XnUserID user) const {
    std::array<Vec3, kLastJoint + 1> joints{};
    for (const PersonInView& person : people) {
        if (person.id == user) {
            for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
                joints[joint] = camera.ToRealWorld(person.body.skeleton.position[joint]);
            }
        }
    }
    return joints;
}

void UserNode::ComputeSkeletons() {
    for (auto& [id, user] : users) {
        if (!user.tracking) {
            user.smoothed.reset();
            continue;
        }
        const auto raw = RawJoints(id);
        if (!user.smoothed) {
            user.smoothed = raw;
            continue;
        }
        for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
            (*user.smoothed)[joint] = (*user.smoothed)[joint] * smoothing + raw[joint] * (1.0 - smoothing);
        }
    }
}

XnStatus UserNode::Find(XnUserID user, const User*& found) const {
    const auto it = users.find(user);
    if (it == users.end()) {
        return XN_STATUS_NO_SUCH_USER;
    }
    found = &it->second;
    return XN_STATUS_OK;
}

XnStatus UserNode::Find(XnUserID user, User*& found) {
    const auto it = users.find(user);
    if (it == users.end()) {
        return XN_STATUS_NO_SUCH_USER;
    }
    found = &it->second;
    return XN_STATUS_OK;
}

XnStatus UserNode::GetUsers(XnUserID* ids, XnUInt16& count) const {
    const XnUInt16 capacity = count;
    count = 0;
    for (const auto& entry : users) {
        if (count == capacity) {
            return XN_STATUS_OUTPUT_BUFFER_OVERFLOW;
        }
        ids[count++] = entry.first;
    }
    return XN_STATUS_OK;
}

XnStatus UserNode::GetCoM(XnUserID id, XnPoint3D& centre) const {
    const User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    centre = user->centre;
    return XN_STATUS_OK;
}

XnStatus UserNode::GetUserPixels(XnUserID id, XnSceneMetaData* scene) {
    // Written through the record's own map and output parts: a record
    // without them is refused, never written through.
    if (scene == nullptr || scene->pMap == nullptr || scene->pMap->pOutput == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    if (id != 0 && !users.contains(id)) {
        return XN_STATUS_NO_SUCH_USER;
    }
    auto [it, made] = pixels.try_emplace(id);
    if (made) {
        if (id == 0) {
            it->second = frame->labels;
        } else {
            it->second.resize(frame->labels.size());
            std::transform(frame->labels.begin(), frame->labels.end(), it->second.begin(),
                           [id](XnLabel label) { return label == id ? label : XnLabel{0}; });
        }
    }
    XnMapMetaData& map = *scene->pMap;
    map.Res = {frame->width, frame->height};
    map.Offset = {0, 0};
    map.FullRes = map.Res;
    map.PixelFormat = XN_PIXEL_FORMAT_GRAYSCALE_16_BIT;
    map.nFPS = fps;
    map.pOutput->nTimestamp = timestamp;
    map.pOutput->nFrameID = frameId;
    map.pOutput->nDataSize = static_cast<XnUInt32>(it->second.size() * sizeof(XnLabel));
    map.pOutput->bIsNew = fresh;
    scene->pData = it->second.data();
    return XN_STATUS_OK;
}

bool UserNode::IsJointAvailable(XnSkeletonJoint joint) {
    return ValidJoint(joint);
}

bool UserNode::IsProfileAvailable(XnSkeletonProfile profile) {
    return profile >= XN_SKEL_PROFILE_NONE && profile <= XN_SKEL_PROFILE_HEAD_HANDS;
}

XnStatus UserNode::SetProfile(XnSkeletonProfile profile) {
    if (!IsProfileAvailable(profile)) {
        return XN_STATUS_BAD_PARAM;
    }
    active.reset();
    for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
        const bool arm = joint >= XN_SKEL_LEFT_COLLAR && joint <= XN_SKEL_RIGHT_FINGERTIP;
        const bool leg = joint >= XN_SKEL_LEFT_HIP;
        bool on = false;
        switch (profile) {
            case XN_SKEL_PROFILE_ALL:
                on = true;
                break;
            case XN_SKEL_PROFILE_UPPER:
                on = joint == XN_SKEL_HEAD || joint == XN_SKEL_NECK || joint == XN_SKEL_TORSO || arm;
                break;
            case XN_SKEL_PROFILE_LOWER:
                on = joint == XN_SKEL_TORSO || joint == XN_SKEL_WAIST || leg;
                break;
            case XN_SKEL_PROFILE_HEAD_HANDS:
                on = joint == XN_SKEL_HEAD || joint == XN_SKEL_LEFT_HAND || joint == XN_SKEL_RIGHT_HAND;
                break;
            default:
                break;
        }
        active.set(static_cast<std::size_t>(joint), on);
    }
    jointConfigurationChange.Fire();
    return XN_STATUS_OK;
}

XnStatus UserNode::SetJointActive(XnSkeletonJoint joint, bool on) {
    if (!ValidJoint(joint)) {
        return XN_STATUS_BAD_PARAM;
    }
    if (active.test(static_cast<std::size_t>(joint)) != on) {
        active.set(static_cast<std::size_t>(joint), on);
        jointConfigurationChange.Fire();
    }
    return XN_STATUS_OK;
}

bool UserNode::IsJointActive(XnSkeletonJoint joint) const {
    return ValidJoint(joint) && active.test(static_cast<std::size_t>(joint));
}

XnStatus UserNode::EnumerateActiveJoints(XnSkeletonJoint* joints, XnUInt16& count) const {
    const XnUInt16 capacity = count;
    count = 0;
    for (int joint = kFirstJoint; joint <= kLastJoint; ++joint) {
        if (!active.test(static_cast<std::size_t>(joint))) {
            continue;
        }
        if (count == capacity) {
            return XN_STATUS_OUTPUT_BUFFER_OVERFLOW;
        }
        joints[count++] = static_cast<XnSkeletonJoint>(joint);
    }
    return XN_STATUS_OK;
}

XnStatus UserNode::GetJoint(XnUserID id, XnSkeletonJoint joint, XnSkeletonJointTransformation& out) const {
    if (!ValidJoint(joint)) {
        return XN_STATUS_BAD_PARAM;
    }
    const User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    if (!user->tracking) {
        return XN_STATUS_USER_IS_NOT_BEING_TRACKED;
    }
    if (!IsJointActive(joint)) {
        return XN_STATUS_JOINT_IS_NOT_ACTIVE;
    }
    const Vec3 position = user->smoothed ? (*user->smoothed)[joint] : RawJoints(id)[joint];
    // Seen when the pixel it projects to shows this user's body close in
    // front of it; hidden behind someone nearer, behind the user's own body
    // (the far arm of someone side-on) or outside the picture, it is only
    // inferred.
    const Vec3 projective = camera.ToProjective(position);
    const long u = std::lround(projective.x);
    const long v = std::lround(projective.y);
    const bool inside = u >= 0 && v >= 0 && u < static_cast<long>(frame->width) && v < static_cast<long>(frame->height);
    const std::size_t pixel = inside ? static_cast<std::size_t>(v) * frame->width + static_cast<std::size_t>(u) : 0;
    const bool seen = inside && frame->labels[pixel] == id && frame->depth[pixel] + kSeenDepth >= projective.z;
    const XnConfidence confidence = seen ? 1.0f : 0.5f;
    out.position.position = ToPoint(position);
    out.position.fConfidence = confidence;

    Mat3 rotation;
    for (const PersonInView& person : people) {
        if (person.id == id) {
            rotation = camera.ToRealWorld(person.body.skeleton.orientation[joint]);
        }
    }
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            out.orientation.orientation.elements[row * 3 + column] = static_cast<XnFloat>(rotation.At(row, column));
        }
    }
    out.orientation.fConfidence = confidence;
    return XN_STATUS_OK;
}

bool UserNode::IsTracking(XnUserID id) const {
    const auto it = users.find(id);
    return it != users.end() && it->second.tracking;
}

bool UserNode::IsCalibrated(XnUserID id) const {
    const auto it = users.find(id);
    return it != users.end() && it->second.calibration == Calibration::Calibrated;
}

bool UserNode::IsCalibrating(XnUserID id) const {
    const auto it = users.find(id);
    return it != users.end() &&
           (it->second.calibration == Calibration::Requested || it->second.calibration == Calibration::Calibrating);
}

XnStatus UserNode::RequestCalibration(XnUserID id, bool force) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    const bool busy = user->calibration == Calibration::Requested || user->calibration == Calibration::Calibrating;
    if (busy && !force) {
        return XN_STATUS_OK;
    }
    // A forced request while calibrating starts over, with a new start callback.
    user->calibration = Calibration::Requested;
    user->tracking = false;
    return XN_STATUS_OK;
}

XnStatus UserNode::AbortCalibration(XnUserID id) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    if (user->calibration == Calibration::Requested) {
        user->calibration = Calibration::None;  // never started: nothing to end
    } else if (user->calibration == Calibration::Calibrating) {
        user->calibration = Calibration::Aborted;
    }
    return XN_STATUS_OK;
}

XnStatus UserNode::StartTracking(XnUserID id) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    if (user->calibration != Calibration::Calibrated) {
        return XN_STATUS_INVALID_OPERATION;
    }
    if (!user->tracking) {
        user->tracking = true;
        user->smoothed = RawJoints(id);
    }
    return XN_STATUS_OK;
}

XnStatus UserNode::StopTracking(XnUserID id) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    user->tracking = false;
    user->smoothed.reset();
    return XN_STATUS_OK;
}

XnStatus UserNode::Reset(XnUserID id) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    user->calibration = Calibration::None;
    user->tracking = false;
    user->smoothed.reset();
    return XN_STATUS_OK;
}

XnStatus UserNode::SaveCalibration(XnUserID id, XnUInt32 slot) {
    if (!IsCalibrated(id)) {
        return users.contains(id) ? XnStatus{XN_STATUS_INVALID_OPERATION} : XnStatus{XN_STATUS_NO_SUCH_USER};
    }
    slots.insert(slot);
    return XN_STATUS_OK;
}

XnStatus UserNode::LoadCalibration(XnUserID id, XnUInt32 slot) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    if (!slots.contains(slot)) {
        return XN_STATUS_NO_MATCH;
    }
    user->calibration = Calibration::Calibrated;
    return XN_STATUS_OK;
}

XnStatus UserNode::ClearCalibration(XnUInt32 slot) {
    slots.erase(slot);
    return XN_STATUS_OK;
}

XnStatus UserNode::SaveCalibrationToFile(XnUserID id, const XnChar* path) const {
    if (!IsCalibrated(id)) {
        return users.contains(id) ? XnStatus{XN_STATUS_INVALID_OPERATION} : XnStatus{XN_STATUS_NO_SUCH_USER};
    }
    std::ofstream out(path);
    out << kCalibrationFileHeader << '\n';
    return out ? XnStatus{XN_STATUS_OK} : XnStatus{XN_STATUS_ERROR};
}

XnStatus UserNode::LoadCalibrationFromFile(XnUserID id, const XnChar* path) {
    User* user = nullptr;
    if (const XnStatus status = Find(id, user); status != XN_STATUS_OK) {
        return status;
    }
    std::ifstream in(path);
    std::string header;
    if (!std::getline(in, header) || header != kCalibrationFileHeader) {
        return XN_STATUS_CORRUPT_FILE;
    }
    user->calibration = Calibration::Calibrated;
    return XN_STATUS_OK;
}

XnStatus UserNode::SetSmoothing(XnFloat factor) {
    if (!(factor >= 0.0f && factor <= 1.0f)) {
        return XN_STATUS_BAD_PARAM;
    }
    smoothing = factor;
    return XN_STATUS_OK;
}

XnStatus UserNode::RegisterUserCallbacks(XnModuleUserHandler added, XnModuleUserHandler lost, void* cookie,
                                         XnCallbackHandle* handle) {
    return RegisterPair(userPairs, newUser, added, lostUser, lost, cookie, handle);
}

void UserNode::UnregisterUserCallbacks(XnCallbackHandle handle) {
    UnregisterPair(userPairs, newUser, lostUser, handle);
}

XnStatus UserNode::RegisterCalibrationCallbacks(XnModuleCalibrationStart start, XnModuleCalibrationEnd end,
                                                void* cookie, XnCallbackHandle* handle) {
    return RegisterPair(calibrationPairs, calibrationStart, start, calibrationEnd, end, cookie, handle);
}

void UserNode::UnregisterCalibrationCallbacks(XnCallbackHandle handle) {
    UnregisterPair(calibrationPairs, calibrationStart, calibrationEnd, handle);
}

}  // namespace Orvo::VirtualSensor
