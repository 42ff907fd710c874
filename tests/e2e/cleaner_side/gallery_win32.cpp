// Shows the cleaner's side windows one after another on real controls over the real registry,
// files, shell and WinHTTP, for run.sh's screenshots:
//   side_gallery <signal folder> [wizard]
// Before each screenshot it writes <name> into the signal folder and keeps the windows painting
// until <name>.done appears. With "wizard" only the wizard's pages are shown (run.sh runs it a
// second time with the Spanish marker file beside the program).
#include <windows.h>

#include <string>

#include "cleaner/ui/frm_un.h"
#include "cleaner/ui/frm_update.h"
#include "cleaner/ui/frm_wizard.h"
#include "cleaner/ui/how.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_http.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/win32/win32_host.h"

namespace {

// Stands in for the main window: the eight scan categories the wizard ticks.
struct Owner : ui::Form {
    ui::ListView lvLocations{*this, nullptr, "lvLocations"};
    explicit Owner(ui::Host& h) : Form(h, "Gallery", "Gallery") {
        lvLocations.checkBoxes = true;
        lvLocations.addColumn("Scan");
        for (int i = 0; i < cleaner::kAreaCount; ++i) lvLocations.addItem(cleaner::kAreaEnglish[i]);
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring signals = argv[1];
    const bool wizardOnly = argc > 2 && std::wstring(argv[2]) == L"wizard";
    ui::Win32Host host;
    plat::Win32Registry reg;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Http http;

    auto pause = [&](const wchar_t* name) {
        const std::wstring signal = signals + L"\\" + name, done = signal + L".done";
        for (int i = 0; i < 15; ++i) {  // let the window paint first
            host.doEvents();
            Sleep(50);
        }
        HANDLE f = CreateFileW(signal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        for (int i = 0; i < 600 && GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
            host.doEvents();
            Sleep(50);
        }
    };

    Owner owner(host);
    const bool spanish = files.fileExists(files.applicationFolder() + "\\spanish.dll") == plat::Probe::Exists;
    cleaner::FrmWizard wizard(host, owner.lvLocations, files, shell, [&] { return spanish; });
    host.post([&] {
        pause(spanish ? L"gallery-wizard-es-page1" : L"gallery-wizard-page1");
        wizard.OKButton.userClick();
        wizard.lstAreas.userCheck(4, false);
        pause(spanish ? L"gallery-wizard-es-page2" : L"gallery-wizard-page2");
        wizard.CancelButton.userClick();
    });
    wizard.showModal(nullptr);
    if (wizardOnly) return 0;

    cleaner::FrmUn un(host, reg, files, shell, cleaner::StandardEnvironment(files));
    un.show();
    if (un.lstPrograms.count() > 0) un.lstPrograms.userSelect(0);
    pause(L"gallery-uninstall");
    un.unload();

    cleaner::How about(host, files, shell, nullptr);
    about.show();
    pause(L"gallery-about");
    about.unload();

    cleaner::FrmUpdate update(host, &http);
    update.show();
    for (int i = 0; i < 1200 && update.outcome() == cleaner::FrmUpdate::Outcome::Checking; ++i) {
        host.doEvents();
        Sleep(50);
    }
    pause(L"gallery-update-offline");
    update.unload();
    return 0;
}
