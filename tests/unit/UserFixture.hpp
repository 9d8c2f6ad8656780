// Shared set-up for the call-level tests of UserGenerator.
#pragma once

#include <utility>

#include "FakeFixture.hpp"
#include "Orvo/OpenNI/Users.hpp"

namespace Orvo::OpenNI::Testing {

/// What the fake received when one UserGenerator registered its callbacks: the
/// four entry points and the cookies to call them with, as the framework would.
struct Registration {
    XnUserHandler entered = nullptr;
    XnUserHandler left = nullptr;
    void* userCookie = nullptr;
    XnCalibrationStart calibrationStart = nullptr;
    XnCalibrationEnd calibrationEnd = nullptr;
    void* calibrationCookie = nullptr;
};

/// A live context; user nodes are found in it with registrations the test can see.
class UserTest : public FakeTest {
protected:
    XnContext* const contextHandle = FakeHandle<XnContext>(1);
    XnNodeHandle const userHandle = FakeHandle<XnInternalNodeData>(2);
    XnCallbackHandle const usersCallbacks = FakeHandle<void>(3);
    XnCallbackHandle const calibrationCallbacks = FakeHandle<void>(4);
    std::shared_ptr<Context> context = MakeContext(contextHandle);

    /// Both registrations on `node`, captured into `into`; each hands back
    /// its handle on success and writes nothing when refused.
    void ExpectRegistration(Registration& into, XnNodeHandle node, XnCallbackHandle users, XnCallbackHandle calibration,
                            XnStatus usersStatus = XN_STATUS_OK, XnStatus calibrationStatus = XN_STATUS_OK) {
        ::testing::InSequence order;
        EXPECT_CALL(fake, xnRegisterUserCallbacks(node, ::testing::_, ::testing::_, ::testing::_, ::testing::_))
            .WillOnce([&into, users, usersStatus](XnNodeHandle, XnUserHandler entered, XnUserHandler left, void* cookie,
                                                  XnCallbackHandle* handle) {
                into.entered = entered;
                into.left = left;
                into.userCookie = cookie;
                if (usersStatus == XN_STATUS_OK) {
                    *handle = users;
                }
                return usersStatus;
            })
            .RetiresOnSaturation();
        EXPECT_CALL(fake, xnRegisterCalibrationCallbacks(node, ::testing::_, ::testing::_, ::testing::_, ::testing::_))
            .WillOnce([&into, calibration, calibrationStatus](XnNodeHandle, XnCalibrationStart start,
                                                              XnCalibrationEnd end, void* cookie,
                                                              XnCallbackHandle* handle) {
                into.calibrationStart = start;
                into.calibrationEnd = end;
                into.calibrationCookie = cookie;
                if (calibrationStatus == XN_STATUS_OK) {
                    *handle = calibration;
                }
                return calibrationStatus;
            })
            .RetiresOnSaturation();
    }

    /// Removal of both registrations, in order, once each.
    void ExpectUnregistration(XnNodeHandle node, XnCallbackHandle users, XnCallbackHandle calibration) {
        ::testing::InSequence order;
        EXPECT_CALL(fake, xnUnregisterUserCallbacks(node, users)).RetiresOnSaturation();
        EXPECT_CALL(fake, xnUnregisterCalibrationCallbacks(node, calibration)).RetiresOnSaturation();
    }

    /// The context's user node, found; its registrations land in `into`.
    UserGenerator Find(Registration& into) {
        EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_USER, ::testing::_))
            .WillOnce(::testing::DoAll(::testing::SetArgPointee<2>(userHandle), ::testing::Return(XN_STATUS_OK)))
            .RetiresOnSaturation();
        ExpectRegistration(into, userHandle, usersCallbacks, calibrationCallbacks);
        return UserGenerator::Find(context);
    }

    /// As Find, and its disposal is expected once.
    UserGenerator FindDisposedOnce(Registration& into) {
        UserGenerator found = Find(into);
        ExpectUnregistration(userHandle, usersCallbacks, calibrationCallbacks);
        return found;
    }
};

}  // namespace Orvo::OpenNI::Testing
