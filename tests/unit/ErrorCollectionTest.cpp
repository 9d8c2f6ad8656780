#include <any>
#include <iterator>
#include <ranges>
#include <vector>

#include "FakeFixture.hpp"
#include "Orvo/OpenNI/Errors.hpp"

namespace Orvo::OpenNI::Testing {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgPointee;

// Range-for and the standard range algorithms both work over a collection.
static_assert(std::input_iterator<ErrorCollection::Iterator>);
static_assert(std::ranges::input_range<const ErrorCollection&>);

/// A collection over a fake framework list whose entries the test sets.
class ErrorCollectionTest : public FakeTest {
protected:
    XnEnumerationErrors* const handle = FakeHandle<XnEnumerationErrors>(7);
    std::vector<XnStatus> entries;

    ErrorCollectionTest() {
        EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
            .WillRepeatedly(DoAll(SetArgPointee<0>(handle), Return(XN_STATUS_OK)));
        EXPECT_CALL(fake, xnEnumerationErrorsFree(handle)).Times(::testing::AnyNumber());
        // Entry i sits at position i + 1; position 0 is the end of the list.
        ON_CALL(fake, xnEnumerationErrorsGetFirst(handle)).WillByDefault([this](auto) {
            return entries.empty() ? nullptr : Position(0);
        });
        ON_CALL(fake, xnEnumerationErrorsGetNext(_)).WillByDefault([this](XnEnumerationErrorsIterator it) {
            std::size_t next = Index(it) + 1;
            return next < entries.size() ? Position(next) : nullptr;
        });
        ON_CALL(fake, xnEnumerationErrorsGetCurrentError(_)).WillByDefault([this](XnEnumerationErrorsIterator it) {
            return entries.at(Index(it));
        });
    }

    static XnEnumerationErrorsIterator Position(std::size_t index) { return FakeHandle<XnModuleError>(index + 1); }
    static std::size_t Index(XnEnumerationErrorsIterator it) {
        return (reinterpret_cast<std::uintptr_t>(it) - 0x1000) / 0x10 - 1;
    }

    /// Lets the walk read the fake list as often as it needs.
    void AllowWalking() {
        EXPECT_CALL(fake, xnEnumerationErrorsGetFirst(handle)).Times(::testing::AnyNumber());
        EXPECT_CALL(fake, xnEnumerationErrorsGetNext(_)).Times(::testing::AnyNumber());
        EXPECT_CALL(fake, xnEnumerationErrorsGetCurrentError(_)).Times(::testing::AnyNumber());
    }

    static std::vector<Status> Walk(ErrorCollectionIterator it) {
        std::vector<Status> seen;
        while (it.MoveNext()) {
            seen.push_back(it.Current());
        }
        return seen;
    }

