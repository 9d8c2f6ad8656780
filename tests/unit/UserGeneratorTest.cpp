// UserGenerator at the call level: registration, disposal in every order, and
// the framework's notifications reaching subscribers through the entry points.
#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "UserFixture.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::NotNull;
using ::testing::Return;
using ::testing::SetArgPointee;

/// Opens the protected part: Dispose(bool) and the raise operations.
class DerivedUserGenerator : public UserGenerator {
public:
    using UserGenerator::Dispose;
    using UserGenerator::raise_CalibrationEnd;
    using UserGenerator::raise_CalibrationStart;
    using UserGenerator::raise_UserEntered;
    using UserGenerator::raise_UserLeft;
    using UserGenerator::UserGenerator;
    explicit DerivedUserGenerator(UserGenerator&& found) noexcept : UserGenerator(std::move(found)) {}
};

TEST_F(UserTest, RegistrationHandsEveryEntryPointOneCookieAndDisposalRemovesBoth) {
    Registration registration;
    UserGenerator users = FindDisposedOnce(registration);
    EXPECT_FALSE(users.IsDisposed());
    EXPECT_NE(registration.entered, nullptr);
    EXPECT_NE(registration.left, nullptr);
    EXPECT_NE(registration.entered, registration.left);
    EXPECT_NE(registration.calibrationStart, nullptr);
    EXPECT_NE(registration.calibrationEnd, nullptr);
    ASSERT_NE(registration.userCookie, nullptr);
    EXPECT_EQ(registration.calibrationCookie, registration.userCookie);

    users.Dispose();
    EXPECT_TRUE(users.IsDisposed());
    users.Dispose();  // the strict fake sees no second removal
}

TEST_F(UserTest, CreationHandsOverTheErrorCollectionAndRegistersLast) {
    XnEnumerationErrors* const errorsHandle = FakeHandle<XnEnumerationErrors>(5);
    EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
        .WillOnce(DoAll(SetArgPointee<0>(errorsHandle), Return(XN_STATUS_OK)));
    ErrorCollection errors;

    DescribeStatuses("no user node");
    EXPECT_CALL(fake, xnCreateUserGenerator(contextHandle, _, nullptr, errorsHandle))
        .WillOnce(DoAll(SetArgPointee<1>(userHandle), Return(0x1001D)));
    // A failed creation registers nothing and leaves no object to dispose.
    EXPECT_EQ(GeneralErrorOf([&] { UserGenerator users(context, &errors); }), "0001001D: no user node");

    const std::pair<ErrorCollection*, XnEnumerationErrors*> cases[] = {{nullptr, nullptr}, {&errors, errorsHandle}};
    for (auto [given, handed] : cases) {
        Registration registration;
        EXPECT_CALL(fake, xnCreateUserGenerator(contextHandle, NotNull(), nullptr, handed))
            .WillOnce(DoAll(SetArgPointee<1>(userHandle), Return(XN_STATUS_OK)));
        ExpectRegistration(registration, userHandle, usersCallbacks, calibrationCallbacks);
        ExpectUnregistration(userHandle, usersCallbacks, calibrationCallbacks);
        UserGenerator users(context, given);
    }

    EXPECT_CALL(fake, xnEnumerationErrorsFree(errorsHandle));
    errors.Dispose();
    Registration registration;
    EXPECT_CALL(fake, xnCreateUserGenerator(contextHandle, _, nullptr, nullptr))
        .WillOnce(DoAll(SetArgPointee<1>(userHandle), Return(XN_STATUS_OK)));
    ExpectRegistration(registration, userHandle, usersCallbacks, calibrationCallbacks);
    ExpectUnregistration(userHandle, usersCallbacks, calibrationCallbacks);
    UserGenerator users(context, &errors);
}

TEST_F(UserTest, FindAndCreationRefuseWhatTheFrameworkRefuses) {
    EXPECT_THROW((void)UserGenerator::Find(nullptr), std::invalid_argument);
    EXPECT_THROW(UserGenerator users(nullptr), std::invalid_argument);
    DescribeStatuses("no node");
    EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_USER, _))
        .WillOnce(DoAll(SetArgPointee<2>(userHandle), Return(0x1001D)));
    EXPECT_EQ(GeneralErrorOf([&] { (void)UserGenerator::Find(context); }), "0001001D: no node");
}

/// A refused registration: which of the two the framework refuses.
struct RefusalCase {
    XnStatus users;
    XnStatus calibration;
};

