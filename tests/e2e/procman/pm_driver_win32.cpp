// Drives taskwatch.exe from outside under Wine: starts a helper process and the window, reads the
// list view across processes, checks the helper's row and the count, selects the helper, presses
// Terminate, answers Yes, waits on the helper's handle, checks the rescanned list, closes the
// window with Escape. Prints what it sees; exit code 0 when every check passed.
//
//   pm_driver.exe <taskwatch.exe> <helper.exe> <signal folder>
// The signal folder receives "listed" when the window is filled (the driver then waits at most
// 30 s for "listed-done"), and "ready" once the helper is selected (it then waits for
// "shot-done"), so that the caller can take a screenshot each time.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

struct Started {
    PROCESS_INFORMATION pi{};
    bool ok = false;
};

Started start(const std::wstring& exe, const std::wstring& args) {
    Started s;
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    s.ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.pi) != 0;
    return s;
}

std::wstring windowText(HWND h) {
    wchar_t buf[512] = {};
    SendMessageW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::wstring className(HWND h) {
    wchar_t buf[128] = {};
    GetClassNameW(h, buf, 128);
    return buf;
}

struct Find {
    DWORD pid;
    std::wstring title;
    std::wstring cls;  // empty = any
    HWND found = nullptr;
};

HWND findTopWindow(DWORD pid, const std::wstring& title, const std::wstring& cls, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        Find f{pid, title, cls};
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                if (owner != f->pid || !IsWindowVisible(h)) return TRUE;
                if (windowText(h) != f->title) return TRUE;
                if (!f->cls.empty() && className(h) != f->cls) return TRUE;
                f->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.found) return f.found;
        Sleep(100);
    }
    return nullptr;
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND childByClass(HWND parent, const std::wstring& cls) {
    for (HWND h : children(parent))
        if (className(h) == cls) return h;
    return nullptr;
}

HWND childByText(HWND parent, const std::wstring& text) {
    for (HWND h : children(parent))
        if (windowText(h) == text) return h;
    return nullptr;
}

// Reads list-view rows of another process through memory allocated in it.
class RemoteList {
public:
    RemoteList(HWND lv, DWORD pid) : lv_(lv) {
        proc_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (proc_) mem_ = VirtualAllocEx(proc_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteList() {
        if (mem_) VirtualFreeEx(proc_, mem_, 0, MEM_RELEASE);
        if (proc_) CloseHandle(proc_);
    }
    bool ok() const { return mem_ != nullptr; }
    int count() const { return (int)SendMessageW(lv_, LVM_GETITEMCOUNT, 0, 0); }
    std::wstring text(int row, int col) {
        LVITEMW item{};
        item.iSubItem = col;
        item.cchTextMax = kChars;
        item.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(mem_) + sizeof(LVITEMW));
        WriteProcessMemory(proc_, mem_, &item, sizeof(item), nullptr);
        SendMessageW(lv_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(mem_));
        wchar_t buf[kChars] = {};
        ReadProcessMemory(proc_, item.pszText, buf, sizeof(buf) - sizeof(wchar_t), nullptr);
        return buf;
    }
    bool select(int row) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(proc_, mem_, &item, sizeof(item), nullptr);
        return SendMessageW(lv_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(mem_)) != 0;
    }
    bool rowRect(int row, RECT* r) {
        RECT rc{};
        rc.left = LVIR_BOUNDS;
        WriteProcessMemory(proc_, mem_, &rc, sizeof(rc), nullptr);
        if (!SendMessageW(lv_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(mem_))) return false;
        return ReadProcessMemory(proc_, mem_, r, sizeof(*r), nullptr) != 0;
    }
    int selected() const { return (int)SendMessageW(lv_, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); }

private:
    static constexpr int kChars = 1024;
    static constexpr SIZE_T kSize = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    HWND lv_;
    HANDLE proc_ = nullptr;
    void* mem_ = nullptr;
};

struct Row {
    std::wstring name, path, id;
};

std::vector<Row> readRows(RemoteList& list) {
    std::vector<Row> rows;
    int n = list.count();
    for (int i = 0; i < n; ++i) rows.push_back({list.text(i, 0), list.text(i, 1), list.text(i, 2)});
    return rows;
}

// Waits until the row count stays the same for a while and the count label shows a number.
std::vector<Row> settledRows(RemoteList& list, HWND numLabel) {
    int last = -1, stable = 0;
    for (int waited = 0; waited < 15000 && stable < 5; waited += 100) {
        int n = list.count();
        bool counted = numLabel && windowText(numLabel) != L"00";
        stable = (n == last && n > 0 && counted) ? stable + 1 : 0;
        last = n;
        Sleep(100);
    }
    return readRows(list);
}

