// The suite's case-insensitive comparison of names against the platform's own, for every one of
// the 65,536 UTF-16 code units (run under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/text/text.h"

namespace {

struct CaseRun {
    char16_t first, last;
    int delta;
    int step;
};
#include "common/text/case_runs.inc"

using CaseFn = WCHAR(WINAPI*)(WCHAR);

CaseFn ntdll(const char* name) {
    return reinterpret_cast<CaseFn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

std::array<char16_t, 65536> fromRuns(const CaseRun* runs, size_t count) {
    std::array<char16_t, 65536> t{};
    for (size_t c = 0; c < t.size(); ++c) t[c] = static_cast<char16_t>(c);
    for (size_t r = 0; r < count; ++r)
        for (char32_t c = runs[r].first; c <= runs[r].last; c += static_cast<char32_t>(runs[r].step))
            t[c] = static_cast<char16_t>(static_cast<int>(c) + runs[r].delta);
    return t;
}

std::string unit(char16_t c) { return text::fromUtf16(std::u16string(1, c)); }

// The runs the native build uses are the platform's tables.
TEST(CaseCheck, BuiltInRunsAreThePlatformsTables) {
    const CaseFn up = ntdll("RtlUpcaseUnicodeChar"), down = ntdll("RtlDowncaseUnicodeChar");
    ASSERT_TRUE(up && down);
    const auto upper = fromRuns(kUpperRuns, sizeof kUpperRuns / sizeof kUpperRuns[0]);
    const auto lower = fromRuns(kLowerRuns, sizeof kLowerRuns / sizeof kLowerRuns[0]);
    int mismatches = 0;
    for (unsigned c = 0; c < 65536; ++c) {
        if (upper[c] != up(static_cast<WCHAR>(c)) || lower[c] != down(static_cast<WCHAR>(c))) {
            if (++mismatches < 10) ADD_FAILURE() << "unit " << std::hex << c;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The suite compares names as the platform's ordinal comparison without case does.
TEST(CaseCheck, NameComparisonAgreesWithThePlatformForEveryUnit) {
    int mismatches = 0;
    for (unsigned c = 0; c < 65536; ++c) {
        const wchar_t a[2] = {static_cast<wchar_t>(c), 0};
        for (unsigned other : {unsigned(text::upperUnit(static_cast<char16_t>(c))), unsigned('a'), unsigned(0x0130)}) {
            const wchar_t b[2] = {static_cast<wchar_t>(other), 0};
            const int platform = CompareStringOrdinal(a, 1, b, 1, TRUE) - CSTR_EQUAL;
            const int ours = text::compareNoCase(unit(static_cast<char16_t>(c)), unit(static_cast<char16_t>(other)));
            if ((platform > 0) != (ours > 0) || (platform < 0) != (ours < 0)) {
                if (++mismatches < 10) ADD_FAILURE() << "units " << std::hex << c << " and " << other;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
