// The narrow string and the assertion reports that every unit relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/Debug.h"
#include "platform/String.h"
#include "tests/support/AssertRecorder.h"

TEST(String, LowerCasesLettersButNeverATrailByte) {
    // "Ａ" is not in play here; the trail bytes 0x41 ('A') and 0x5A ('Z') follow GBK lead bytes.
    CString text("AbZ\xB0\x41x\x81\x5AY");
    text.MakeLower();
    EXPECT_STREQ(text, "abz\xB0\x41x\x81\x5Ay");
}

TEST(String, LowerCaseStopsAtADanglingLeadByte) {
    CString text("Q\xB0");
    text.MakeLower();
    EXPECT_STREQ(text, "q\xB0");
    EXPECT_EQ(text.GetLength(), 2);
}

TEST(String, ChineseTextIsStoredAsGbkBytes) {
    const CString text("好感");
    EXPECT_EQ(text.GetLength(), 4);
    EXPECT_STREQ(text, "\xBA\xC3\xB8\xD0");
}

TEST(String, AssignmentCopiesAndSurvivesAliasing) {
    CString a("first");
    CString b = a;
    a = "second";
    EXPECT_STREQ(b, "first");
    a = a;
    EXPECT_STREQ(a, "second");
    a = a.GetString() + 1;  // a tail of its own buffer
    EXPECT_STREQ(a, "econd");
    a += "s";
    a += nullptr;
    EXPECT_STREQ(a, "econds");
    CString moved(std::move(a));
    EXPECT_STREQ(moved, "econds");
    EXPECT_TRUE(a.IsEmpty());
    a = nullptr;
    EXPECT_STREQ(a, "");
}

TEST(String, FormatsLikePrintf) {
    CString text;
    text.Format("%d|%u|%ld|%.2f|%s", -5, 65535u, -7L, 1.5, "x");
    EXPECT_STREQ(text, "-5|65535|-7|1.50|x");
    text.Format("%s", "");
    EXPECT_TRUE(text.IsEmpty());
    const std::string wide(5000, 'w');
    text.Format("%s!", wide.c_str());
    EXPECT_EQ(text.GetLength(), 5001);
}

TEST(Debug, ReportsTheUnitWithoutFolderOrExtension) {
    char buffer[16];
    EXPECT_STREQ(qv::UnitFromPath("C:\\src\\browser/HtmlBrowser.cpp", buffer, sizeof buffer), "HtmlBrowser");
    EXPECT_STREQ(qv::UnitFromPath("Array", buffer, sizeof buffer), "Array");
    EXPECT_STREQ(qv::UnitFromPath("/x/AVeryLongUnitNameIndeed.h", buffer, sizeof buffer), "AVeryLongUnitNa");

    AssertRecorder asserts;
    qv::ReportAssert("/work/skin/SkinButton.cpp", 179);
    const std::vector<AssertReport> reports = asserts.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].unit, "SkinButton");
    EXPECT_EQ(reports[0].line, 179);
}
