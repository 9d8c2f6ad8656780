// Shared set-up for the call-level tests.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "FakeOpenNI.hpp"
#include "Orvo/OpenNI/Context.hpp"

namespace Orvo::OpenNI::Testing {

/// Every test starts with a strict fake: a framework call that the test did
/// not expect fails it, so "calls nothing" needs no extra assertion.
class FakeTest : public ::testing::Test {
protected:
    ::testing::StrictMock<FakeOpenNI> fake;

    /// Lets the failure path describe any status with `text`.
    void DescribeStatuses(const char* text = "described") {
        EXPECT_CALL(fake, xnGetStatusString(::testing::_)).WillRepeatedly(::testing::Return(text));
    }

    /// Disposal of the context `handle`: generation stopped, then shutdown, once each.
    void ExpectShutdown(XnContext* handle) {
        ::testing::Sequence disposal;
        EXPECT_CALL(fake, xnStopGeneratingAll(handle))
            .InSequence(disposal)
            .WillOnce(::testing::Return(XN_STATUS_OK))
            .RetiresOnSaturation();
        EXPECT_CALL(fake, xnShutdown(handle)).InSequence(disposal);
    }

    /// A live Context over `handle`, disposed once when the test ends.
    std::shared_ptr<Context> MakeContext(XnContext* handle = FakeHandle<XnContext>(1)) {
        EXPECT_CALL(fake, xnInit(::testing::_))
            .WillOnce(::testing::DoAll(::testing::SetArgPointee<0>(handle), ::testing::Return(XN_STATUS_OK)));
        ExpectShutdown(handle);
        return std::make_shared<Context>();
    }
};

/// Framework-side storage for one metadata record (XnDepthMetaData or
/// XnSceneMetaData) as xnAllocate*MetaData gives it: the record, its map
/// description and the output part of that.
template <typename Record>
struct FrameworkRecord {
    XnOutputMetaData output{};
    XnMapMetaData map{};
    Record record{};
    FrameworkRecord() {
        map.pOutput = &output;
        record.pMap = &map;
    }
};

/// Runs `action`, which must throw exactly std::runtime_error (the library's
/// general error, not a subclass), and returns its message.
template <typename Action>
std::string GeneralErrorOf(Action&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        EXPECT_EQ(typeid(e), typeid(std::runtime_error)) << "threw " << typeid(e).name() << ": " << e.what();
        return e.what();
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}

}  // namespace Orvo::OpenNI::Testing
