// The toolkit's demo window with every kind of control, for looking at (screenshots).
// Arguments: [rows] [seconds before it closes itself; 0 = stays].
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "common/ui/win32/win32_host.h"
#include "tests/ui_win32/demo_form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int rows = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 40;
    int seconds = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;
    LocalFree(argv);

    ui::Win32Host host;
    FrmDemo form(host);
    ui::Timer quitTimer(form, "quitTimer", seconds * 1000, seconds > 0);
    quitTimer.onTimer = [&] { form.unload(); };
    form.onUnload = [&](bool&) { host.quit(0); };
    form.onLoad = [&] {
        form.centre();
        form.fillRows(rows);
        form.lvRows.setChecked(1, true);
        form.lvRows.setSelected(2, true);
        form.pbWork.setValue(40);
        form.txtName.setText("Text box");
        form.cboFind.setText("HKEY_CURRENT_USER");
        form.sbMain.setPanel(0, std::to_string(rows) + " rows");
    };
    form.show();
    return host.run();
}