int rowOf(const std::vector<Row>& rows, const std::wstring& name, const std::wstring& id) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (_wcsicmp(rows[i].name.c_str(), name.c_str()) == 0 && (id.empty() || rows[i].id == id)) return (int)i;
    return -1;
}

bool waitForFile(const std::wstring& path, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(100);
    }
    return false;
}

void touch(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: pm_driver <taskwatch.exe> <helper.exe> <signal folder>\n");
        return 2;
    }
    const std::wstring taskwatch = argv[1], helper = argv[2], signals = argv[3];
    std::wstring helperName = helper.substr(helper.find_last_of(L'\\') + 1);
    std::wstring helperFolder = helper.substr(0, helper.find_last_of(L'\\') + 1);

    Started h = start(helper, L"120");
    check(h.ok, "helper started");
    if (!h.ok) return 1;
    const std::wstring helperId = std::to_wstring(h.pi.dwProcessId);
    Started tw = start(taskwatch, L"");
    check(tw.ok, "taskwatch started");
    if (!tw.ok) {
        TerminateProcess(h.pi.hProcess, 1);
        return 1;
    }

    HWND form = findTopWindow(tw.pi.dwProcessId, L"Scourline - Process Manager", L"", 20000);
    check(form != nullptr, "window \"Scourline - Process Manager\" shown");
    HWND lv = form ? childByClass(form, L"SysListView32") : nullptr;
    check(lv != nullptr, "list view found");
    HWND numLabel = nullptr;
    if (form) {
        std::vector<HWND> kids = children(form);
        for (size_t i = 0; i < kids.size(); ++i)
            if (windowText(kids[i]) == L"Number of Processes:" && i + 1 < kids.size()) numLabel = kids[i + 1];
    }
    check(numLabel != nullptr, "count label found");

    if (lv) {
        RemoteList list(lv, tw.pi.dwProcessId);
        check(list.ok(), "memory in the window's process");
        std::vector<Row> rows = settledRows(list, numLabel);
        std::printf("rows: %zu, count label: %s\n", rows.size(), utf8(windowText(numLabel)).c_str());
        for (const Row& r : rows)
            std::printf("  %-24s %-48s %s\n", utf8(r.name).c_str(), utf8(r.path).c_str(), utf8(r.id).c_str());
        check(windowText(numLabel) == std::to_wstring(rows.size()), "count label equals the rows listed");
        int helperRow = rowOf(rows, helperName, helperId);
        check(helperRow >= 0, "helper listed with its identifier " + utf8(helperId));
        if (helperRow >= 0)
            check(_wcsicmp(rows[helperRow].path.c_str(), helperFolder.c_str()) == 0,
                  "helper's folder is " + utf8(helperFolder));
        check(rowOf(rows, L"taskwatch.exe", std::to_wstring(tw.pi.dwProcessId)) >= 0, "taskwatch lists itself");

        // Live updates: a process that starts is added and one that ends leaves, without Refresh;
        // after two updates every readable process has its figures.
        Started h2 = start(helper, L"120");
        check(h2.ok, "second helper started");
        if (h2.ok) {
            const std::wstring id2 = std::to_wstring(h2.pi.dwProcessId);
            bool added = false;
            for (int waited = 0; waited < 8000 && !added; waited += 200) {
                Sleep(200);
                added = rowOf(readRows(list), helperName, id2) >= 0;
            }
            check(added, "a started process is added by the live update");
            TerminateProcess(h2.pi.hProcess, 1);
            WaitForSingleObject(h2.pi.hProcess, 5000);
            bool removed = false;
            for (int waited = 0; waited < 8000 && !removed; waited += 200) {
                Sleep(200);
                removed = rowOf(readRows(list), helperName, id2) < 0;
            }
            check(removed, "an ended process leaves with the live update");
            CloseHandle(h2.pi.hProcess);
            CloseHandle(h2.pi.hThread);
        }
        const DWORD shownAt = GetTickCount();
        std::vector<std::wstring> figures;
        for (int waited = 0; waited < 10000; waited += 200) {
            Sleep(200);
            rows = readRows(list);
            int r = rowOf(rows, helperName, helperId);
            if (r < 0) continue;
            figures.clear();
            for (int c = 3; c <= 6; ++c) figures.push_back(list.text(r, c));
            if (!figures[0].empty() && GetTickCount() - shownAt >= 4000) break;
        }
        check(figures.size() == 4, "helper's row has the figure columns");
        if (figures.size() == 4) {
            std::printf("helper's figures: CPU \"%s\", Memory \"%s\", User \"%s\", 32-bit \"%s\"\n",
                        utf8(figures[0]).c_str(), utf8(figures[1]).c_str(), utf8(figures[2]).c_str(),
                        utf8(figures[3]).c_str());
            check(figures[0].size() >= 2 && figures[0].find_first_not_of(L"0123456789") == std::wstring::npos,
                  "CPU is a whole percent");
            check(figures[1].size() > 2 && figures[1].substr(figures[1].size() - 2) == L" K", "Memory in K");
            check(!figures[2].empty(), "User is named");
            check(figures[3].empty(), "a 64-bit program carries no 32-bit mark");
        }
        check(windowText(numLabel) == std::to_wstring(list.count()), "count label follows the live updates");
        touch(signals + L"\\live");
        waitForFile(signals + L"\\live-done", 30000);

        // A screenshot of the list before the helper is selected (a selected row's icon is
        // drawn blended with the selection colour), for the check of its own icon.
        touch(signals + L"\\listed");
        waitForFile(signals + L"\\listed-done", 30000);

        // Select the helper with a click on its row, as a user would. Live updates may have
        // moved it (a process listed above it ended): find it again.
        helperRow = rowOf(readRows(list), helperName, helperId);
        if (helperRow >= 0) {
            RECT r{};
            if (list.rowRect(helperRow, &r)) {
                POINT pt{r.left + 30, (r.top + r.bottom) / 2};
                PostMessageW(lv, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
                PostMessageW(lv, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
                Sleep(500);
            }
            if (list.selected() != helperRow) list.select(helperRow);
            Sleep(300);
            check(list.selected() == helperRow, "helper row selected");
        }

        touch(signals + L"\\ready");
        std::printf("waiting for the screenshot\n");
        std::fflush(stdout);
        waitForFile(signals + L"\\shot-done", 30000);

        // Terminate, then Yes in the confirmation.
        HWND cmd1 = childByText(form, L"&Terminate Process");
        check(cmd1 != nullptr, "Terminate button found");
        if (cmd1) PostMessageW(cmd1, BM_CLICK, 0, 0);
        HWND box = findTopWindow(tw.pi.dwProcessId, L"Terminate Process", L"#32770", 10000);
        check(box != nullptr, "confirmation \"Terminate Process\" shown");
        if (box) {
            check(childByText(box, L"Are you sure to terminate this process?") != nullptr, "confirmation text");
            touch(signals + L"\\confirm");
            waitForFile(signals + L"\\confirm-done", 10000);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        }
        DWORD waited = WaitForSingleObject(h.pi.hProcess, 15000);
        check(waited == WAIT_OBJECT_0, "helper ended (waited on its handle)");
        DWORD exitCode = 99;
        GetExitCodeProcess(h.pi.hProcess, &exitCode);
        check(exitCode == 0, "helper's exit code is 0 (ended, not finished on its own)");

        Sleep(500);
        rows = settledRows(list, numLabel);
        check(rowOf(rows, helperName, L"") < 0, "helper gone from the rescanned list");
        check(windowText(numLabel) == std::to_wstring(rows.size()), "count label follows the rescan");
        std::printf("rows after ending the helper: %zu\n", rows.size());

        // Refresh, with Escape queued behind it: the scan meets the Escape at its first yield,
        // stops, and the window closes once the walk has unwound; the program ends normally.
        HWND cmd2 = childByText(form, L"&Refresh List of Processes");
        check(cmd2 != nullptr, "Refresh button found");
        if (cmd2) PostMessageW(cmd2, BM_CLICK, 0, 0);
        PostMessageW(lv, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(lv, WM_CHAR, 27, 0x00010001);
        PostMessageW(lv, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        check(WaitForSingleObject(tw.pi.hProcess, 10000) == WAIT_OBJECT_0, "Escape during a scan closed the window");
        DWORD twExit = 99;
        GetExitCodeProcess(tw.pi.hProcess, &twExit);
        check(twExit == 0, "taskwatch ended normally (exit code " + std::to_string(twExit) + ")");
    }

    if (WaitForSingleObject(h.pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(h.pi.hProcess, 1);
    if (WaitForSingleObject(tw.pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(tw.pi.hProcess, 1);
    CloseHandle(h.pi.hProcess);
    CloseHandle(h.pi.hThread);
    CloseHandle(tw.pi.hProcess);
    CloseHandle(tw.pi.hThread);
    std::printf("%s (%d failed)\n", failures ? "FAILED" : "PASSED", failures);
    return failures ? 1 : 0;
}
