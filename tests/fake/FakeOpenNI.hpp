// A link-time fake of the framework's C functions that the library calls.
//
// The call-level tests link the library's objects against this instead of
// libOpenNI. Each C function forwards to the FakeOpenNI object alive at the
// time, a Google Mock whose expectations say what a call returns and writes.
// A call with no FakeOpenNI alive aborts the test program.
#pragma once

#include <XnOpenNI.h>
#include <gmock/gmock.h>

namespace Orvo::OpenNI::Testing {

class FakeOpenNI {
public:
    FakeOpenNI();
    virtual ~FakeOpenNI();
    FakeOpenNI(const FakeOpenNI&) = delete;
    FakeOpenNI& operator=(const FakeOpenNI&) = delete;

    // Status and enumeration errors
    MOCK_METHOD(const XnChar*, xnGetStatusString, (XnStatus));
    MOCK_METHOD(XnStatus, xnEnumerationErrorsAllocate, (XnEnumerationErrors**));
    MOCK_METHOD(void, xnEnumerationErrorsFree, (const XnEnumerationErrors*));
    MOCK_METHOD(XnStatus, xnEnumerationErrorsClear, (XnEnumerationErrors*));
    MOCK_METHOD(XnEnumerationErrorsIterator, xnEnumerationErrorsGetFirst, (const XnEnumerationErrors*));
    MOCK_METHOD(XnEnumerationErrorsIterator, xnEnumerationErrorsGetNext, (XnEnumerationErrorsIterator));
    MOCK_METHOD(XnStatus, xnEnumerationErrorsGetCurrentError, (XnEnumerationErrorsIterator));

    // Context
    MOCK_METHOD(XnStatus, xnInit, (XnContext**));
    MOCK_METHOD(XnStatus, xnInitFromXmlFile, (const XnChar*, XnContext**, XnEnumerationErrors*));
    MOCK_METHOD(void, xnShutdown, (XnContext*));
    MOCK_METHOD(XnStatus, xnStartGeneratingAll, (XnContext*));
    MOCK_METHOD(XnStatus, xnStopGeneratingAll, (XnContext*));
    MOCK_METHOD(XnStatus, xnWaitAndUpdateAll, (XnContext*));

    // Nodes and generators
    MOCK_METHOD(XnStatus, xnFindExistingNodeByType, (XnContext*, XnProductionNodeType, XnNodeHandle*));
    MOCK_METHOD(XnBool, xnIsCapabilitySupported, (XnNodeHandle, const XnChar*));
    MOCK_METHOD(XnStatus, xnWaitOneUpdateAll, (XnContext*, XnNodeHandle));
    MOCK_METHOD(XnStatus, xnGetMapOutputMode, (XnNodeHandle, XnMapOutputMode*));
    MOCK_METHOD(XnStatus, xnSetMapOutputMode, (XnNodeHandle, const XnMapOutputMode*));
    MOCK_METHOD(XnStatus, xnSetViewPoint, (XnNodeHandle, XnNodeHandle));
    MOCK_METHOD(XnStatus, xnResetViewPoint, (XnNodeHandle));
    MOCK_METHOD(XnBool, xnIsViewPointAs, (XnNodeHandle, XnNodeHandle));
    MOCK_METHOD(XnBool, xnIsViewPointSupported, (XnNodeHandle, XnNodeHandle));