TEST_F(UserTest, RefusedRegistrationsAreNeverHandedToTheUnregisterFunctions) {
    const RefusalCase cases[] = {{0x10001, XN_STATUS_OK}, {XN_STATUS_OK, 0x10001}, {0x10001, 0x10002}};
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.users << " / " << c.calibration);
        Registration registration;
        EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_USER, _))
            .WillOnce(DoAll(SetArgPointee<2>(userHandle), Return(XN_STATUS_OK)));
        ExpectRegistration(registration, userHandle, usersCallbacks, calibrationCallbacks, c.users, c.calibration);
        UserGenerator users = UserGenerator::Find(context);  // the statuses are not reported
        // The framework dereferences the handle it is given: a null one must not reach it.
        if (c.users == XN_STATUS_OK) {
            EXPECT_CALL(fake, xnUnregisterUserCallbacks(userHandle, usersCallbacks));
        }
        if (c.calibration == XN_STATUS_OK) {
            EXPECT_CALL(fake, xnUnregisterCalibrationCallbacks(userHandle, calibrationCallbacks));
        }
        users.Dispose();
        EXPECT_TRUE(users.IsDisposed());
    }
}

TEST_F(UserTest, DisposeFalseDoesNothingAndTheDestructorDisposes) {
    Registration registration;
    EXPECT_CALL(fake, xnCreateUserGenerator(contextHandle, _, nullptr, nullptr))
        .WillOnce(DoAll(SetArgPointee<1>(userHandle), Return(XN_STATUS_OK)));
    ExpectRegistration(registration, userHandle, usersCallbacks, calibrationCallbacks);
    {
        DerivedUserGenerator users(context);
        users.Dispose(false);
        EXPECT_FALSE(users.IsDisposed());
        EXPECT_CALL(fake, xnGetNumberOfUsers(userHandle)).WillOnce(Return(1));
        EXPECT_EQ(users.Count(), 1);
        ExpectUnregistration(userHandle, usersCallbacks, calibrationCallbacks);
    }
}

/// Every operation of a UserGenerator that reaches the framework.
std::vector<std::function<void()>> EveryOperation(UserGenerator& users) {
    static std::uint16_t ids[4];
    static SkeletonJoint joints[4];
    return {
        [&] { (void)users.Count(); },
        [&] { (void)users.GetUsers(ids); },
        [&] { (void)users.IsSkeletonTracking(1); },
        [&] { users.StartSkeletonTracking(1); },
        [&] { users.StopSkeletonTracking(1); },
        [&] { users.ResetSkeleton(1); },
        [&] { users.RequestSkeletonCalibration(1, true); },
        [&] { users.SetSkeletonSmoothing(0.5f); },
        [&] { (void)users.GetUserCenterOfMass(1); },
        [&] { (void)users.GetUserPixels(1); },
        [&] { (void)users.GetActiveJoints(joints); },
        [&] { users.SetJointActive(SkeletonJoint::Head, true); },
        [&] { (void)users.GetSkeletonJoint(1, SkeletonJoint::Head); },
        [&] { (void)users.GetSkeletonJointOrientation(1, SkeletonJoint::Head); },
        [&] { (void)users.IsCapabilitySupported(Capability::UserSkeleton); },
        [&] { (void)users.Wait(); },
        [&] { (void)users.MapOutputMode(); },
        [&] { users.SetMapOutputMode({}); },
        [&] { users.SetViewPoint(nullptr); },
    };
}

TEST_F(UserTest, DisposedObjectRefusesEveryOperationAndKeepsItsEvents) {
    Registration registration;
    DerivedUserGenerator users(FindDisposedOnce(registration));
    std::vector<std::uint16_t> heard;
    users.add_UserEntered([&](std::uint16_t user) { heard.push_back(user); });
    users.Dispose();
    for (const auto& operation : EveryOperation(users)) {
        EXPECT_THROW(operation(), std::runtime_error);  // and the strict fake sees nothing
    }
    // Disposal stops the framework's feed, not the events themselves.
    users.add_UserEntered([&](std::uint16_t user) { heard.push_back(user + 100); });
    users.raise_UserEntered(7);
    EXPECT_EQ(heard, (std::vector<std::uint16_t>{7, 107}));
}

