#include "weblaunch/form1.h"

namespace weblaunch {

Form1::Form1(ui::Host& host, plat::Shell& shell) : ui::Form(host, "Form1", "Form1"), shell_(shell) {
    onLoad = [this] { Form_Load(); };
}

void Form1::GotoURL(const std::string& address) {
    shell_.shellExecute(host().nativeHandle(*this), "open", address, "", "", plat::ShowState::Normal,
                        /*synchronous=*/true);
}

void Form1::Form_Load() {
    // A failure to open the address changes nothing: the program ends either way.
    GotoURL(kSiteAddress);
    host().quit(0);
}

}  // namespace weblaunch