    // Depth, image, scene
    MOCK_METHOD(XnStatus, xnCreateDepthGenerator, (XnContext*, XnNodeHandle*, XnNodeQuery*, XnEnumerationErrors*));
    MOCK_METHOD(XnDepthPixel*, xnGetDepthMap, (XnNodeHandle));
    MOCK_METHOD(void, xnGetDepthMetaData, (XnNodeHandle, XnDepthMetaData*));
    MOCK_METHOD(XnStatus, xnGetDepthFieldOfView, (XnNodeHandle, XnFieldOfView*));
    MOCK_METHOD(XnStatus, xnConvertProjectiveToRealWorld, (XnNodeHandle, XnUInt32, const XnPoint3D*, XnPoint3D*));
    MOCK_METHOD(XnStatus, xnConvertRealWorldToProjective, (XnNodeHandle, XnUInt32, const XnPoint3D*, XnPoint3D*));
    MOCK_METHOD(XnUInt8*, xnGetImageMap, (XnNodeHandle));
    MOCK_METHOD(XnStatus, xnCreateSceneAnalyzer, (XnContext*, XnNodeHandle*, XnNodeQuery*, XnEnumerationErrors*));
    MOCK_METHOD(XnStatus, xnGetFloor, (XnNodeHandle, XnPlane3D*));
    MOCK_METHOD(void, xnGetSceneMetaData, (XnNodeHandle, XnSceneMetaData*));
    MOCK_METHOD(const XnLabel*, xnGetLabelMap, (XnNodeHandle));
    MOCK_METHOD(XnDepthMetaData*, xnAllocateDepthMetaData, ());
    MOCK_METHOD(void, xnFreeDepthMetaData, (const XnDepthMetaData*));
    MOCK_METHOD(XnSceneMetaData*, xnAllocateSceneMetaData, ());
    MOCK_METHOD(void, xnFreeSceneMetaData, (const XnSceneMetaData*));

    // Users and skeletons
    MOCK_METHOD(XnStatus, xnCreateUserGenerator, (XnContext*, XnNodeHandle*, XnNodeQuery*, XnEnumerationErrors*));
    MOCK_METHOD(XnStatus, xnRegisterUserCallbacks,
                (XnNodeHandle, XnUserHandler, XnUserHandler, void*, XnCallbackHandle*));
    MOCK_METHOD(void, xnUnregisterUserCallbacks, (XnNodeHandle, XnCallbackHandle));
    MOCK_METHOD(XnStatus, xnRegisterCalibrationCallbacks,
                (XnNodeHandle, XnCalibrationStart, XnCalibrationEnd, void*, XnCallbackHandle*));
    MOCK_METHOD(void, xnUnregisterCalibrationCallbacks, (XnNodeHandle, XnCallbackHandle));
    MOCK_METHOD(XnUInt16, xnGetNumberOfUsers, (XnNodeHandle));
    MOCK_METHOD(XnStatus, xnGetUsers, (XnNodeHandle, XnUserID*, XnUInt16*));
    MOCK_METHOD(XnBool, xnIsSkeletonTracking, (XnNodeHandle, XnUserID));
    MOCK_METHOD(XnStatus, xnStartSkeletonTracking, (XnNodeHandle, XnUserID));
    MOCK_METHOD(XnStatus, xnStopSkeletonTracking, (XnNodeHandle, XnUserID));
    MOCK_METHOD(XnStatus, xnResetSkeleton, (XnNodeHandle, XnUserID));
    MOCK_METHOD(XnStatus, xnRequestSkeletonCalibration, (XnNodeHandle, XnUserID, XnBool));
    MOCK_METHOD(XnStatus, xnSetSkeletonSmoothing, (XnNodeHandle, XnFloat));
    MOCK_METHOD(XnStatus, xnGetUserCoM, (XnNodeHandle, XnUserID, XnPoint3D*));
    MOCK_METHOD(XnStatus, xnGetUserPixels, (XnNodeHandle, XnUserID, XnSceneMetaData*));
    MOCK_METHOD(XnStatus, xnEnumerateActiveJoints, (XnNodeHandle, XnSkeletonJoint*, XnUInt16*));
    MOCK_METHOD(XnStatus, xnSetJointActive, (XnNodeHandle, XnSkeletonJoint, XnBool));
    MOCK_METHOD(XnStatus, xnGetSkeletonJoint,
                (XnNodeHandle, XnUserID, XnSkeletonJoint, XnSkeletonJointTransformation*));
    MOCK_METHOD(XnStatus, xnGetSkeletonJointOrientation,
                (XnNodeHandle, XnUserID, XnSkeletonJoint, XnSkeletonJointOrientation*));

    /// The fake alive now; aborts when there is none.
    static FakeOpenNI& Current();
};

/// Opaque handles for the fake to hand out: distinct, never dereferenced.
template <typename T>
T* FakeHandle(std::uintptr_t n) {
    return reinterpret_cast<T*>(0x1000 + n * 0x10);
}

}  // namespace Orvo::OpenNI::Testing