TEST_F(UserTest, AfterTheContextsDisposalNothingReachesTheFramework) {
    Registration first;
    Registration second;
    UserGenerator disposedLater = Find(first);
    UserGenerator destroyedLater = Find(second);
    context->Dispose();
    // The framework freed the node and its registrations at shutdown.
    for (const auto& operation : EveryOperation(disposedLater)) {
        EXPECT_EQ(GeneralErrorOf(operation), "Context has been disposed");
    }
    EXPECT_THROW((void)UserGenerator::Find(context), std::runtime_error);
    EXPECT_THROW(UserGenerator made(context), std::runtime_error);
    disposedLater.Dispose();
    EXPECT_TRUE(disposedLater.IsDisposed());
    disposedLater.Dispose();
}  // destroyedLater's destructor calls nothing either

TEST_F(UserTest, FindAfterDisposalGivesANewLiveObjectOverTheSameNode) {
    Registration first;
    UserGenerator users = FindDisposedOnce(first);
    users.Dispose();
    Registration second;
    users = FindDisposedOnce(second);
    EXPECT_FALSE(users.IsDisposed());
    EXPECT_CALL(fake, xnGetNumberOfUsers(userHandle)).WillOnce(Return(2));
    EXPECT_EQ(users.Count(), 2);
}

TEST_F(UserTest, AMoveHandsTheRegistrationsOverAndTheMovedFromObjectIsDisposed) {
    Registration registration;
    UserGenerator original = FindDisposedOnce(registration);
    std::vector<std::uint16_t> heard;
    original.add_UserEntered([&](std::uint16_t user) { heard.push_back(user); });
    UserGenerator moved(std::move(original));
    // The cookie the framework holds still leads to the subscribers.
    registration.entered(userHandle, 5, registration.userCookie);
    EXPECT_EQ(heard, std::vector<std::uint16_t>{5});
    // NOLINTBEGIN(bugprone-use-after-move): what a moved-from object does is the point
    EXPECT_TRUE(original.IsDisposed());
    original.Dispose();
    EXPECT_THROW((void)original.Count(), std::runtime_error);
    EXPECT_THROW(original.add_UserLeft([](std::uint16_t) {}), std::runtime_error);
    // NOLINTEND(bugprone-use-after-move)

    // Assignment first removes the target's own registrations.
    Registration other;
    XnCallbackHandle const otherUsers = FakeHandle<void>(6);
    XnCallbackHandle const otherCalibration = FakeHandle<void>(7);
    EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_USER, _))
        .WillOnce(DoAll(SetArgPointee<2>(userHandle), Return(XN_STATUS_OK)));
    ExpectRegistration(other, userHandle, otherUsers, otherCalibration);
    UserGenerator target = UserGenerator::Find(context);
    ExpectUnregistration(userHandle, otherUsers, otherCalibration);
    target = std::move(moved);
    registration.entered(userHandle, 6, registration.userCookie);
    EXPECT_EQ(heard, (std::vector<std::uint16_t>{5, 6}));
}  // target removes the first registrations, once

/// One object with its registration, and a log of what its subscribers heard.
class UserEventsTest : public UserTest {
protected:
    Registration registration;
    DerivedUserGenerator users{FindDisposedOnce(registration)};
    std::vector<std::string> heard;

    /// A subscriber that logs `name` and the id.
    UserGenerator::UserHandler Log(std::string name) {
        return [this, name = std::move(name)](std::uint16_t user) { heard.push_back(name + std::to_string(user)); };
    }

    void Entered(XnUserID user) { registration.entered(userHandle, user, registration.userCookie); }
};

TEST_F(UserEventsTest, EachEntryPointFeedsItsOwnEventWithTheIdNarrowed) {
    users.add_UserEntered(Log("entered "));
    users.add_UserLeft(Log("left "));
    users.add_CalibrationStart(Log("start "));
    users.add_CalibrationEnd([&](std::uint16_t user, bool success) {
        heard.push_back("end " + std::to_string(user) + (success ? "+" : "-"));
    });

    const XnUserID ids[] = {1, 65535, 65536, 65537, 0xFFFFFFFF};
    for (XnUserID id : ids) {
        registration.entered(userHandle, id, registration.userCookie);
        registration.left(userHandle, id, registration.userCookie);
        registration.calibrationStart(userHandle, id, registration.calibrationCookie);
    }
    for (XnBool success : {0, 1, 2, -1}) {
        registration.calibrationEnd(userHandle, 65538, success, registration.calibrationCookie);
    }
    EXPECT_EQ(heard,
              (std::vector<std::string>{
                  "entered 1",   "left 1",  "start 1",   "entered 65535", "left 65535", "start 65535",   "entered 0",
                  "left 0",      "start 0", "entered 1", "left 1",        "start 1",    "entered 65535", "left 65535",
                  "start 65535", "end 2-",  "end 2+",    "end 2+",        "end 2+",
              }));
}

