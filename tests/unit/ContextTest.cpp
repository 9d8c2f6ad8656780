#include <clocale>
#include <string>

#include "FakeFixture.hpp"
#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::IsNull;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrEq;

class ContextTest : public FakeTest {
protected:
    XnContext* const handle = FakeHandle<XnContext>(3);

    std::uintptr_t contexts = 10;

    /// Expects one xnInitFromXmlFile with `path` and `errors`, succeeding with
    /// a context of its own that is shut down once.
    void ExpectInitFromXml(const ::testing::Matcher<const XnChar*>& path, XnEnumerationErrors* errors = nullptr) {
        XnContext* made = FakeHandle<XnContext>(++contexts);
        EXPECT_CALL(fake, xnInitFromXmlFile(path, _, errors))
            .WillOnce(DoAll(SetArgPointee<1>(made), Return(XN_STATUS_OK)));
        ExpectShutdown(made);
    }
};

TEST_F(ContextTest, PlainContextShutsDownOnceWhateverTheDisposals) {
    EXPECT_CALL(fake, xnInit(_)).WillOnce(DoAll(SetArgPointee<0>(handle), Return(XN_STATUS_OK)));
    // Generation is stopped before the shutdown: a module's generating thread
    // must not outlive the nodes it writes to.
    ExpectShutdown(handle);
    Context context;
    EXPECT_FALSE(context.IsDisposed());
    context.Dispose();
    context.Dispose();
    EXPECT_TRUE(context.IsDisposed());
}

TEST_F(ContextTest, FailingInitThrowsAndKeepsNothing) {
    DescribeStatuses("no init");
    // A handle written by the failed call must not be shut down later.
    EXPECT_CALL(fake, xnInit(_)).WillOnce(DoAll(SetArgPointee<0>(handle), Return(0x10005)));
    EXPECT_EQ(GeneralErrorOf([] { Context context; }), "00010005: no init");

    EXPECT_CALL(fake, xnInitFromXmlFile(_, _, _)).WillOnce(DoAll(SetArgPointee<1>(handle), Return(0x20004)));
    EXPECT_EQ(GeneralErrorOf([] { Context context("missing.xml"); }), "00020004: no init");
}

TEST_F(ContextTest, PathReachesTheFrameworkAsGiven) {
    ExpectInitFromXml(StrEq("conf/ünïcode path.xml"));
    Context fromChars("conf/ünïcode path.xml");
    ExpectInitFromXml(StrEq("from string.xml"));
    Context fromString(std::string("from string.xml"));
    ExpectInitFromXml(IsNull());
    Context absent(static_cast<const char*>(nullptr));
    ExpectInitFromXml(IsNull());
    Context absentWide(static_cast<const wchar_t*>(nullptr));
}

TEST_F(ContextTest, WidePathIsConvertedWithTheLocaleAndQuestionMarks) {
    struct LocaleGuard {
        std::string saved = std::setlocale(LC_CTYPE, nullptr);
        ~LocaleGuard() { std::setlocale(LC_CTYPE, saved.c_str()); }
    } guard;

    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    ExpectInitFromXml(StrEq("caf? ??.xml"));
    Context ascii(L"caf\u00e9 \u6771\u4eac.xml");

    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr) << "C.UTF-8 is built into glibc";
    ExpectInitFromXml(StrEq("caf\xc3\xa9 \xe6\x9d\xb1\xe4\xba\xac.xml"));
    Context utf8(std::wstring(L"caf\u00e9 \u6771\u4eac.xml"));
}

TEST_F(ContextTest, ErrorsHandleIsNullForNoneOrDisposedCollections) {
    XnEnumerationErrors* const errorsHandle = FakeHandle<XnEnumerationErrors>(5);
    EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
        .WillOnce(DoAll(SetArgPointee<0>(errorsHandle), Return(XN_STATUS_OK)));
    ErrorCollection errors;

    ExpectInitFromXml(StrEq("a.xml"), errorsHandle);
    Context withErrors("a.xml", &errors);
    ExpectInitFromXml(StrEq("b.xml"), nullptr);
    Context without("b.xml");

    EXPECT_CALL(fake, xnEnumerationErrorsFree(errorsHandle));
    errors.Dispose();
    ExpectInitFromXml(StrEq("c.xml"), nullptr);
    Context withDisposed("c.xml", &errors);
}

TEST_F(ContextTest, FailedInitLeavesTheFrameworksEntriesInTheCollection) {
    DescribeStatuses();
    XnEnumerationErrors* const errorsHandle = FakeHandle<XnEnumerationErrors>(5);
    EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
        .WillOnce(DoAll(SetArgPointee<0>(errorsHandle), Return(XN_STATUS_OK)));
    EXPECT_CALL(fake, xnEnumerationErrorsFree(errorsHandle));
    ErrorCollection errors;
    XnEnumerationErrorsIterator entry = FakeHandle<XnModuleError>(1);
    EXPECT_CALL(fake, xnInitFromXmlFile(StrEq("x.xml"), _, errorsHandle)).WillOnce(Return(0x1001D));
    GeneralErrorOf([&] { Context context("x.xml", &errors); });

    // The library neither cleared nor read the list: the caller walks what the framework left.
    EXPECT_CALL(fake, xnEnumerationErrorsGetFirst(errorsHandle)).WillOnce(Return(entry));
    EXPECT_CALL(fake, xnEnumerationErrorsGetCurrentError(entry)).WillOnce(Return(0x1001D));
    EXPECT_CALL(fake, xnEnumerationErrorsGetNext(entry)).WillOnce(Return(nullptr));
    std::vector<Status> seen;
    for (Status status : errors) {
        seen.push_back(status);
    }
    EXPECT_EQ(seen, std::vector<Status>{static_cast<Status>(0x1001D)});
}

TEST_F(ContextTest, StartAndStopReturnTheStatusUnchangedAndWaitThrows) {
    auto context = MakeContext(handle);
    EXPECT_CALL(fake, xnStartGeneratingAll(handle)).WillOnce(Return(0xFFFFFFFF)).WillOnce(Return(XN_STATUS_OK));
    EXPECT_CALL(fake, xnStopGeneratingAll(handle)).WillOnce(Return(0x10016)).RetiresOnSaturation();
    EXPECT_EQ(context->Start(), static_cast<Status>(0xFFFFFFFF));
    EXPECT_EQ(context->Start(), Status::Ok);
    EXPECT_EQ(context->Stop(), static_cast<Status>(0x10016));

    DescribeStatuses("timeout");
    EXPECT_CALL(fake, xnWaitAndUpdateAll(handle)).WillOnce(Return(XN_STATUS_OK)).WillOnce(Return(0x1000A));
    context->WaitAndUpdateAll();
    EXPECT_EQ(GeneralErrorOf([&] { context->WaitAndUpdateAll(); }), "0001000A: timeout");
    EXPECT_FALSE(context->IsDisposed());
}

TEST_F(ContextTest, DisposedContextRefusesCallsWithoutTheFramework) {
    auto context = MakeContext(handle);
    context->Dispose();
    // The strict fake fails the test if any of these reaches the framework.
    EXPECT_EQ(GeneralErrorOf([&] { context->Start(); }), "Context has been disposed");
    GeneralErrorOf([&] { context->Stop(); });
    GeneralErrorOf([&] { context->WaitAndUpdateAll(); });
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
