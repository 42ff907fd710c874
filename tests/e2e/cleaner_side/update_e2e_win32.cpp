// The update window on real controls with the real WinHTTP service, against the update site
// given on the command line (run.sh serves one on 127.0.0.1):
//   update_e2e <site base address> [seconds to keep the window after the outcome] [log file]
// Prints (to the log file, or stdout) the outcome, Text1, the address shown and the page text;
// exit status 0 when the window reached an outcome.
#include <windows.h>

#include <cstdio>
#include <string>

#include "cleaner/ui/frm_update.h"
#include "common/platform/win32/win32_http.h"
#include "common/platform/win32/win32_text.h"
#include "common/ui/win32/win32_host.h"

namespace {

ui::Win32Host* g_host = nullptr;
cleaner::FrmUpdate* g_form = nullptr;
DWORD g_decidedAt = 0;
DWORD g_keepMs = 3000;
DWORD g_started = 0;
FILE* g_out = stdout;

const char* outcomeName(cleaner::FrmUpdate::Outcome o) {
    switch (o) {
        case cleaner::FrmUpdate::Outcome::Checking: return "checking";
        case cleaner::FrmUpdate::Outcome::UpdateAvailable: return "update available";
        case cleaner::FrmUpdate::Outcome::NoUpdate: return "no update";
        case cleaner::FrmUpdate::Outcome::CheckFailed: return "check failed";
    }
    return "?";
}

void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
    const DWORD now = GetTickCount();
    if (!g_form->loaded()) return;
    const bool decided = g_form->outcome() != cleaner::FrmUpdate::Outcome::Checking && !g_form->WebBrowser1.Busy();
    if (decided && !g_decidedAt) g_decidedAt = now;
    if ((g_decidedAt && now - g_decidedAt >= g_keepMs) || now - g_started > 60000) {
        std::fprintf(g_out, "outcome: %s\n", outcomeName(g_form->outcome()));
        std::fprintf(g_out, "Text1: %s\n", g_form->Text1.text().c_str());
        std::fprintf(g_out, "Label3: %s\n", g_form->Label3.caption().c_str());
        std::fprintf(g_out, "address: %s\n", g_form->WebBrowser1.LocationURL().c_str());
        std::fprintf(g_out, "page: %s\n", g_form->WebBrowser1.view.text().c_str());
        std::fflush(g_out);
        g_form->unload();
        g_host->quit(decided ? 0 : 1);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: update_e2e <site> [seconds]\n");
        return 2;
    }
    const std::string site = plat::win32::narrow(argv[1]);
    if (argc > 2) g_keepMs = static_cast<DWORD>(_wtoi(argv[2])) * 1000;
    if (argc > 3) {
        if (FILE* f = _wfopen(argv[3], L"w")) g_out = f;
    }
    ui::Win32Host host;
    plat::Win32Http http;
    cleaner::FrmUpdate form(host, &http, site);
    g_host = &host;
    g_form = &form;
    g_started = GetTickCount();
    form.show();
    SetTimer(nullptr, 0, 100, poll);
    return host.run();
}