TEST_F(UserEventsTest, ANotificationWithoutSubscribersIsDropped) {
    Entered(1);
    users.add_UserEntered(Log(""));
    Entered(2);
    users.raise_UserLeft(3);
    users.raise_CalibrationStart(3);
    users.raise_CalibrationEnd(3, true);
    EXPECT_EQ(heard, std::vector<std::string>{"2"});
}

TEST_F(UserEventsTest, EachSubscriptionIsCalledAndRemovedOnItsOwn) {
    int calls = 0;
    const UserGenerator::UserHandler counter = [&](std::uint16_t) { ++calls; };
    const EventToken first = users.add_UserEntered(counter);
    users.add_UserEntered(Log("middle "));
    const EventToken second = users.add_UserEntered(counter);
    EXPECT_NE(first, second);
    Entered(1);
    EXPECT_EQ(calls, 2);

    // Tokens that name nothing here change nothing.
    const EventToken left = users.add_UserLeft(counter);
    users.remove_UserEntered(left);
    users.remove_UserEntered(EventToken());
    users.remove_CalibrationEnd(first);
    Entered(2);
    EXPECT_EQ(calls, 4);

    users.remove_UserEntered(second);
    users.remove_UserEntered(second);  // already gone
    Entered(3);
    EXPECT_EQ(calls, 5);
    users.remove_UserEntered(first);
    Entered(4);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(heard, (std::vector<std::string>{"middle 1", "middle 2", "middle 3", "middle 4"}));

    // An empty subscriber is not added.
    EXPECT_EQ(users.add_UserEntered(nullptr), EventToken());
    Entered(5);
    EXPECT_EQ(heard.size(), 5u);
}

TEST_F(UserEventsTest, ARaiseWorksThroughTheListAsItStoodWhenItBegan) {
    EventToken self;
    users.add_UserEntered(Log("a "));
    self = users.add_UserEntered([&](std::uint16_t user) {
        heard.push_back("once " + std::to_string(user));
        users.remove_UserEntered(self);
        users.add_UserEntered(Log("late "));
    });
    users.add_UserEntered(Log("b "));
    Entered(1);
    Entered(2);
    EXPECT_EQ(heard, (std::vector<std::string>{"a 1", "once 1", "b 1", "a 2", "b 2", "late 2"}));
}

