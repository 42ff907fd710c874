// Keystrokes into a real window: needs the foreground, so this program runs alone (RUN_SERIAL).
#include <windows.h>

#include <gtest/gtest.h>

#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_text.h"

namespace {

using namespace plat;

// Types into an edit control of our own window: every character arrives as itself, and
// modifiers and named keys do what the syntax says.
TEST(Win32Shell, SentKeysReachTheFocusedControl) {
    HWND main = CreateWindowExW(0, L"STATIC", L"sendkeys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(main, nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 380, 30, main, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(main);
    SetFocus(edit);
    auto pump = [] {
        const ULONGLONG end = GetTickCount64() + 400;
        MSG msg;
        while (GetTickCount64() < end) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        }
    };
    pump();
    if (GetForegroundWindow() != main) {
        DestroyWindow(main);
        FAIL() << "no foreground window (is there a display?)";
    }
    Win32Shell shell;
    ASSERT_TRUE(shell.sendKeys("a{+}b{^}{%}{~}{(}{)}{{}{}}{[}{]}\xd0\x96z"));
    pump();
    ASSERT_TRUE(shell.sendKeys("{LEFT}{BACKSPACE}+x"));
    pump();
    wchar_t buf[128] = {};
    GetWindowTextW(edit, buf, 128);
    DestroyWindow(main);
    EXPECT_EQ(win32::narrow(buf, wcslen(buf)), "a+b^%~(){}[]Xz");
}

}  // namespace
