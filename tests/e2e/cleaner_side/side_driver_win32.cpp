// Drives hivescrub.exe's side windows from outside, as a user would, for run.sh:
//   side_driver <hivescrub.exe> <signal folder> [log file]
// Steps: the start-up wizard (page 1, Next, page 2, Cancel); the uninstall manager (reads the
// list, removes the planted entries one by one with the Yes answer, tries to uninstall an entry
// whose program is missing); the about window (reads the Arabic label); its "Check for Update"
// (waits for the outcome without network). Before each screenshot it writes <name> into the
// signal folder and waits for <name>.done. Every finding goes to the log file (or stdout) as
// "key: value" lines, the last one "failures: n"; exit status 0 when every check held.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring g_signals;
FILE* g_log = stdout;
DWORD g_pid = 0;
int g_failures = 0;

std::string utf8(const std::wstring& w) {
    if (w.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

void say(const char* key, const std::wstring& value) {
    std::fprintf(g_log, "%s: %s\n", key, utf8(value).c_str());
    std::fflush(g_log);
}

void check(bool ok, const char* what) {
    std::fprintf(g_log, "%s: %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(g_log);
    if (!ok) ++g_failures;
}

std::wstring textOf(HWND h) {
    int n = static_cast<int>(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
    std::wstring s(n + 1, L'\0');
    SendMessageW(h, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(s.data()));
    s.resize(wcslen(s.c_str()));
    return s;
}

std::wstring classOf(HWND h) {
    wchar_t buf[128] = {};
    GetClassNameW(h, buf, 128);
    return buf;
}

// A visible top-level window of the program with that title (and class, when given).
HWND findTop(const std::wstring& title, const std::wstring& cls = L"") {
    struct F {
        std::wstring t, c;
        HWND found;
    } f{title, cls, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<F*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == g_pid && IsWindowVisible(h) && textOf(h) == f->t && (f->c.empty() || classOf(h) == f->c)) {
                f->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND waitTop(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = findTop(title)) return h;
        Sleep(100);
    }
    say("missing window", title);
    return nullptr;
}

void waitGone(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10 && findTop(title); ++i) Sleep(100);
}

// The n-th child (0-based) of that class, optionally with that text.
HWND child(HWND parent, const std::wstring& cls, const std::wstring& text = L"", int nth = 0) {
    struct F {
        std::wstring cls, text;
        int nth;
        HWND found;
    } f{cls, text, nth, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<F*>(p);
            if (_wcsicmp(classOf(h).c_str(), f->cls.c_str()) != 0) return TRUE;
            if (!f->text.empty() && textOf(h) != f->text) return TRUE;
            if (f->nth-- > 0) return TRUE;
            f->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND button(HWND parent, const std::wstring& caption) {
    HWND b = child(parent, L"Button", caption);
    if (!b) say("missing button", caption);
    return b;
}

void press(HWND b) {
    if (b) PostMessageW(b, BM_CLICK, 0, 0);
}

void shot(const std::wstring& name) {
    const std::wstring signal = g_signals + L"\\" + name;
    const std::wstring done = signal + L".done";
    Sleep(700);  // let the window paint
    HANDLE f = CreateFileW(signal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    for (int i = 0; i < 300 && GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
}

std::vector<std::wstring> listItems(HWND list) {
    std::vector<std::wstring> out;
    const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        const int len = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
        std::wstring s(len + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(s.data()));
        s.resize(wcslen(s.c_str()));
        out.push_back(s);
    }
    return out;
}

int count(const std::vector<std::wstring>& items, const std::wstring& name) {
    int n = 0;
    for (auto& s : items)
        if (s == name) ++n;
    return n;
}

// Selects item i as a click would (the list tells its window about the change).
void selectItem(HWND form, HWND list, int i) {
    SendMessageW(list, LB_SETCURSEL, i, 0);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool processRunning(const std::wstring& exeName) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    bool found = false;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (_wcsicmp(pe.szExeFile, exeName.c_str()) == 0) found = true;
    CloseHandle(snap);
    return found;
}

int indexOf(const std::vector<std::wstring>& items, const std::wstring& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == name) return static_cast<int>(i);
    return -1;
}

// A message box of the program with that title.
HWND waitBox(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = findTop(title, L"#32770")) return h;
        Sleep(100);
    }
    say("missing message box", title);
    return nullptr;
}

// Presses the box's button with that id; returns the box's text.
std::wstring answerBox(HWND box, int id) {
    if (!box) return L"";
    HWND s = GetDlgItem(box, 0xFFFF);  // the message text
    std::wstring text = s ? textOf(s) : L"";
    if (HWND b = GetDlgItem(box, id)) PostMessageW(b, BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
    return text;
}

// Removes the item at `index` (after the Yes answer) and returns the list afterwards.
std::vector<std::wstring> removeItem(HWND form, HWND list, int index) {
    selectItem(form, list, index);
    press(button(form, L"Remove"));
    HWND box = waitBox(L"Warning...", 15);
    const std::wstring question = answerBox(box, IDYES);
    check(question == L"Are you sure you want to delete this entry from the registry?",
          "Remove asks first; answered Yes");
    Sleep(500);
    return listItems(list);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: side_driver <hivescrub.exe> <signal folder>\n");
        return 2;
    }
    g_signals = argv[2];
    if (argc > 3) {
        if (FILE* f = _wfopen(argv[3], L"w")) g_log = f;
    }
    std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(g_log, "FAILED: hivescrub.exe could not be started (%lu)\nfailures: 1\n", GetLastError());
        return 1;
    }
    g_pid = pi.dwProcessId;

    // ---- the start-up wizard ----
    HWND wiz = waitTop(L"Welcome to Tolvane Registry Cleaner", 60);
    check(wiz != nullptr, "the wizard opens at start-up");
    if (wiz) {
        check(button(wiz, L"Next") != nullptr, "page 1's forward button reads Next");
        shot(L"wizard-page1");
        SendMessageW(button(wiz, L"Next"), BM_CLICK, 0, 0);
        Sleep(300);
        check(button(wiz, L"Scan") != nullptr, "page 2's forward button reads Scan");
        HWND areas = child(wiz, L"ListBox");
        check(areas && SendMessageW(areas, LB_GETCOUNT, 0, 0) == 8, "page 2 lists the eight areas");
        shot(L"wizard-page2");
        press(button(wiz, L"Cancel"));
        waitGone(L"Welcome to Tolvane Registry Cleaner", 10);
    }
    HWND mainWnd = waitTop(L"Tolvane Registry Cleaner 4.21", 20);
    check(mainWnd != nullptr, "the main window is shown");
    if (!mainWnd) return 1;

    // ---- the uninstall manager ----
    press(button(mainWnd, L"Uninstall Manager"));
    HWND un = waitTop(L"Uninstall Manager", 20);
    check(un != nullptr, "the uninstall manager opens");
    if (un) {
        // A second press brings the open one forward instead of opening another.
        SetForegroundWindow(mainWnd);
        SendMessageW(button(mainWnd, L"Uninstall Manager"), BM_CLICK, 0, 0);
        Sleep(300);
        int managers = 0;
        EnumWindows(
            [](HWND h, LPARAM p) -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(h, &pid);
                if (pid == g_pid && IsWindowVisible(h) && textOf(h) == L"Uninstall Manager")
                    ++*reinterpret_cast<int*>(p);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&managers));
        check(managers == 1, "a second press shows no second uninstall manager");

        HWND list = child(un, L"ListBox");
        std::vector<std::wstring> items = listItems(list);
        for (auto& s : items) say("listed", s);
        check(count(items, L"Scourline E2E Alpha") == 1, "the planted 64-bit entry is listed");
        check(count(items, L"Scourline E2E Twin") == 2, "both entries with the same name are listed");
        check(count(items, L"Scourline E2E Wow32") == 1, "the planted 32-bit entry is listed");
        check(count(items, L"Scourline E2E PerUser") == 1, "the planted per-user entry is listed");
        check(count(items, L"Scourline E2E Ghost") == 1, "the entry with a missing program is listed");
        check(count(items, L"Scourline E2E NoCommand") == 0, "an entry without uninstall command is not listed");
        const size_t before = items.size();

        selectItem(un, list, indexOf(items, L"Scourline E2E Alpha"));
        HWND edit = child(un, L"Edit");
        say("command shown", edit ? textOf(edit) : L"");
        check(edit && textOf(edit) == L"C:\\Scourline E2E\\alpha\\uninst.exe /S",
              "the selected entry's command is shown");
        shot(L"uninstall-manager");

        // The program of this entry is missing (only the decoy C:\Program.exe exists).
        selectItem(un, list, indexOf(items, L"Scourline E2E Ghost"));
        press(button(un, L"Uninstall"));
        HWND box = waitBox(L"Uninstall Manager", 15);
        shot(L"uninstall-missing-program");
        const std::wstring boxText = answerBox(box, IDOK);
        say("uninstall message", boxText);
        check(boxText.find(L"could not be found") != std::wstring::npos, "a missing program is reported");
        Sleep(1000);
        check(!processRunning(L"Program.exe"), "the decoy C:\\Program.exe was not started");

        items = removeItem(un, list, indexOf(items, L"Scourline E2E Alpha"));
        check(count(items, L"Scourline E2E Alpha") == 0 && items.size() == before - 1, "Remove deletes the entry");
        items = removeItem(un, list, indexOf(items, L"Scourline E2E Twin"));
        check(count(items, L"Scourline E2E Twin") == 1 && items.size() == before - 2,
              "Remove of one of two same-named entries deletes that one only");
        items = removeItem(un, list, indexOf(items, L"Scourline E2E Wow32"));
        check(count(items, L"Scourline E2E Wow32") == 0 && items.size() == before - 3,
              "Remove deletes the 32-bit entry");
        items = removeItem(un, list, indexOf(items, L"Scourline E2E PerUser"));
        check(count(items, L"Scourline E2E PerUser") == 0 && items.size() == before - 4,
              "Remove deletes the per-user entry");
        for (auto& s : items) say("left", s);
        PostMessageW(un, WM_CLOSE, 0, 0);
        waitGone(L"Uninstall Manager", 10);
    }

    // ---- the about window and the update check without network ----
    press(button(mainWnd, L"About"));
    HWND about = waitTop(L"About", 20);
    check(about != nullptr, "the about window opens");
    if (about) {
        const std::wstring arabic =
            L"\x0644\x0644\x0645\x0632\x064A\x062F \x0645\x0646 \x0627\x0644\x0645\x0639\x0644"
            L"\x0648\x0645\x0627\x062A \x0639\x0646 \x0627\x0644\x0645\x0628\x0631\x0645\x062C "
            L"\x0627\x0636\x063A\x0637 \x0647\x0646\x0627";
        check(child(about, L"Static", arabic) != nullptr, "the Arabic label shows its text as written");
        check(child(about, L"Static", L"Tolvane Registry Cleaner 4.21") != nullptr, "the title label");
        shot(L"about");
        press(button(about, L"Check for Update"));
        HWND upd = waitTop(L"Check for Update", 20);
        check(upd != nullptr, "the update window opens from the about window");
        if (upd) {
            std::wstring status;
            for (int i = 0; i < 600; ++i) {
                HWND l = child(upd, L"Static", L"The check for updates could not be made");
                if (l) {
                    status = textOf(l);
                    break;
                }
                Sleep(100);
            }
            say("update status", status);
            check(!status.empty(), "without network the window says the check could not be made");
            shot(L"update-offline");
        }
        PostMessageW(about, WM_CLOSE, 0, 0);
        waitGone(L"About", 10);
        check(findTop(L"Check for Update") == nullptr, "closing the about window closes its update window");
    }

    PostMessageW(mainWnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        check(false, "hivescrub.exe ends when its main window closes");
        TerminateProcess(pi.hProcess, 9);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::fprintf(g_log, "failures: %d\n", g_failures);
    std::fflush(g_log);
    return g_failures == 0 ? 0 : 1;
}
