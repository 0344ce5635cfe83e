// The narrow string and the assertion reports that every unit relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/Debug.h"
#include "platform/Exceptions.h"
#include "platform/String.h"
#include "tests/support/AssertRecorder.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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

#if defined(__linux__)
namespace {

// A read-only text of 2^31 bytes, one more than an int counts, then its zero byte. One small
// file is mapped side by side over and over, so the text costs a megabyte, not two gigabytes.
class HugeText {
public:
    static constexpr size_t kLength = size_t{1} << 31;

    HugeText() {
        const size_t chunk = size_t{1} << 20;
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const int fd = memfd_create("huge-text", 0);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(chunk)) != 0) return;
        void* fill = mmap(nullptr, chunk, PROT_WRITE, MAP_SHARED, fd, 0);
        void* base = mmap(nullptr, kLength + page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (fill != MAP_FAILED && base != MAP_FAILED) {
            std::memset(fill, 'x', chunk);
            m_pBase = static_cast<char*>(base);
            m_size = kLength + page;
            for (size_t offset = 0; offset < kLength; offset += chunk)
                if (mmap(m_pBase + offset, chunk, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0) == MAP_FAILED) m_bOk = false;
            // A fresh anonymous page reads as zeros: the terminator.
            if (mmap(m_pBase + kLength, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
                m_bOk = false;
        }
        if (fill != MAP_FAILED) munmap(fill, chunk);
        close(fd);
    }
    ~HugeText() {
        if (m_pBase) munmap(m_pBase, m_size);
    }
    HugeText(const HugeText&) = delete;
    HugeText& operator=(const HugeText&) = delete;

    const char* get() const { return m_pBase && m_bOk ? m_pBase : nullptr; }

private:
    char* m_pBase = nullptr;
    size_t m_size = 0;
    bool m_bOk = true;
};

}  // namespace

TEST(String, TextsLongerThanAnIntCountsAreRefusedAndLeaveTheStringAsItWas) {
    const HugeText huge;
    ASSERT_NE(huge.get(), nullptr);
    ASSERT_EQ(std::strlen(huge.get()), HugeText::kLength);

    EXPECT_THROW(CString{huge.get()}, CMemoryException);
    CString text("kept");
    EXPECT_THROW(text = huge.get(), CMemoryException);
    EXPECT_STREQ(text, "kept");
    // Two halves, each within an int, together too long: the formatted length overflows.
    const char* half = huge.get() + HugeText::kLength / 2;
    EXPECT_THROW(text.Format("%s%s", half, half), CMemoryException);
    EXPECT_STREQ(text, "kept");
    // INT_MAX bytes would fit alone; joined to what the string holds they do not.
    EXPECT_THROW(text += huge.get() + 1, CMemoryException);
    EXPECT_STREQ(text, "kept");
    EXPECT_EQ(text.GetLength(), 4);
}
#endif

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
