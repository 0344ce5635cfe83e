#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "attributes/Array.h"
#include "platform/String.h"
#include "tests/attributes/AssertRecorder.h"

namespace {

// An element that logs its life: "C<id>" constructed, "A<id>" assigned the value of id, "D<id>"
// destroyed. Its id is a value, so relocation as raw memory keeps it and logs nothing.
struct Tracker {
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    static int& NextId() {
        static int next = 0;
        return next;
    }
    static std::vector<std::string> TakeLog() {
        std::vector<std::string> taken;
        taken.swap(Log());
        return taken;
    }

    Tracker() noexcept : id(NextId()++) { Log().push_back("C" + std::to_string(id)); }
    Tracker(const Tracker& other) : id(other.id) { Log().push_back("K" + std::to_string(id)); }
    Tracker& operator=(const Tracker& other) {
        id = other.id;
        Log().push_back("A" + std::to_string(id));
        return *this;
    }
    ~Tracker() { Log().push_back("D" + std::to_string(id)); }

    int id;
};

// Fails its copy on demand, to see a failed append undone.
struct Fragile {
    static int& Live() {
        static int live = 0;
        return live;
    }
    Fragile() noexcept { ++Live(); }
    Fragile(const Fragile& other) : fail(other.fail) { ++Live(); }
    Fragile& operator=(const Fragile& other) {
        if (other.fail) throw CMemoryException();
        fail = other.fail;
        return *this;
    }
    ~Fragile() { --Live(); }

    bool fail = false;
};

class ArrayTest : public AssertingTest {
protected:
    void SetUp() override {
        Tracker::TakeLog();
        Tracker::NextId() = 0;
    }

    template <class T>
    static void Append(CGrowableArray<T>& array, const T& value) {
        array.SetAtGrow(array.GetSize(), value);
    }
    static void AppendInts(CGrowableArray<int>& array, int count) {
        for (int i = 0; i < count; ++i) Append(array, array.GetSize());
    }
    static std::vector<int> Values(CGrowableArray<int>& array) {
        std::vector<int> values;
        for (int i = 0; i < array.GetSize(); ++i) values.push_back(array.ElementAt(i));
        return values;
    }
    static std::vector<int> Ids(CGrowableArray<Tracker>& array) {
        std::vector<int> ids;
        for (int i = 0; i < array.GetSize(); ++i) ids.push_back(array.ElementAt(i).id);
        return ids;
    }
    // The sizes, reached by appending one at a time from empty up to last, at which the block was
    // replaced. A replacement is the only time the first element's address changes, since the
    // new block is allocated while the old one is still held.
    static std::vector<int> SizesAtGrowth(CGrowableArray<int>& array, int last) {
        std::vector<int> sizes;
        const int* before = array.GetSize() ? &array.ElementAt(0) : nullptr;
        while (array.GetSize() < last) {
            Append(array, array.GetSize());
            const int* now = &array.ElementAt(0);
            if (now != before) sizes.push_back(array.GetSize());
            before = now;
        }
        return sizes;
    }
};

// ---- Growth ---------------------------------------------------------------------------------

TEST_F(ArrayTest, StartsEmptyWithoutAllocating) {
    CGrowableArray<int> array;
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_THROW(array.ElementAt(0), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
}

TEST_F(ArrayTest, AppendingGrowsByStepOfCountOverEightAtLeastFour) {
    CGrowableArray<int> array;
    // Capacities 5, 10, ... 40, 46, 52, 59: a new block when the count passes each of them.
    EXPECT_EQ(SizesAtGrowth(array, 60),
              (std::vector<int>{1, 6, 11, 16, 21, 26, 31, 36, 41, 47, 53, 60}));
    std::vector<int> expected(60);
    for (int i = 0; i < 60; ++i) expected[static_cast<size_t>(i)] = i;
    EXPECT_EQ(Values(array), expected) << "values survive every relocation";
}

TEST_F(ArrayTest, StepStopsAtTenTwentyFour) {
    CGrowableArray<int> array;
    array.SetSize(8192);  // capacity 8192 + 4
    EXPECT_EQ(SizesAtGrowth(array, 10300), (std::vector<int>{8197, 9222, 10247}));
}

TEST_F(ArrayTest, SetSizeConstructsAndDestroysInIndexOrder) {
    CGrowableArray<Tracker> array;
    array.SetSize(3);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"C0", "C1", "C2"}));
    array.SetSize(3);
    EXPECT_TRUE(Tracker::TakeLog().empty()) << "same count changes nothing";
    array.SetSize(5);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"C3", "C4"}));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2, 3, 4}));

    const Tracker* block = &array.ElementAt(0);
    array.SetSize(1);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"D1", "D2", "D3", "D4"}));
    array.SetSize(0);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"D0"}));
    EXPECT_EQ(array.GetSize(), 0);

    // The block is kept: refilling up to the old capacity (3 + 4) does not replace it.
    array.SetSize(7);
    EXPECT_EQ(&array.ElementAt(0), block);
}

