// The about window: the product title with its version, the maker's web and support addresses
// as clickable labels, a link to a local page about the program, a button that opens the update
// window and a Close button. Closing it clears ScanOnActivate, so that returning to the main
// window does not start another scan.
#pragma once

#include <functional>
#include <string>

#include "common/platform/files.h"
#include "common/platform/shell.h"
#include "common/ui/form.h"

namespace cleaner {

extern const char* const kMakerSite;    // the maker's web site
extern const char* const kSupportPage;  // its support page
extern const char* const kSupportAddress;

class How : public ui::Form {
public:
    // `openUpdate` opens the update window owned by the given window (the about window).
    How(ui::Host& host, plat::Files& files, plat::Shell& shell, std::function<void(ui::Form& owner)> openUpdate);

    ui::Label Label10{*this, nullptr, "Label10", "Tolvane Registry Cleaner 4.21"};
    ui::Label Label6{*this, nullptr, "Label6", "Website:"};
    ui::Label Label9{*this, nullptr, "Label9", "www.tolvane.example"};
    ui::Label Label8{*this, nullptr, "Label8", "Email:"};
    ui::Label Label7{*this, nullptr, "Label7", "support@tolvane.example"};
    ui::Label Label12{*this, nullptr, "Label12", "للمزيد من المعلومات عن المبرمج اضغط هنا"};
    ui::Button OKButton{*this, nullptr, "OKButton", "Check for Update"};
    ui::Button cmdClose{*this, nullptr, "cmdClose", "Close"};

    // Runs when the window unloads, after ScanOnActivate is cleared (closes the windows it owns).
    std::function<void()> onClosing;

    // Opens an address with the shell ("open", normal window); the result is not looked at.
    void GotoURL(const std::string& address);

private:
    void Form_Unload(bool& cancel);
    void Label7_Click();
    void Label9_Click();
    void Label12_Click();
    void OKButton_Click();
    void cmdClose_Click();

    plat::Files& files_;
    plat::Shell& shell_;
    std::function<void(ui::Form&)> openUpdate_;
};

}  // namespace cleaner