    static std::vector<Status> AsStatuses(const std::vector<XnStatus>& raw) {
        std::vector<Status> out;
        for (XnStatus s : raw) {
            out.push_back(static_cast<Status>(s));
        }
        return out;
    }
};

TEST_F(ErrorCollectionTest, WalksEveryEntryOnceInListOrder) {
    AllowWalking();
    for (const auto& list : {std::vector<XnStatus>{}, {0x1001D}, {0x1001D, 0xFFFFFFFF, 0x20004, 0x1001D}}) {
        entries = list;
        ErrorCollection errors;
        EXPECT_EQ(Walk(errors.GetEnumerator()), AsStatuses(list));

        std::vector<Status> ranged;
        for (Status status : errors) {
            ranged.push_back(status);
        }
        EXPECT_EQ(ranged, AsStatuses(list));
    }
}

TEST_F(ErrorCollectionTest, EnumeratorProtocolAtTheEdges) {
    entries = {0x10014};
    ErrorCollection errors;
    EXPECT_CALL(fake, xnEnumerationErrorsGetFirst(handle)).Times(1);
    ErrorCollectionIterator it = errors.GetEnumerator();
    // Before the first entry and past the last, Current is Ok without asking the framework.
    EXPECT_EQ(it.Current(), Status::Ok);
    EXPECT_TRUE(it.MoveNext());
    EXPECT_CALL(fake, xnEnumerationErrorsGetCurrentError(Position(0))).Times(2);
    EXPECT_EQ(it.Current(), static_cast<Status>(0x10014));
    EXPECT_EQ(std::any_cast<Status>(it.CurrentBase()), static_cast<Status>(0x10014));
    EXPECT_CALL(fake, xnEnumerationErrorsGetNext(Position(0))).Times(1);
    EXPECT_FALSE(it.MoveNext());
    EXPECT_EQ(it.Current(), Status::Ok);
    EXPECT_FALSE(it.MoveNext());
    EXPECT_FALSE(it.MoveNext());
    it.Dispose();
}

TEST_F(ErrorCollectionTest, ResetAndCopiesWalkAgainIndependently) {
    AllowWalking();
    entries = {1, 2, 3};
    ErrorCollection errors;
    ErrorCollectionIterator first = errors.GetEnumerator();
    ErrorCollectionIterator second(errors);
    ASSERT_TRUE(first.MoveNext());
    ErrorCollectionIterator copy = first;
    ASSERT_TRUE(first.MoveNext());
    EXPECT_EQ(first.Current(), static_cast<Status>(2));
    EXPECT_EQ(copy.Current(), static_cast<Status>(1));
    EXPECT_EQ(Walk(second), AsStatuses(entries));
    EXPECT_EQ(Walk(copy), AsStatuses({2, 3}));

    while (first.MoveNext()) {
    }
    first.Reset();
    EXPECT_EQ(first.Current(), Status::Ok);
    EXPECT_EQ(Walk(first), AsStatuses(entries));
}

TEST_F(ErrorCollectionTest, ResetReadsTheListAfresh) {
    AllowWalking();
    entries = {1, 2};
    ErrorCollection errors;
    EXPECT_CALL(fake, xnEnumerationErrorsClear(handle)).WillOnce([this](auto) {
        entries.clear();
        return XN_STATUS_OK;
    });
    ErrorCollectionIterator it = errors.GetEnumerator();
    errors.Clear();
    it.Reset();
    EXPECT_FALSE(it.MoveNext());
    EXPECT_TRUE(Walk(errors.GetEnumerator()).empty());
}

TEST_F(ErrorCollectionTest, FailingClearThrowsTheStatusError) {
    DescribeStatuses("no clearing");
    ErrorCollection errors;
    EXPECT_CALL(fake, xnEnumerationErrorsClear(handle)).WillOnce(Return(0x10001));
    EXPECT_EQ(GeneralErrorOf([&] { errors.Clear(); }), "00010001: no clearing");
    EXPECT_FALSE(errors.IsDisposed());
}

TEST_F(ErrorCollectionTest, DisposedCollectionRefusesEverythingWithoutTheFramework) {
    entries = {1};
    ErrorCollection errors;
    EXPECT_CALL(fake, xnEnumerationErrorsGetFirst(handle)).Times(1);
    ErrorCollectionIterator it = errors.GetEnumerator();
    EXPECT_TRUE(it.MoveNext());
    EXPECT_CALL(fake, xnEnumerationErrorsFree(handle)).Times(1);
    errors.Dispose();
    errors.Dispose();
    EXPECT_TRUE(errors.IsDisposed());
    // Nothing below may reach the framework: the strict fake fails any call.
    GeneralErrorOf([&] { errors.Clear(); });
    GeneralErrorOf([&] { (void)errors.GetEnumerator(); });
    GeneralErrorOf([&] { (void)errors.begin(); });
    GeneralErrorOf([&] { it.Reset(); });
    GeneralErrorOf([&] { it.MoveNext(); });
    GeneralErrorOf([&] { (void)it.Current(); });
}

class ErrorCollectionAllocationTest : public FakeTest {};

TEST_F(ErrorCollectionAllocationTest, FailingAllocationLeavesNoCollection) {
    DescribeStatuses("out of memory");
    EXPECT_CALL(fake, xnEnumerationErrorsAllocate(_))
        .WillOnce(DoAll(SetArgPointee<0>(FakeHandle<XnEnumerationErrors>(9)), Return(0x10002)));
    // No free follows: a handle written by a failed call is not kept.
    EXPECT_EQ(GeneralErrorOf([] { ErrorCollection errors; }), "00010002: out of memory");
}

}  // namespace
}  // namespace Orvo::OpenNI::Testing