TEST_F(ArrayTest, DestructorDestroysEveryElementInOrder) {
    {
        CGrowableArray<Tracker> array;
        array.SetSize(3);
        Tracker::TakeLog();
    }
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"D0", "D1", "D2"}));
}

TEST_F(ArrayTest, RelocationRunsNoConstructorAssignmentOrDestructor) {
    CGrowableArray<Tracker> array;
    array.SetSize(5);
    Tracker::TakeLog();
    array.SetSize(6);  // beyond capacity 5: new block
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"C5"}));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ArrayTest, StringsSurviveRelocation) {
    CGrowableArray<CString> array;
    for (int i = 0; i < 30; ++i) {
        CString text;
        text.Format("element %d", i);
        Append(array, text);
    }
    for (int i = 0; i < 30; ++i) {
        CString text;
        text.Format("element %d", i);
        EXPECT_STREQ(array.ElementAt(i), text);
    }
}

// ---- SetAtGrow ------------------------------------------------------------------------------

TEST_F(ArrayTest, SetAtGrowAppendsACopyOrOverwritesInPlace) {
    CGrowableArray<Tracker> array;
    Tracker source;  // id 0
    Tracker::TakeLog();
    Append(array, source);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"C1", "A0"}));
    EXPECT_EQ(array.GetSize(), 1);

    array.SetSize(3);  // ids 0, 2, 3
    Tracker::TakeLog();
    Tracker other;  // id 4
    Tracker::TakeLog();
    array.SetAtGrow(1, other);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"A4"}));
    EXPECT_EQ(array.GetSize(), 3);
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 4, 3}));
}

TEST_F(ArrayTest, SetAtGrowPastTheEndFillsTheGapWithDefaults) {
    CGrowableArray<int> array;
    AppendInts(array, 2);
    array.SetAtGrow(5, 42);
    EXPECT_EQ(Values(array), (std::vector<int>{0, 1, 0, 0, 0, 42}));
}

TEST_F(ArrayTest, SetAtGrowCopiesAnElementOfItsOwnBlockWhileGrowing) {
    CGrowableArray<CString> array;
    for (const char* text : {"first", "second", "third", "fourth", "fifth"}) Append(array, CString(text));
    // Capacity is 5: this append replaces the block that holds the source element.
    Append(array, array.ElementAt(1));
    ASSERT_EQ(array.GetSize(), 6);
    EXPECT_STREQ(array.ElementAt(5), "second");
    EXPECT_STREQ(array.ElementAt(1), "second");
}

TEST_F(ArrayTest, FailedCopyLeavesTheArrayAsItWas) {
    {
        CGrowableArray<Fragile> array;
        array.SetSize(2);
        Fragile poison;
        poison.fail = true;
        EXPECT_THROW(array.SetAtGrow(4, poison), CMemoryException);
        EXPECT_EQ(array.GetSize(), 2);
        EXPECT_EQ(Fragile::Live(), 3) << "the gap's defaults were destroyed again";
    }
    EXPECT_EQ(Fragile::Live(), 0);
}

// ---- RemoveAt -------------------------------------------------------------------------------

TEST_F(ArrayTest, RemovingTheLastElementDestroysOnlyIt) {
    CGrowableArray<Tracker> array;
    array.SetSize(4);
    Tracker::TakeLog();
    array.RemoveAt(3, 1);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"D3"}));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2}));
}

TEST_F(ArrayTest, RemovingFromTheMiddleMovesTheRestDownInOrder) {
    CGrowableArray<Tracker> array;
    array.SetSize(6);
    const Tracker* block = &array.ElementAt(0);
    Tracker::TakeLog();
    array.RemoveAt(1, 2);
    EXPECT_EQ(Tracker::TakeLog(), (std::vector<std::string>{"D1", "D2"}));
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 3, 4, 5}));
    array.RemoveAt(0);
    EXPECT_EQ(Ids(array), (std::vector<int>{3, 4, 5}));
    // Capacity is kept.
    array.SetSize(9);
    EXPECT_EQ(&array.ElementAt(0), block);
}

