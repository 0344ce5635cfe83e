// Records the debug assertion reports of a test, so it can check which unit reported and how
// often. Builds without debug checks report nothing: there every expectation becomes zero.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Debug.h"

#if defined(QV_DEBUG) && QV_DEBUG
inline constexpr bool kDebugChecks = true;
#else
inline constexpr bool kDebugChecks = false;
#endif

struct AssertReport {
    std::string unit;
    int line;
};

class AssertRecorder {
public:
    AssertRecorder() {
        Reports().clear();
        m_previous = qv::SetAssertHook(&Record);
    }
    ~AssertRecorder() { qv::SetAssertHook(m_previous); }
    AssertRecorder(const AssertRecorder&) = delete;
    AssertRecorder& operator=(const AssertRecorder&) = delete;

    // The reports since the last call, which forgets them.
    std::vector<AssertReport> Take() {
        std::vector<AssertReport> taken;
        taken.swap(Reports());
        return taken;
    }

    // Exactly count reports (none without debug checks), every one naming unit.
    ::testing::AssertionResult Expect(const char* unit, int count) {
        const std::vector<AssertReport> taken = Take();
        const size_t expected = kDebugChecks ? static_cast<size_t>(count) : 0;
        if (taken.size() != expected) {
            ::testing::AssertionResult failure = ::testing::AssertionFailure();
            failure << "expected " << expected << " assertion reports, got " << taken.size();
            for (const AssertReport& r : taken) failure << " [" << r.unit << ":" << r.line << "]";
            return failure;
        }
        for (const AssertReport& r : taken)
            if (r.unit != unit)
                return ::testing::AssertionFailure()
                       << "report from " << r.unit << ":" << r.line << ", expected unit " << unit;
        return ::testing::AssertionSuccess();
    }

    // Lines of the reports, for telling two different checks apart.
    std::vector<int> Lines() {
        std::vector<int> lines;
        for (const AssertReport& r : Take()) lines.push_back(r.line);
        return lines;
    }

private:
    static std::vector<AssertReport>& Reports() {
        static std::vector<AssertReport> reports;
        return reports;
    }
    static void Record(const char* unit, int line) { Reports().push_back({unit, line}); }

    qv::AssertHook m_previous = nullptr;
};

// A fixture whose tests fail on any assertion report they did not take.
class AssertingTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(asserts.Expect("", 0)) << "unexpected reports"; }

    AssertRecorder asserts;
};
