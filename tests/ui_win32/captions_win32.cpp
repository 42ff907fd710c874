// Every caption of the four sibling windows fits its control on real controls (run under Wine
// with a display, at the screen's DPI): each label, button, check box, option button, frame and
// column header is measured with the font the control really uses.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "common/platform/fake/fake_clipboard.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_process_list.h"
#include "common/platform/fake/fake_startup_shell.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/services.h"
#include "common/text/text.h"
#include "common/ui/win32/win32_host.h"
#include "procman/form1.h"
#include "common/platform/win32/win32_icons.h"
#include "search/frm_search.h"
#include "startup/frm_edit.h"
#include "startup/frm_main.h"

namespace {

std::wstring wide(const std::string& s) {
    std::u16string u = text::toUtf16(s);
    return std::wstring(u.begin(), u.end());
}

// The extent of a text in the control's own font; DT_WORDBREAK wraps it at `width`.
SIZE textExtent(HWND h, const std::string& caption, UINT format, int width) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    std::wstring w = wide(caption);
    RECT r{0, 0, width, 0};
    DrawTextW(dc, w.c_str(), -1, &r, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The captions of a window that do not fit, each as "control: what is missing".
std::vector<std::string> cutCaptions(ui::Win32Host& host, const ui::Form& form) {
    std::vector<std::string> cut;
    const int dpi = host.dpi();
    auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
    for (const ui::Control* c : form.controls()) {
        HWND h = reinterpret_cast<HWND>(host.controlHandle(*c));
        if (!h || !c->shown()) continue;
        RECT rc;
        GetClientRect(h, &rc);
        const int w = rc.right - rc.left, ht = rc.bottom - rc.top;
        const std::string what = form.name() + "." + c->name() + " \"" + c->caption() + "\"";
        auto check = [&](bool fits, const std::string& how) {
            if (!fits) cut.push_back(what + ": " + how);
        };
        switch (c->kind()) {
            case ui::Kind::Label: {
                if (c->caption().empty()) break;
                const bool wrap = static_cast<const ui::Label*>(c)->wordWrap;
                SIZE s = textExtent(h, c->caption(), wrap ? DT_WORDBREAK : DT_SINGLELINE, w);
                check(s.cx <= w, "needs " + std::to_string(s.cx) + " px of " + std::to_string(w) + " wide");
                check(s.cy <= ht, "needs " + std::to_string(s.cy) + " px of " + std::to_string(ht) + " high");
                break;
            }
            case ui::Kind::Button: {
                SIZE s = textExtent(h, c->caption(), DT_SINGLELINE, 0);
                check(s.cx + px(8) <= w, "needs " + std::to_string(s.cx + px(8)) + " px of " + std::to_string(w));
                check(s.cy <= ht, "needs " + std::to_string(s.cy) + " px high of " + std::to_string(ht));
                break;
            }
            case ui::Kind::CheckBox:
            case ui::Kind::OptionButton: {
                // The box or circle and the gap after it.
                const int box = GetSystemMetrics(SM_CXMENUCHECK) + px(4);
                SIZE s = textExtent(h, c->caption(), DT_SINGLELINE, 0);
                check(box + s.cx <= w, "needs " + std::to_string(box + s.cx) + " px of " + std::to_string(w));
                check(s.cy <= ht, "needs " + std::to_string(s.cy) + " px high of " + std::to_string(ht));
                break;
            }
            case ui::Kind::Frame: {
                if (c->caption().empty()) break;
                SIZE s = textExtent(h, c->caption(), DT_SINGLELINE, 0);
                check(s.cx + px(2 * 6 + 4) <= w,
                      "needs " + std::to_string(s.cx + px(16)) + " px of " + std::to_string(w));
                break;
            }
            case ui::Kind::ListView: {
                const auto* lv = static_cast<const ui::ListView*>(c);
                if (lv->hideColumnHeaders) break;
                HWND header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
                for (int i = 0; i < static_cast<int>(lv->columns().size()); ++i) {
                    const std::string& t = lv->columns()[static_cast<size_t>(i)].text;
                    if (t.empty()) continue;
                    const int colW = static_cast<int>(SendMessageW(h, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
                    SIZE s = textExtent(header, t, DT_SINGLELINE, 0);
                    // The header's margins on both sides of the text.
                    check(s.cx + px(12) <= colW, "column \"" + t + "\" needs " + std::to_string(s.cx + px(12)) +
                                                     " px of " + std::to_string(colW));
                }
                break;
            }
            default: break;
        }
    }
    return cut;
}

class NoEditor : public backup::RegistryEditor {
public:
    bool startExport(const std::string&, Job*) override { return false; }
    bool startImport(const std::string&, Job*) override { return false; }
    bool running(Job) override { return false; }
    void release(Job) override {}
};

class Captions : public ::testing::Test {
protected:
    void Expect(ui::Form& form) {
        form.show();
        host.processMessages();
        if (!host.nativeHandle(form)) GTEST_SKIP() << "no window could be created: is there a display (xvfb-run)?";
        EXPECT_EQ(host.dpi(), 96) << "the check is meant for 96 DPI";
        const std::vector<std::string> cut = cutCaptions(host, form);
        EXPECT_TRUE(cut.empty()) << [&] {
            std::string all;
            for (const std::string& c : cut) all += "\n  " + c;
            return all;
        }();
    }

    plat::FakeRegistry registry;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services services{registry, files, shell, clock};
    plat::Win32Icons icons;
    ui::Win32Host host;
};

TEST_F(Captions, TaskwatchWindow) {
    plat::FakeProcessList processes;
    processes.add(12, "helper.exe", "C:\\Apps\\helper.exe");
    plat::FakeClipboard clipboard;
    procman::Form1 form(host, services, processes, icons, clipboard);
    Expect(form);
}

TEST_F(Captions, StartupWindowAndItsDialogs) {
    plat::FakeShellLinks links;
    plat::FakeRecycleBin recycleBin(files);
    plat::FakeEnvironment environment;
    startup::FrmMain main(host, {registry, files, shell, icons, clock, links, recycleBin, environment});
    Expect(main);
    startup::FrmCreate create(host, main);
    Expect(create);
    startup::FrmModify modify(host, main);
    Expect(modify);
}

TEST_F(Captions, HivesaveWindow) {
    NoEditor editor;
    plat::FixedLocale locale;
    backup::FrmMain form(host, {files, clock, editor, locale});
    Expect(form);
}

TEST_F(Captions, HivefindWindow) {
    search::frmSearch form(host, {registry, nullptr, nullptr, false});
    Expect(form);
}

}  // namespace
