// Which place a debug assertion reports.
#include <gtest/gtest.h>

#include "platform/Debug.h"
#include "tests/support/AssertRecorder.h"

TEST(Assert, ReportsItsOwnLineOrTheLineItIsGiven) {
    if (!kDebugChecks) GTEST_SKIP() << "debug assertions are compiled out of this build";
    AssertRecorder asserts;
    const int ownLine = __LINE__ + 1;
    ASSERT(1 + 1 == 3);
    ASSERT_AT(1 + 1 == 3, 4242);
    ASSERT(1 + 1 == 2);
    ASSERT_AT(1 + 1 == 2, 17);
    const std::vector<AssertReport> reports = asserts.Take();
    ASSERT_EQ(reports.size(), 2u) << "only the false conditions report";
    EXPECT_EQ(reports[0].unit, "AssertTests");
    EXPECT_EQ(reports[0].line, ownLine);
    EXPECT_EQ(reports[1].unit, "AssertTests");
    EXPECT_EQ(reports[1].line, 4242);
}
