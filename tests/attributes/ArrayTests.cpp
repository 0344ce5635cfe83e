#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "attributes/Array.h"
#include "platform/String.h"
#include "tests/support/AssertRecorder.h"

namespace {

// Logs its life: "C<id>" constructed, "A<id>" assigned the value id, "D<id>" destroyed. The id
// is a value, so relocation as raw memory keeps it and logs nothing.
struct Tracker {
    static std::string log;
    static int nextId;

    Tracker() noexcept : id(nextId++) { log += "C" + std::to_string(id) + " "; }
    Tracker(const Tracker& other) : id(other.id) { log += "K" + std::to_string(id) + " "; }
    Tracker& operator=(const Tracker& other) {
        id = other.id;
        log += "A" + std::to_string(id) + " ";
        return *this;
    }
    ~Tracker() { log += "D" + std::to_string(id) + " "; }

    int id;
};
std::string Tracker::log;
int Tracker::nextId = 0;

std::string TakeLog() {
    std::string taken;
    taken.swap(Tracker::log);
    return taken;
}

// Its copy fails on demand, to see a failed append undone.
struct Fragile {
    static int live;
    Fragile() noexcept { ++live; }
    Fragile(const Fragile& other) : fail(other.fail) { ++live; }
    Fragile& operator=(const Fragile& other) {
        if (other.fail) throw CMemoryException();
        return *this;
    }
    ~Fragile() { --live; }

    bool fail = false;
};
int Fragile::live = 0;

int Key(int value) { return value; }
int Key(const Tracker& tracker) { return tracker.id; }

template <class T>
std::vector<int> Keys(CGrowableArray<T>& array) {
    std::vector<int> keys;
    for (int i = 0; i < array.GetSize(); ++i) keys.push_back(Key(array.ElementAt(i)));
    return keys;
}

void Append(CGrowableArray<int>& array, int count) {
    for (int i = 0; i < count; ++i) array.SetAtGrow(array.GetSize(), array.GetSize());
}

// The counts at which appending one at a time up to last replaced the block. Only then does the
// first element's address change: the new block is allocated while the old one is still held.
std::vector<int> CountsAtGrowth(CGrowableArray<int>& array, int last) {
    std::vector<int> counts;
    const int* before = array.GetSize() ? &array.ElementAt(0) : nullptr;
    while (array.GetSize() < last) {
        Append(array, 1);
        if (&array.ElementAt(0) != before) counts.push_back(array.GetSize());
        before = &array.ElementAt(0);
    }
    return counts;
}

class ArrayTest : public AssertingTest {
protected:
    void SetUp() override {
        Tracker::log.clear();
        Tracker::nextId = 0;
    }
};

// ---- Growth ---------------------------------------------------------------------------------

TEST_F(ArrayTest, AppendingGrowsByCountOverEightAtLeastFourAtMost1024) {
    CGrowableArray<int> array;
    EXPECT_EQ(array.GetSize(), 0);
    // Capacities 5, 10, ... 40, 46, 52, 59: a new block when the count passes each of them.
    EXPECT_EQ(CountsAtGrowth(array, 60), (std::vector<int>{1, 6, 11, 16, 21, 26, 31, 36, 41, 47, 53, 60}));
    for (int i = 0; i < 60; ++i) ASSERT_EQ(array.ElementAt(i), i) << "kept through relocation";

    CGrowableArray<int> large;
    large.SetSize(8192);  // capacity 8196
    EXPECT_EQ(CountsAtGrowth(large, 10300), (std::vector<int>{8197, 9222, 10247}));
}

TEST_F(ArrayTest, SetSizeConstructsAndDestroysInOrderAndKeepsTheBlock) {
    {
        CGrowableArray<Tracker> array;
        array.SetSize(3);  // capacity 7
        array.SetSize(3);
        array.SetSize(5);
        EXPECT_EQ(TakeLog(), "C0 C1 C2 C3 C4 ");
        const Tracker* block = &array.ElementAt(0);
        array.SetSize(1);
        array.SetSize(0);
        EXPECT_EQ(TakeLog(), "D1 D2 D3 D4 D0 ");
        array.SetSize(7);
        EXPECT_EQ(&array.ElementAt(0), block) << "capacity kept";
        array.SetSize(8);  // a new block: the elements move without a constructor or destructor
        EXPECT_EQ(TakeLog(), "C5 C6 C7 C8 C9 C10 C11 C12 ");
        EXPECT_EQ(Keys(array), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12}));
    }
    EXPECT_EQ(TakeLog(), "D5 D6 D7 D8 D9 D10 D11 D12 ");
}

// ---- SetAtGrow ------------------------------------------------------------------------------

TEST_F(ArrayTest, SetAtGrowAppendsOverwritesOrFillsTheGap) {
    CGrowableArray<Tracker> array;
    Tracker source;  // 0
    array.SetAtGrow(0, source);
    array.SetSize(3);
    TakeLog();
    Tracker other;  // 4
    array.SetAtGrow(1, other);
    EXPECT_EQ(TakeLog(), "C4 A4 ") << "inside: plain assignment";
    array.SetAtGrow(5, other);
    EXPECT_EQ(TakeLog(), "C5 C6 C7 A4 ");
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 4, 3, 5, 6, 4}));
}

