#include "FakeOpenNI.hpp"

#include <cstdio>
#include <cstdlib>

namespace Orvo::OpenNI::Testing {

namespace {
FakeOpenNI* current = nullptr;
}

FakeOpenNI::FakeOpenNI() {
    if (current != nullptr) {
        std::fputs("FakeOpenNI: only one fake may be alive at a time\n", stderr);
        std::abort();
    }
    current = this;
}

FakeOpenNI::~FakeOpenNI() {
    current = nullptr;
}

FakeOpenNI& FakeOpenNI::Current() {
    if (current == nullptr) {
        std::fputs("FakeOpenNI: a framework function was called with no fake alive\n", stderr);
        std::abort();
    }
    return *current;
}

}  // namespace Orvo::OpenNI::Testing

using Orvo::OpenNI::Testing::FakeOpenNI;

// Each framework function, with the signature of its declaration in the
// framework's headers, forwards to the fake alive now.
const XnChar* xnGetStatusString(XnStatus a0) {
    return FakeOpenNI::Current().xnGetStatusString(a0);
}
XnStatus xnEnumerationErrorsAllocate(XnEnumerationErrors** a0) {
    return FakeOpenNI::Current().xnEnumerationErrorsAllocate(a0);
}
void xnEnumerationErrorsFree(const XnEnumerationErrors* a0) {
    FakeOpenNI::Current().xnEnumerationErrorsFree(a0);
}
XnStatus xnEnumerationErrorsClear(XnEnumerationErrors* a0) {
    return FakeOpenNI::Current().xnEnumerationErrorsClear(a0);
}
XnEnumerationErrorsIterator xnEnumerationErrorsGetFirst(const XnEnumerationErrors* a0) {
    return FakeOpenNI::Current().xnEnumerationErrorsGetFirst(a0);
}
XnEnumerationErrorsIterator xnEnumerationErrorsGetNext(XnEnumerationErrorsIterator a0) {
    return FakeOpenNI::Current().xnEnumerationErrorsGetNext(a0);
}
XnStatus xnEnumerationErrorsGetCurrentError(XnEnumerationErrorsIterator a0) {
    return FakeOpenNI::Current().xnEnumerationErrorsGetCurrentError(a0);
}
XnStatus xnInit(XnContext** a0) {
    return FakeOpenNI::Current().xnInit(a0);
}
XnStatus xnInitFromXmlFile(const XnChar* a0, XnContext** a1, XnEnumerationErrors* a2) {
    return FakeOpenNI::Current().xnInitFromXmlFile(a0, a1, a2);
}
void xnShutdown(XnContext* a0) {
    FakeOpenNI::Current().xnShutdown(a0);
}
XnStatus xnStartGeneratingAll(XnContext* a0) {
    return FakeOpenNI::Current().xnStartGeneratingAll(a0);
}
XnStatus xnStopGeneratingAll(XnContext* a0) {
    return FakeOpenNI::Current().xnStopGeneratingAll(a0);
}
XnStatus xnWaitAndUpdateAll(XnContext* a0) {
    return FakeOpenNI::Current().xnWaitAndUpdateAll(a0);
}
XnStatus xnFindExistingNodeByType(XnContext* a0, XnProductionNodeType a1, XnNodeHandle* a2) {
    return FakeOpenNI::Current().xnFindExistingNodeByType(a0, a1, a2);
}
XnBool xnIsCapabilitySupported(XnNodeHandle a0, const XnChar* a1) {
    return FakeOpenNI::Current().xnIsCapabilitySupported(a0, a1);
}
XnStatus xnWaitOneUpdateAll(XnContext* a0, XnNodeHandle a1) {
    return FakeOpenNI::Current().xnWaitOneUpdateAll(a0, a1);
}
XnStatus xnGetMapOutputMode(XnNodeHandle a0, XnMapOutputMode* a1) {
    return FakeOpenNI::Current().xnGetMapOutputMode(a0, a1);
}
XnStatus xnSetMapOutputMode(XnNodeHandle a0, const XnMapOutputMode* a1) {
    return FakeOpenNI::Current().xnSetMapOutputMode(a0, a1);
}
XnStatus xnSetViewPoint(XnNodeHandle a0, XnNodeHandle a1) {
    return FakeOpenNI::Current().xnSetViewPoint(a0, a1);
}
XnStatus xnResetViewPoint(XnNodeHandle a0) {
    return FakeOpenNI::Current().xnResetViewPoint(a0);
}
XnBool xnIsViewPointAs(XnNodeHandle a0, XnNodeHandle a1) {
    return FakeOpenNI::Current().xnIsViewPointAs(a0, a1);
}
XnBool xnIsViewPointSupported(XnNodeHandle a0, XnNodeHandle a1) {
    return FakeOpenNI::Current().xnIsViewPointSupported(a0, a1);
}
XnStatus xnCreateDepthGenerator(XnContext* a0, XnNodeHandle* a1, XnNodeQuery* a2, XnEnumerationErrors* a3) {
    return FakeOpenNI::Current().xnCreateDepthGenerator(a0, a1, a2, a3);
}
XnDepthPixel* xnGetDepthMap(XnNodeHandle a0) {
    return FakeOpenNI::Current().xnGetDepthMap(a0);
}
void xnGetDepthMetaData(XnNodeHandle a0, XnDepthMetaData* a1) {
    FakeOpenNI::Current().xnGetDepthMetaData(a0, a1);
}
XnStatus xnGetDepthFieldOfView(XnNodeHandle a0, XnFieldOfView* a1) {
    return FakeOpenNI::Current().xnGetDepthFieldOfView(a0, a1);
}
XnStatus xnConvertProjectiveToRealWorld(XnNodeHandle a0, XnUInt32 a1, const XnPoint3D* a2, XnPoint3D* a3) {
    return FakeOpenNI::Current().xnConvertProjectiveToRealWorld(a0, a1, a2, a3);
}
XnStatus xnConvertRealWorldToProjective(XnNodeHandle a0, XnUInt32 a1, const XnPoint3D* a2, XnPoint3D* a3) {
    return FakeOpenNI::Current().xnConvertRealWorldToProjective(a0, a1, a2, a3);
}
XnUInt8* xnGetImageMap(XnNodeHandle a0) {
    return FakeOpenNI::Current().xnGetImageMap(a0);
}
XnStatus xnCreateSceneAnalyzer(XnContext* a0, XnNodeHandle* a1, XnNodeQuery* a2, XnEnumerationErrors* a3) {
    return FakeOpenNI::Current().xnCreateSceneAnalyzer(a0, a1, a2, a3);
}
XnStatus xnGetFloor(XnNodeHandle a0, XnPlane3D* a1) {
    return FakeOpenNI::Current().xnGetFloor(a0, a1);
}
void xnGetSceneMetaData(XnNodeHandle a0, XnSceneMetaData* a1) {
    FakeOpenNI::Current().xnGetSceneMetaData(a0, a1);
}
const XnLabel* xnGetLabelMap(XnNodeHandle a0) {
    return FakeOpenNI::Current().xnGetLabelMap(a0);
}
XnDepthMetaData* xnAllocateDepthMetaData() {
    return FakeOpenNI::Current().xnAllocateDepthMetaData();
}
void xnFreeDepthMetaData(const XnDepthMetaData* a0) {
    FakeOpenNI::Current().xnFreeDepthMetaData(a0);
}
XnSceneMetaData* xnAllocateSceneMetaData() {
    return FakeOpenNI::Current().xnAllocateSceneMetaData();
}
void xnFreeSceneMetaData(const XnSceneMetaData* a0) {
    FakeOpenNI::Current().xnFreeSceneMetaData(a0);
}
XnStatus xnCreateUserGenerator(XnContext* a0, XnNodeHandle* a1, XnNodeQuery* a2, XnEnumerationErrors* a3) {
    return FakeOpenNI::Current().xnCreateUserGenerator(a0, a1, a2, a3);
}
XnStatus xnRegisterUserCallbacks(XnNodeHandle a0, XnUserHandler a1, XnUserHandler a2, void* a3, XnCallbackHandle* a4) {
    return FakeOpenNI::Current().xnRegisterUserCallbacks(a0, a1, a2, a3, a4);
}
void xnUnregisterUserCallbacks(XnNodeHandle a0, XnCallbackHandle a1) {
    FakeOpenNI::Current().xnUnregisterUserCallbacks(a0, a1);
}
XnStatus xnRegisterCalibrationCallbacks(XnNodeHandle a0, XnCalibrationStart a1, XnCalibrationEnd a2, void* a3,
                                        XnCallbackHandle* a4) {
    return FakeOpenNI::Current().xnRegisterCalibrationCallbacks(a0, a1, a2, a3, a4);
}
void xnUnregisterCalibrationCallbacks(XnNodeHandle a0, XnCallbackHandle a1) {
    FakeOpenNI::Current().xnUnregisterCalibrationCallbacks(a0, a1);
}
XnUInt16 xnGetNumberOfUsers(XnNodeHandle a0) {
    return FakeOpenNI::Current().xnGetNumberOfUsers(a0);
}
XnStatus xnGetUsers(XnNodeHandle a0, XnUserID* a1, XnUInt16* a2) {
    return FakeOpenNI::Current().xnGetUsers(a0, a1, a2);
}
XnBool xnIsSkeletonTracking(XnNodeHandle a0, XnUserID a1) {
    return FakeOpenNI::Current().xnIsSkeletonTracking(a0, a1);
}
XnStatus xnStartSkeletonTracking(XnNodeHandle a0, XnUserID a1) {
    return FakeOpenNI::Current().xnStartSkeletonTracking(a0, a1);
}
XnStatus xnStopSkeletonTracking(XnNodeHandle a0, XnUserID a1) {
    return FakeOpenNI::Current().xnStopSkeletonTracking(a0, a1);
}
XnStatus xnResetSkeleton(XnNodeHandle a0, XnUserID a1) {
    return FakeOpenNI::Current().xnResetSkeleton(a0, a1);
}
XnStatus xnRequestSkeletonCalibration(XnNodeHandle a0, XnUserID a1, XnBool a2) {
    return FakeOpenNI::Current().xnRequestSkeletonCalibration(a0, a1, a2);
}
XnStatus xnSetSkeletonSmoothing(XnNodeHandle a0, XnFloat a1) {
    return FakeOpenNI::Current().xnSetSkeletonSmoothing(a0, a1);
}
XnStatus xnGetUserCoM(XnNodeHandle a0, XnUserID a1, XnPoint3D* a2) {
    return FakeOpenNI::Current().xnGetUserCoM(a0, a1, a2);
}
XnStatus xnGetUserPixels(XnNodeHandle a0, XnUserID a1, XnSceneMetaData* a2) {
    return FakeOpenNI::Current().xnGetUserPixels(a0, a1, a2);
}
XnStatus xnEnumerateActiveJoints(XnNodeHandle a0, XnSkeletonJoint* a1, XnUInt16* a2) {
    return FakeOpenNI::Current().xnEnumerateActiveJoints(a0, a1, a2);
}
XnStatus xnSetJointActive(XnNodeHandle a0, XnSkeletonJoint a1, XnBool a2) {
    return FakeOpenNI::Current().xnSetJointActive(a0, a1, a2);
}
XnStatus xnGetSkeletonJoint(XnNodeHandle a0, XnUserID a1, XnSkeletonJoint a2, XnSkeletonJointTransformation* a3) {
    return FakeOpenNI::Current().xnGetSkeletonJoint(a0, a1, a2, a3);
}
XnStatus xnGetSkeletonJointOrientation(XnNodeHandle a0, XnUserID a1, XnSkeletonJoint a2,
                                       XnSkeletonJointOrientation* a3) {
    return FakeOpenNI::Current().xnGetSkeletonJointOrientation(a0, a1, a2, a3);
}