TEST_F(ArrayTest, RemovingNothingChangesNothing) {
    CGrowableArray<Tracker> array;
    array.SetSize(3);
    Tracker::TakeLog();
    for (int i = 0; i <= 3; ++i) array.RemoveAt(i, 0);
    EXPECT_TRUE(Tracker::TakeLog().empty());
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2}));
}

// ---- Bad arguments --------------------------------------------------------------------------

TEST_F(ArrayTest, BadIndexToElementAtIsReportedAndRaised) {
    CGrowableArray<int> array;
    AppendInts(array, 3);
    EXPECT_THROW(array.ElementAt(-1), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_THROW(array.ElementAt(3), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_THROW(array.ElementAt(INT_MIN), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_EQ(array.ElementAt(2), 2);
}

TEST_F(ArrayTest, NegativeCountsAndIndicesAreReportedAndRaised) {
    CGrowableArray<int> array;
    AppendInts(array, 3);
    EXPECT_THROW(array.SetSize(-1), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_THROW(array.SetAtGrow(-1, 9), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_EQ(Values(array), (std::vector<int>{0, 1, 2}));

    // EnsureCapacity only reports.
    EXPECT_NO_THROW(array.EnsureCapacity(-1));
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_EQ(Values(array), (std::vector<int>{0, 1, 2}));
}

TEST_F(ArrayTest, BadRemovalIsReportedOncePerBrokenCheckAndChangesNothing) {
    CGrowableArray<Tracker> array;
    array.SetSize(3);
    Tracker::TakeLog();
    struct Case {
        int index, count, reports;
    };
    for (const Case& c : {Case{-1, 1, 1}, Case{0, -1, 1}, Case{2, 2, 1}, Case{4, 0, 1},
                          Case{-1, -1, 2}, Case{INT_MAX, 1, 1}, Case{1, INT_MAX, 1}}) {
        EXPECT_THROW(array.RemoveAt(c.index, c.count), CInvalidArgException)
            << c.index << ", " << c.count;
        EXPECT_TRUE(asserts.Expect("Array", c.reports)) << c.index << ", " << c.count;
    }
    EXPECT_TRUE(Tracker::TakeLog().empty());
    EXPECT_EQ(Ids(array), (std::vector<int>{0, 1, 2}));
}

// ---- Out of memory --------------------------------------------------------------------------

TEST_F(ArrayTest, CountPastIntMaxIsOutOfMemoryAndChangesNothing) {
    CGrowableArray<int> array;
    AppendInts(array, 3);
    const int* block = &array.ElementAt(0);
    // INT_MAX - 3 plus the step 4 no longer fits an int.
    for (int count : {INT_MAX - 3, INT_MAX}) {
        EXPECT_THROW(array.SetSize(count), CMemoryException) << count;
        EXPECT_THROW(array.EnsureCapacity(count), CMemoryException) << count;
    }
    EXPECT_THROW(array.SetAtGrow(INT_MAX, 7), CMemoryException);
    EXPECT_THROW(array.SetAtGrow(INT_MAX - 1, 7), CMemoryException);
    EXPECT_EQ(Values(array), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(&array.ElementAt(0), block);
    Append(array, 3);
    EXPECT_EQ(Values(array), (std::vector<int>{0, 1, 2, 3}));
}

#if SIZE_MAX > 0xFFFFFFFFu
// A terabyte per element: block sizes that overflow or that no address space can hold.
struct Huge {
    char bytes[std::size_t(1) << 40];
};

TEST_F(ArrayTest, BlockSizePastTheAddressRangeIsOutOfMemory) {
    CGrowableArray<Huge> array;
    // Capacity 2^24 (count plus step 4) times 2^40 bytes wraps a 64-bit size to zero: it must
    // not turn into an empty block.
    EXPECT_THROW(array.SetSize((1 << 24) - 4), CMemoryException);
    EXPECT_EQ(array.GetSize(), 0);
}

TEST_F(ArrayTest, FailedAllocationIsOutOfMemory) {
    CGrowableArray<Huge> array;
    // 2^20 * 2^40 bytes fits the size type but no machine's memory.
    EXPECT_THROW(array.SetSize((1 << 20) - 4), CMemoryException);
    EXPECT_EQ(array.GetSize(), 0);
}
#endif

}  // namespace