TEST_F(ArrayTest, SetAtGrowCopiesAnElementOfTheBlockItReplaces) {
    CGrowableArray<CString> array;
    for (const char* text : {"first", "second", "third", "fourth", "fifth"})
        array.SetAtGrow(array.GetSize(), CString(text));
    array.SetAtGrow(array.GetSize(), array.ElementAt(1));  // capacity 5: a new block
    ASSERT_EQ(array.GetSize(), 6);
    EXPECT_STREQ(array.ElementAt(5), "second");
}

TEST_F(ArrayTest, FailedCopyLeavesTheArrayAsItWas) {
    {
        CGrowableArray<Fragile> array;
        array.SetSize(2);
        Fragile poison;
        poison.fail = true;
        EXPECT_THROW(array.SetAtGrow(4, poison), CMemoryException);
        EXPECT_EQ(array.GetSize(), 2);
        EXPECT_EQ(Fragile::live, 3) << "the gap's new elements were destroyed again";
    }
    EXPECT_EQ(Fragile::live, 0);
}

// ---- RemoveAt -------------------------------------------------------------------------------

TEST_F(ArrayTest, RemoveAtDestroysTheRunAndMovesTheRestDown) {
    CGrowableArray<Tracker> array;
    array.SetSize(6);  // capacity 10
    const Tracker* block = &array.ElementAt(0);
    TakeLog();
    array.RemoveAt(5);
    EXPECT_EQ(TakeLog(), "D5 ");
    array.RemoveAt(1, 2);
    EXPECT_EQ(TakeLog(), "D1 D2 ");
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 3, 4}));
    for (int i = 0; i <= 3; ++i) array.RemoveAt(i, 0);
    EXPECT_EQ(TakeLog(), "");
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 3, 4}));
    array.SetSize(10);
    EXPECT_EQ(&array.ElementAt(0), block) << "capacity kept";
}

// ---- Bad arguments --------------------------------------------------------------------------

TEST_F(ArrayTest, BadIndicesAndCountsAreReportedThenRaised) {
    CGrowableArray<int> array;
    EXPECT_THROW(array.ElementAt(0), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    Append(array, 3);
    for (int index : {-1, 3, INT_MIN}) {
        EXPECT_THROW(array.ElementAt(index), CInvalidArgException);
        EXPECT_TRUE(asserts.Expect("Array", 1)) << index;
    }
    EXPECT_THROW(array.SetSize(-1), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_THROW(array.SetAtGrow(-1, 9), CInvalidArgException);
    EXPECT_TRUE(asserts.Expect("Array", 1));
    EXPECT_NO_THROW(array.EnsureCapacity(-1)) << "only reported";
    EXPECT_TRUE(asserts.Expect("Array", 1));

    struct Case {
        int index, count, reports;
    };
    for (const Case& c : {Case{-1, 1, 1}, Case{0, -1, 1}, Case{2, 2, 1}, Case{4, 0, 1}, Case{-1, -1, 2},
                          Case{INT_MAX, 1, 1}, Case{1, INT_MAX, 1}}) {
        EXPECT_THROW(array.RemoveAt(c.index, c.count), CInvalidArgException) << c.index << "," << c.count;
        EXPECT_TRUE(asserts.Expect("Array", c.reports)) << c.index << "," << c.count;
    }
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 1, 2}));
}

// ---- Out of memory --------------------------------------------------------------------------

TEST_F(ArrayTest, CountPastIntMaxIsOutOfMemoryAndChangesNothing) {
    CGrowableArray<int> array;
    Append(array, 3);
    const int* block = &array.ElementAt(0);
    for (int count : {INT_MAX - 3, INT_MAX}) {  // plus the step 4, past INT_MAX
        EXPECT_THROW(array.SetSize(count), CMemoryException) << count;
        EXPECT_THROW(array.EnsureCapacity(count), CMemoryException) << count;
        EXPECT_THROW(array.SetAtGrow(count, 7), CMemoryException) << count;
    }
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(&array.ElementAt(0), block);
    Append(array, 1);
    EXPECT_EQ(Keys(array), (std::vector<int>{0, 1, 2, 3}));
}

#if SIZE_MAX > 0xFFFFFFFFu
// A terabyte per element: block sizes that wrap or that no address space holds.
struct Huge {
    char bytes[std::size_t(1) << 40];
};

TEST_F(ArrayTest, ImpossibleBlocksAreOutOfMemory) {
    CGrowableArray<Huge> array;
    // Capacity 2^24 times 2^40 bytes wraps a 64-bit size to zero: not an empty block.
    EXPECT_THROW(array.SetSize((1 << 24) - 4), CMemoryException);
    // 2^20 times 2^40 bytes fits the size type but no machine.
    EXPECT_THROW(array.SetSize((1 << 20) - 4), CMemoryException);
    EXPECT_EQ(array.GetSize(), 0);
}
#endif

}  // namespace
