#include "cleaner/ui/how.h"

#include "cleaner/ui/app_state.h"

namespace cleaner {

const char* const kMakerSite = "http://www.tolvane.example/";
const char* const kSupportPage = "http://www.tolvane.example/support.html";
const char* const kSupportAddress = "support@tolvane.example";

namespace {
constexpr uint32_t kLinkColor = 0xFF0000;  // blue (blue-green-red)
}

How::How(ui::Host& host, plat::Files& files, plat::Shell& shell, std::function<void(ui::Form& owner)> openUpdate)
    : Form(host, "how", "About"), files_(files), shell_(shell), openUpdate_(std::move(openUpdate)) {
    clientWidth = 5520;
    clientHeight = 3240;
    borderStyle = ui::BorderStyle::FixedDialog;
    minButton = false;
    maxButton = false;

    Label10.move(240, 240, 5040, 375);
    Label10.setBold(true);
    Label10.setFont("Tahoma", 11);
    Label6.move(240, 900, 1095, 255);
    Label9.move(1440, 900, 3840, 255);
    Label8.move(240, 1260, 1095, 255);
    Label7.move(1440, 1260, 3840, 255);
    Label12.move(240, 1800, 5040, 300);
    for (ui::Label* link : {&Label9, &Label7, &Label12}) {
        link->setForeColor(kLinkColor);
        link->setHandCursor(true);
    }
    OKButton.move(240, 2640, 1935, 375);
    cmdClose.move(4065, 2640, 1215, 375);
    cmdClose.isCancel = true;

    onLoad = [this] { centre(); };
    onUnload = [this](bool& cancel) { Form_Unload(cancel); };
    Label7.onClick = [this] { Label7_Click(); };
    Label9.onClick = [this] { Label9_Click(); };
    Label12.onClick = [this] { Label12_Click(); };
    OKButton.onClick = [this] { OKButton_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
}

void How::GotoURL(const std::string& address) {
    shell_.shellExecute(host().nativeHandle(*this), "open", address, "", "", plat::ShowState::Normal);
}

void How::Form_Unload(bool&) {
    ScanOnActivate = false;
    if (onClosing) onClosing();
}

void How::Label7_Click() { GotoURL(kSupportPage); }

void How::Label9_Click() { GotoURL(kMakerSite); }

// The whole path is one address, blanks and all.
void How::Label12_Click() { GotoURL(files_.applicationFolder() + "\\help\\about.htm"); }

void How::OKButton_Click() {
    if (openUpdate_) openUpdate_(*this);
}

void How::cmdClose_Click() { unload(); }

}  // namespace cleaner
