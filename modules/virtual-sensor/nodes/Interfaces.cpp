#include "Interfaces.hpp"

#include <algorithm>

#include "DepthNode.hpp"
#include "Glue.hpp"
#include "ImageNode.hpp"
#include "SceneNode.hpp"
#include "UserNode.hpp"

namespace Orvo::VirtualSensor {

namespace {

/// Runs `f` once both pointers are non-null, else says which side was null.
template <class F>
XnStatus IfNotNull(const void* input, void* output, F&& f) {
    if (input == nullptr) {
        return XN_STATUS_NULL_INPUT_PTR;
    }
    if (output == nullptr) {
        return XN_STATUS_NULL_OUTPUT_PTR;
    }
    return Guarded(std::forward<F>(f));
}

template <class Type, class Handler, Callbacks<Handler> Type::*member>
XnStatus RegisterTo(XnModuleNodeHandle h, Handler handler, void* cookie, XnCallbackHandle* handle) {
    return Guarded([&] { return (As<Type>(h).*member).Register(handler, cookie, handle); });
}

template <class Type, class Handler, Callbacks<Handler> Type::*member>
void UnregisterFrom(XnModuleNodeHandle h, XnCallbackHandle handle) {
    (As<Type>(h).*member).Unregister(handle);
}

template <class Type, StateHandlers Type::*member>
constexpr auto RegisterState = RegisterTo<Type, XnModuleStateChangedHandler, member>;
template <class Type, StateHandlers Type::*member>
constexpr auto UnregisterState = UnregisterFrom<Type, XnModuleStateChangedHandler, member>;

void FillProductionNode(XnModuleProductionNodeInterface* table) {
    static XnChar unused;
    table->IsCapabilitySupported = [](XnModuleNodeHandle h, const XnChar* capability) -> XnBool {
        return capability != nullptr && As<Node>(h).IsCapabilitySupported(capability);
    };
    table->SetIntProperty = [](XnModuleNodeHandle h, const XnChar* name, XnUInt64 value) {
        return IfNotNull(name, &unused, [&] { return As<Node>(h).SetIntProperty(name, value); });
    };
    table->SetRealProperty = [](XnModuleNodeHandle h, const XnChar* name, XnDouble value) {
        return IfNotNull(name, &unused, [&] { return As<Node>(h).SetRealProperty(name, value); });
    };
    table->SetStringProperty = [](XnModuleNodeHandle h, const XnChar* name, const XnChar* value) {
        return IfNotNull(name, &unused, [&] {
            return value == nullptr ? XnStatus{XN_STATUS_NULL_INPUT_PTR} : As<Node>(h).SetStringProperty(name, value);
        });
    };
    table->SetGeneralProperty = [](XnModuleNodeHandle h, const XnChar* name, XnUInt32 size, const void* buffer) {
        return IfNotNull(name, &unused, [&] { return As<Node>(h).SetGeneralProperty(name, size, buffer); });
    };
    table->GetIntProperty = [](XnModuleNodeHandle h, const XnChar* name, XnUInt64* value) {
        return IfNotNull(name, value, [&] { return As<Node>(h).GetIntProperty(name, *value); });
    };
    table->GetRealProperty = [](XnModuleNodeHandle h, const XnChar* name, XnDouble* value) {
        return IfNotNull(name, value, [&] { return As<Node>(h).GetRealProperty(name, *value); });
    };
    table->GetStringProperty = [](XnModuleNodeHandle h, const XnChar* name, XnChar* buffer, XnUInt32 size) {
        return IfNotNull(name, buffer, [&] { return As<Node>(h).GetStringProperty(name, buffer, size); });
    };
    table->GetGeneralProperty = [](XnModuleNodeHandle h, const XnChar* name, XnUInt32 size, void* buffer) {
        return IfNotNull(name, buffer, [&] { return As<Node>(h).GetGeneralProperty(name, size, buffer); });
    };
}

void FillExtendedSerialization(XnModuleExtendedSerializationInterface* table) {
    table->InitNotifications = [](XnModuleNodeHandle h, XnNodeNotifications* notifications, void* cookie) {
        return Guarded([&] { return As<Node>(h).InitNotifications(notifications, cookie); });
    };
    table->StopNotifications = [](XnModuleNodeHandle h) { As<Node>(h).StopNotifications(); };
}

void FillGenerator(XnModuleGeneratorInterface* table, bool mirror) {
    FillProductionNode(table->pProductionNodeInterface);
    table->StartGenerating = [](XnModuleNodeHandle h) {
        return Guarded([&] { return As<Generator>(h).StartGenerating(); });
    };
    table->IsGenerating = [](XnModuleNodeHandle h) -> XnBool { return As<Generator>(h).IsGenerating(); };
    table->StopGenerating = [](XnModuleNodeHandle h) { As<Generator>(h).StopGenerating(); };
    table->RegisterToGenerationRunningChange = RegisterState<Generator, &Generator::generationRunning>;
    table->UnregisterFromGenerationRunningChange = UnregisterState<Generator, &Generator::generationRunning>;
    table->RegisterToNewDataAvailable = RegisterState<Generator, &Generator::newData>;
    table->UnregisterFromNewDataAvailable = UnregisterState<Generator, &Generator::newData>;
    table->IsNewDataAvailable = [](XnModuleNodeHandle h, XnUInt64* timestamp) -> XnBool {
        XnUInt64 ignored = 0;
        return As<Generator>(h).IsNewDataAvailable(timestamp != nullptr ? *timestamp : ignored);
    };
    table->UpdateData = [](XnModuleNodeHandle h) { return Guarded([&] { return As<Generator>(h).UpdateData(); }); };
    table->GetData = [](XnModuleNodeHandle h) { return As<Generator>(h).Data(); };
    table->GetDataSize = [](XnModuleNodeHandle h) { return As<Generator>(h).DataSize(); };
    table->GetTimestamp = [](XnModuleNodeHandle h) { return As<Generator>(h).Timestamp(); };
    table->GetFrameID = [](XnModuleNodeHandle h) { return As<Generator>(h).FrameId(); };
    if (mirror) {
        XnModuleMirrorInterface* m = table->pMirrorInterface;
        m->SetMirror = [](XnModuleNodeHandle h, XnBool on) { return As<Generator>(h).SetMirror(on != FALSE); };
        m->IsMirrored = [](XnModuleNodeHandle h) -> XnBool { return As<Generator>(h).IsMirrored(); };
        m->RegisterToMirrorChange = RegisterState<Generator, &Generator::mirrorChange>;
        m->UnregisterFromMirrorChange = UnregisterState<Generator, &Generator::mirrorChange>;
    }
}

void FillMapGenerator(XnModuleMapGeneratorInterface* table, bool mirror) {
    FillGenerator(table->pGeneratorInterface, mirror);
    table->GetSupportedMapOutputModesCount = [](XnModuleNodeHandle h) {
        return static_cast<XnUInt32>(As<MapGenerator>(h).SupportedModes().size());
    };
    table->GetSupportedMapOutputModes = [](XnModuleNodeHandle h, XnMapOutputMode* modes, XnUInt32* count) {
        return IfNotNull(count, modes, [&] {
            const auto supported = As<MapGenerator>(h).SupportedModes();
            if (*count < supported.size()) {
                return XnStatus{XN_STATUS_OUTPUT_BUFFER_OVERFLOW};
            }
            std::copy(supported.begin(), supported.end(), modes);
            *count = static_cast<XnUInt32>(supported.size());
            return XnStatus{XN_STATUS_OK};
        });
    };
    table->SetMapOutputMode = [](XnModuleNodeHandle h, const XnMapOutputMode* mode) {
        return mode == nullptr ? XnStatus{XN_STATUS_NULL_INPUT_PTR}
                               : Guarded([&] { return As<MapGenerator>(h).SetMode(*mode); });
    };
    table->GetMapOutputMode = [](XnModuleNodeHandle h, XnMapOutputMode* mode) {
        if (mode == nullptr) {
            return XnStatus{XN_STATUS_NULL_OUTPUT_PTR};
        }
        *mode = As<MapGenerator>(h).Mode();
        return XnStatus{XN_STATUS_OK};
    };
    table->RegisterToMapOutputModeChange = RegisterState<MapGenerator, &MapGenerator::modeChange>;
    table->UnregisterFromMapOutputModeChange = UnregisterState<MapGenerator, &MapGenerator::modeChange>;
    table->GetBytesPerPixel = [](XnModuleNodeHandle h) { return As<MapGenerator>(h).BytesPerPixel(); };
}

}  // namespace

void FillDepthInterface(XnModuleDepthGeneratorInterface* table) {
    FillMapGenerator(table->pMapInterface, true);
    FillExtendedSerialization(
        table->pMapInterface->pGeneratorInterface->pProductionNodeInterface->pExtendedSerializationInterface);
    table->GetDepthMap = [](XnModuleNodeHandle h) { return As<DepthNode>(h).DepthMap(); };
    table->GetDeviceMaxDepth = [](XnModuleNodeHandle) { return DepthNode::MaxDepth(); };
    table->GetFieldOfView = [](XnModuleNodeHandle, XnFieldOfView* fov) {
        if (fov != nullptr) {
            *fov = DepthNode::FieldOfView();
        }
    };
    table->RegisterToFieldOfViewChange = RegisterState<DepthNode, &DepthNode::fieldOfViewChange>;
    table->UnregisterFromFieldOfViewChange = UnregisterState<DepthNode, &DepthNode::fieldOfViewChange>;

    XnModuleAlternativeViewPointInterface* v =
        table->pMapInterface->pGeneratorInterface->pAlternativeViewPointInterface;
    v->IsViewPointSupported = [](XnModuleNodeHandle, XnNodeHandle other) -> XnBool {
        return DepthNode::IsViewPointSupported(other);
    };
    v->SetViewPoint = [](XnModuleNodeHandle h, XnNodeHandle other) { return As<DepthNode>(h).SetViewPoint(other); };
    v->IsViewPointAs = [](XnModuleNodeHandle h, XnNodeHandle other) -> XnBool {
        return As<DepthNode>(h).IsViewPointAs(other);
    };
    v->ResetViewPoint = [](XnModuleNodeHandle h) { return As<DepthNode>(h).ResetViewPoint(); };
    v->RegisterToViewPointChange = RegisterState<DepthNode, &DepthNode::viewPointChange>;
    v->UnregisterFromViewPointChange = UnregisterState<DepthNode, &DepthNode::viewPointChange>;
}

void FillImageInterface(XnModuleImageGeneratorInterface* table) {
    FillMapGenerator(table->pMapInterface, true);
    FillExtendedSerialization(
        table->pMapInterface->pGeneratorInterface->pProductionNodeInterface->pExtendedSerializationInterface);
    table->GetImageMap = [](XnModuleNodeHandle h) { return As<ImageNode>(h).ImageMap(); };
    table->IsPixelFormatSupported = [](XnModuleNodeHandle, XnPixelFormat format) -> XnBool {
        return ImageNode::IsPixelFormatSupported(format);
    };
    table->SetPixelFormat = [](XnModuleNodeHandle, XnPixelFormat format) { return ImageNode::SetPixelFormat(format); };
    table->GetPixelFormat = [](XnModuleNodeHandle) { return ImageNode::PixelFormat(); };
    table->RegisterToPixelFormatChange = RegisterState<ImageNode, &ImageNode::pixelFormatChange>;
    table->UnregisterFromPixelFormatChange = UnregisterState<ImageNode, &ImageNode::pixelFormatChange>;
}

namespace {

void FillSkeleton(XnModuleSkeletonCapabilityInterface* table) {
    using U = UserNode;
    table->IsJointAvailable = [](XnModuleNodeHandle, XnSkeletonJoint joint) -> XnBool {
        return U::IsJointAvailable(joint);
    };
    table->IsProfileAvailable = [](XnModuleNodeHandle, XnSkeletonProfile profile) -> XnBool {
        return U::IsProfileAvailable(profile);
    };
    table->SetSkeletonProfile = [](XnModuleNodeHandle h, XnSkeletonProfile profile) {
        return As<U>(h).SetProfile(profile);
    };
    table->SetJointActive = [](XnModuleNodeHandle h, XnSkeletonJoint joint, XnBool on) {
        return As<U>(h).SetJointActive(joint, on != FALSE);
    };
    table->IsJointActive = [](XnModuleNodeHandle h, XnSkeletonJoint joint) -> XnBool {
        return As<U>(h).IsJointActive(joint);
    };
    table->RegisterToJointConfigurationChange = RegisterState<U, &U::jointConfigurationChange>;
    table->UnregisterFromJointConfigurationChange = UnregisterState<U, &U::jointConfigurationChange>;
    table->EnumerateActiveJoints = [](XnModuleNodeHandle h, XnSkeletonJoint* joints, XnUInt16* count) {
        return IfNotNull(count, joints, [&] { return As<U>(h).EnumerateActiveJoints(joints, *count); });
    };
    table->GetSkeletonJoint = [](XnModuleNodeHandle h, XnUserID user, XnSkeletonJoint joint,
                                 XnSkeletonJointTransformation* out) {
        return IfNotNull(&user, out, [&] { return As<U>(h).GetJoint(user, joint, *out); });
    };
    table->GetSkeletonJointPosition = [](XnModuleNodeHandle h, XnUserID user, XnSkeletonJoint joint,
                                         XnSkeletonJointPosition* out) {
        return IfNotNull(&user, out, [&] {
            XnSkeletonJointTransformation transformation{};
            const XnStatus status = As<U>(h).GetJoint(user, joint, transformation);
            if (status == XN_STATUS_OK) {
                *out = transformation.position;
            }
            return status;
        });
    };
    table->GetSkeletonJointOrientation = [](XnModuleNodeHandle h, XnUserID user, XnSkeletonJoint joint,
                                            XnSkeletonJointOrientation* out) {
        return IfNotNull(&user, out, [&] {
            XnSkeletonJointTransformation transformation{};
            const XnStatus status = As<U>(h).GetJoint(user, joint, transformation);
            if (status == XN_STATUS_OK) {
                *out = transformation.orientation;
            }
            return status;
        });
    };
    table->IsTracking = [](XnModuleNodeHandle h, XnUserID user) -> XnBool { return As<U>(h).IsTracking(user); };
    table->IsCalibrated = [](XnModuleNodeHandle h, XnUserID user) -> XnBool { return As<U>(h).IsCalibrated(user); };
    table->IsCalibrating = [](XnModuleNodeHandle h, XnUserID user) -> XnBool { return As<U>(h).IsCalibrating(user); };
    table->RequestCalibration = [](XnModuleNodeHandle h, XnUserID user, XnBool force) {
        return As<U>(h).RequestCalibration(user, force != FALSE);
    };
    table->AbortCalibration = [](XnModuleNodeHandle h, XnUserID user) { return As<U>(h).AbortCalibration(user); };
    table->SaveCalibrationData = [](XnModuleNodeHandle h, XnUserID user, XnUInt32 slot) {
        return Guarded([&] { return As<U>(h).SaveCalibration(user, slot); });
    };
    table->LoadCalibrationData = [](XnModuleNodeHandle h, XnUserID user, XnUInt32 slot) {
        return As<U>(h).LoadCalibration(user, slot);
    };
    table->ClearCalibrationData = [](XnModuleNodeHandle h, XnUInt32 slot) { return As<U>(h).ClearCalibration(slot); };
    table->IsCalibrationData = [](XnModuleNodeHandle h, XnUInt32 slot) -> XnBool {
        return As<U>(h).HasCalibration(slot);
    };
    table->StartTracking = [](XnModuleNodeHandle h, XnUserID user) {
        return Guarded([&] { return As<U>(h).StartTracking(user); });
    };
    table->StopTracking = [](XnModuleNodeHandle h, XnUserID user) { return As<U>(h).StopTracking(user); };
    table->Reset = [](XnModuleNodeHandle h, XnUserID user) { return As<U>(h).Reset(user); };
    table->NeedPoseForCalibration = [](XnModuleNodeHandle) -> XnBool { return FALSE; };
    table->GetCalibrationPose = [](XnModuleNodeHandle, XnChar* pose) {
        // No pose is needed; the buffer's size is not given, so only the terminator is written.
        if (pose == nullptr) {
            return XnStatus{XN_STATUS_NULL_OUTPUT_PTR};
        }
        pose[0] = '\0';
        return XnStatus{XN_STATUS_OK};
    };
    table->SetSmoothing = [](XnModuleNodeHandle h, XnFloat factor) { return As<U>(h).SetSmoothing(factor); };
    table->RegisterCalibrationCallbacks = [](XnModuleNodeHandle h, XnModuleCalibrationStart start,
                                             XnModuleCalibrationEnd end, void* cookie, XnCallbackHandle* handle) {
        return Guarded([&] { return As<U>(h).RegisterCalibrationCallbacks(start, end, cookie, handle); });
    };
    table->UnregisterCalibrationCallbacks = [](XnModuleNodeHandle h, XnCallbackHandle handle) {
        As<U>(h).UnregisterCalibrationCallbacks(handle);
    };
    table->SaveCalibrationDataToFile = [](XnModuleNodeHandle h, XnUserID user, const XnChar* path) {
        return IfNotNull(path, &user, [&] { return As<U>(h).SaveCalibrationToFile(user, path); });
    };
    table->LoadCalibrationDataFromFile = [](XnModuleNodeHandle h, XnUserID user, const XnChar* path) {
        return IfNotNull(path, &user, [&] { return As<U>(h).LoadCalibrationFromFile(user, path); });
    };
    table->RegisterToCalibrationInProgress = RegisterTo<U, XnModuleCalibrationInProgress, &U::calibrationInProgress>;
    table->UnregisterFromCalibrationInProgress =
        UnregisterFrom<U, XnModuleCalibrationInProgress, &U::calibrationInProgress>;
    table->RegisterToCalibrationComplete = RegisterTo<U, XnModuleCalibrationComplete, &U::calibrationComplete>;
    table->UnregisterFromCalibrationComplete = UnregisterFrom<U, XnModuleCalibrationComplete, &U::calibrationComplete>;
    table->RegisterToCalibrationStart = RegisterTo<U, XnModuleCalibrationStart, &U::calibrationStart>;
    table->UnregisterFromCalibrationStart = UnregisterFrom<U, XnModuleCalibrationStart, &U::calibrationStart>;
}

}  // namespace

void FillUserInterface(XnModuleUserGeneratorInterface* table) {
    using U = UserNode;
    FillGenerator(table->pGeneratorInterface, false);
    table->GetNumberOfUsers = [](XnModuleNodeHandle h) { return As<U>(h).NumberOfUsers(); };
    table->GetUsers = [](XnModuleNodeHandle h, XnUserID* users, XnUInt16* count) {
        return IfNotNull(count, users, [&] { return As<U>(h).GetUsers(users, *count); });
    };
    table->GetCoM = [](XnModuleNodeHandle h, XnUserID user, XnPoint3D* centre) {
        return IfNotNull(&user, centre, [&] { return As<U>(h).GetCoM(user, *centre); });
    };
    table->GetUserPixels = [](XnModuleNodeHandle h, XnUserID user, XnSceneMetaData* scene) {
        return Guarded([&] { return As<U>(h).GetUserPixels(user, scene); });
    };
    table->RegisterUserCallbacks = [](XnModuleNodeHandle h, XnModuleUserHandler added, XnModuleUserHandler lost,
                                      void* cookie, XnCallbackHandle* handle) {
        return Guarded([&] { return As<U>(h).RegisterUserCallbacks(added, lost, cookie, handle); });
    };
    table->UnregisterUserCallbacks = [](XnModuleNodeHandle h, XnCallbackHandle handle) {
        As<U>(h).UnregisterUserCallbacks(handle);
    };
    table->RegisterToUserExit = RegisterTo<U, XnModuleUserHandler, &U::userExit>;
    table->UnregisterFromUserExit = UnregisterFrom<U, XnModuleUserHandler, &U::userExit>;
    table->RegisterToUserReEnter = RegisterTo<U, XnModuleUserHandler, &U::userReEnter>;
    table->UnregisterFromUserReEnter = UnregisterFrom<U, XnModuleUserHandler, &U::userReEnter>;
    FillSkeleton(table->pSkeletonInterface);
}

void FillSceneInterface(XnModuleSceneAnalyzerInterface* table) {
    FillMapGenerator(table->pMapInterface, false);
    table->GetLabelMap = [](XnModuleNodeHandle h) { return As<SceneNode>(h).LabelMap(); };
    table->GetFloor = [](XnModuleNodeHandle h, XnPlane3D* plane) {
        if (plane == nullptr) {
            return XnStatus{XN_STATUS_NULL_OUTPUT_PTR};
        }
        *plane = As<SceneNode>(h).Floor();
        return XnStatus{XN_STATUS_OK};
    };
}

}  // namespace Orvo::VirtualSensor
