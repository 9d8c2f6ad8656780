// The user node: who is in the room, where, which pixels, and their
// skeletons once calibrated and tracked.
#pragma once

#include <array>
#include <bitset>
#include <map>
#include <set>
#include <vector>

#include "Follower.hpp"
#include "Node.hpp"

namespace Orvo::VirtualSensor {

class UserNode : public Generator {
public:
    /// Calibration takes this much sensor time once started.
    static constexpr std::uint64_t kCalibrationTime = 1'000'000;
    /// A joint is seen (confidence 1, else 0.5) when the surface its pixel
    /// shows is its own user's, at most this many millimetres in front of it.
    static constexpr double kSeenDepth = 200.0;

    /// Takes over a reference to `depth`.
    UserNode(XnContext* context, std::string name, XnNodeHandle depth);

    [[nodiscard]] bool IsCapabilitySupported(std::string_view capability) const override;
    bool IsNewDataAvailable(XnUInt64& timestamp) override;
    XnStatus UpdateData() override;
    [[nodiscard]] const void* Data() const override { return frame->labels.data(); }
    [[nodiscard]] XnUInt32 DataSize() const override {
        return static_cast<XnUInt32>(frame->labels.size() * sizeof(XnLabel));
    }

    [[nodiscard]] XnUInt16 NumberOfUsers() const { return static_cast<XnUInt16>(users.size()); }
    XnStatus GetUsers(XnUserID* ids, XnUInt16& count) const;
    XnStatus GetCoM(XnUserID user, XnPoint3D& centre) const;
    XnStatus GetUserPixels(XnUserID user, XnSceneMetaData* scene);

    /// New and lost user handlers in one handle, as the framework registers them.
    XnStatus RegisterUserCallbacks(XnModuleUserHandler added, XnModuleUserHandler lost, void* cookie,
                                   XnCallbackHandle* handle);
    void UnregisterUserCallbacks(XnCallbackHandle handle);

    Callbacks<XnModuleUserHandler> newUser;
    Callbacks<XnModuleUserHandler> lostUser;
    Callbacks<XnModuleUserHandler> userExit;
    Callbacks<XnModuleUserHandler> userReEnter;

    // The skeleton capability.
    [[nodiscard]] static bool IsJointAvailable(XnSkeletonJoint joint);
    [[nodiscard]] static bool IsProfileAvailable(XnSkeletonProfile profile);
    XnStatus SetProfile(XnSkeletonProfile profile);
    XnStatus SetJointActive(XnSkeletonJoint joint, bool on);
    [[nodiscard]] bool IsJointActive(XnSkeletonJoint joint) const;
    XnStatus EnumerateActiveJoints(XnSkeletonJoint* joints, XnUInt16& count) const;
    XnStatus GetJoint(XnUserID user, XnSkeletonJoint joint, XnSkeletonJointTransformation& transformation) const;
    [[nodiscard]] bool IsTracking(XnUserID user) const;
    [[nodiscard]] bool IsCalibrated(XnUserID user) const;
    [[nodiscard]] bool IsCalibrating(XnUserID user) const;
    XnStatus RequestCalibration(XnUserID user, bool force);
    XnStatus AbortCalibration(XnUserID user);
    XnStatus StartTracking(XnUserID user);
    XnStatus StopTracking(XnUserID user);
    XnStatus Reset(XnUserID user);
    XnStatus SaveCalibration(XnUserID user, XnUInt32 slot);
    XnStatus LoadCalibration(XnUserID user, XnUInt32 slot);
    XnStatus ClearCalibration(XnUInt32 slot);
    [[nodiscard]] bool HasCalibration(XnUInt32 slot) const { return slots.contains(slot); }
    XnStatus SaveCalibrationToFile(XnUserID user, const XnChar* path) const;
    XnStatus LoadCalibrationFromFile(XnUserID user, const XnChar* path);
    XnStatus SetSmoothing(XnFloat factor);
    /// The framework's older registration: start and end in one handle.
    XnStatus RegisterCalibrationCallbacks(XnModuleCalibrationStart start, XnModuleCalibrationEnd end, void* cookie,
                                          XnCallbackHandle* handle);
    void UnregisterCalibrationCallbacks(XnCallbackHandle handle);

    Callbacks<XnModuleCalibrationStart> calibrationStart;
    Callbacks<XnModuleCalibrationEnd> calibrationEnd;
    Callbacks<XnModuleCalibrationInProgress> calibrationInProgress;
    Callbacks<XnModuleCalibrationComplete> calibrationComplete;
    StateHandlers jointConfigurationChange;

private:
    enum class Calibration { None, Requested, Calibrating, Aborted, Calibrated };
    struct User {
        Calibration calibration = Calibration::None;
        std::uint64_t calibrationStart = 0;
        bool tracking = false;
        XnPoint3D centre{0.0f, 0.0f, 0.0f};
        std::optional<std::array<Vec3, kLastJoint + 1>> smoothed;
    };

    XnStatus Find(XnUserID user, const User*& found) const;
    XnStatus Find(XnUserID user, User*& found);
    void FireLost(XnUserID id, const User& user);
    void AdvanceCalibration(std::uint64_t timestamp);
    void ComputeCentres(const DepthFollower::View& view);
    void ComputeSkeletons();
    [[nodiscard]] std::array<Vec3, kLastJoint + 1> RawJoints(XnUserID user) const;

    DepthFollower follower;
    std::map<XnUserID, User> users;
    std::shared_ptr<const Frame> frame;
    Camera camera;
    XnUInt32 fps = 30;
    bool fresh = false;
    std::vector<PersonInView> people;
    std::map<XnUserID, std::vector<XnLabel>> pixels;

    std::bitset<kLastJoint + 1> active;
    XnFloat smoothing = 0.0f;
    std::set<XnUInt32> slots;
    /// Handles of registrations made in pairs, by the handle given out for both.
    struct Pair {
        XnCallbackHandle first = nullptr;
        XnCallbackHandle second = nullptr;
    };
    std::map<std::uintptr_t, Pair> userPairs;
    std::map<std::uintptr_t, Pair> calibrationPairs;
};

}  // namespace Orvo::VirtualSensor