TEST_F(UserEventsTest, SubscribersChangeWhileAnotherThreadIsNotified) {
    std::atomic<int> calls{0};
    users.add_UserEntered([&](std::uint16_t) { ++calls; });
    std::atomic<bool> done{false};
    std::thread notifier([&] {
        while (!done.load()) {
            Entered(1);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        users.remove_UserEntered(users.add_UserEntered([&](std::uint16_t) { ++calls; }));
    }
    done = true;
    notifier.join();
    calls = 0;
    Entered(2);
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(UserEventsTest, SubscriptionObjectsEndTheirSubscription) {
    {
        EventSubscription scoped = users.SubscribeUserEntered(Log("scoped "));
        EventSubscription kept = users.SubscribeCalibrationStart(Log("kept "));
        EXPECT_NE(scoped.Token(), EventToken());
        Entered(1);
        EventSubscription moved = std::move(kept);
        registration.calibrationStart(userHandle, 2, registration.calibrationCookie);
        moved.Unsubscribe();
        registration.calibrationStart(userHandle, 3, registration.calibrationCookie);
    }
    Entered(4);
    EXPECT_EQ(heard, (std::vector<std::string>{"scoped 1", "kept 2"}));
}

TEST_F(UserTest, ASubscriptionMayOutliveItsUserGenerator) {
    EventSubscription subscription;
    {
        Registration registration;
        UserGenerator users = FindDisposedOnce(registration);
        subscription = users.SubscribeUserLeft([](std::uint16_t) {});
    }
    subscription.Unsubscribe();  // the object is gone: nothing to do, nothing touched
}

/// Collects what the subscriber error handler receives during one test.
class ThrowingSubscriberTest : public UserEventsTest {
protected:
    static inline std::vector<std::string>* reported = nullptr;
    std::vector<std::string> reports;
    UserGenerator::SubscriberErrorHandler previous = nullptr;

    static void Collect(const char* event, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported->push_back(std::string(event) + ": " + e.what());
        } catch (...) {
            reported->push_back(std::string(event) + ": other");
        }
    }

    void SetUp() override {
        reported = &reports;
        previous = UserGenerator::SetSubscriberErrorHandler(Collect);
    }
    void TearDown() override {
        UserGenerator::SetSubscriberErrorHandler(previous);
        reported = nullptr;
    }
};

TEST_F(ThrowingSubscriberTest, TheOtherSubscribersAreCalledAndTheHandlerGetsEachException) {
    users.add_UserEntered(Log("before "));
    users.add_UserEntered([](std::uint16_t) { throw std::runtime_error("boom"); });
    users.add_UserEntered(Log("between "));
    users.add_UserEntered([](std::uint16_t) { throw 42; });
    users.add_UserEntered(Log("after "));
    users.add_CalibrationEnd([](std::uint16_t, bool) { throw std::logic_error("bad end"); });

    Entered(1);  // an escaping exception would end the program here: the entry point is noexcept
    registration.calibrationEnd(userHandle, 1, 1, registration.calibrationCookie);
    EXPECT_EQ(heard, (std::vector<std::string>{"before 1", "between 1", "after 1"}));
    EXPECT_EQ(reports,
              (std::vector<std::string>{"UserEntered: boom", "UserEntered: other", "CalibrationEnd: bad end"}));

    // From C++ code, the protected raise lets the exception through.
    heard.clear();
    EXPECT_THROW(users.raise_UserEntered(2), std::runtime_error);
    EXPECT_EQ(heard, std::vector<std::string>{"before 2"});
}

TEST_F(ThrowingSubscriberTest, TheDefaultHandlerAndAFailingHandlerWriteToStandardError) {
    users.add_UserLeft([](std::uint16_t) { throw std::runtime_error("left badly"); });
    users.add_UserLeft(Log("still "));

    UserGenerator::SetSubscriberErrorHandler(nullptr);
    ::testing::internal::CaptureStderr();
    registration.left(userHandle, 1, registration.userCookie);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::HasSubstr("a subscriber of UserLeft threw: left badly"));

    UserGenerator::SetSubscriberErrorHandler([](const char*, std::exception_ptr) { throw std::runtime_error("oops"); });
    ::testing::internal::CaptureStderr();
    registration.left(userHandle, 2, registration.userCookie);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), ::testing::HasSubstr("oops"));
    EXPECT_EQ(heard, (std::vector<std::string>{"still 1", "still 2"}));
}

TEST_F(UserTest, TwoObjectsOverOneNodeAreNotifiedApart) {
    Registration first;
    Registration second;
    XnCallbackHandle const secondUsers = FakeHandle<void>(6);
    XnCallbackHandle const secondCalibration = FakeHandle<void>(7);
    UserGenerator one = Find(first);
    EXPECT_CALL(fake, xnFindExistingNodeByType(contextHandle, XN_NODE_TYPE_USER, _))
        .WillOnce(DoAll(SetArgPointee<2>(userHandle), Return(XN_STATUS_OK)));
    ExpectRegistration(second, userHandle, secondUsers, secondCalibration);
    UserGenerator two = UserGenerator::Find(context);
    EXPECT_NE(first.userCookie, second.userCookie);

    std::vector<std::string> heard;
    one.add_UserEntered([&](std::uint16_t user) { heard.push_back("one " + std::to_string(user)); });
    two.add_UserEntered([&](std::uint16_t user) { heard.push_back("two " + std::to_string(user)); });
    // The framework calls every registration of the node.
    first.entered(userHandle, 1, first.userCookie);
    second.entered(userHandle, 1, second.userCookie);

    // A token names a subscription of its own object only.
    const EventToken ofOne = one.add_UserLeft([&](std::uint16_t) { heard.emplace_back("one left"); });
    const EventToken ofTwo = two.add_UserLeft([&](std::uint16_t) { heard.emplace_back("two left"); });
    two.remove_UserLeft(ofOne);
    one.remove_UserLeft(ofTwo);
    first.left(userHandle, 1, first.userCookie);
    second.left(userHandle, 1, second.userCookie);

    ExpectUnregistration(userHandle, usersCallbacks, calibrationCallbacks);
    one.Dispose();
    second.entered(userHandle, 2, second.userCookie);
    EXPECT_EQ(heard, (std::vector<std::string>{"one 1", "two 1", "one left", "two left", "two 2"}));
    ExpectUnregistration(userHandle, secondUsers, secondCalibration);
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
