// The web launcher's one window, never shown: it opens the maker's site and ends the program.
#pragma once

#include <string>

#include "common/platform/shell.h"
#include "common/ui/form.h"

namespace weblaunch {

inline constexpr const char* kSiteAddress = "http://update.tolvane.example/";

class Form1 : public ui::Form {
public:
    Form1(ui::Host& host, plat::Shell& shell);

    // Asks the shell to open the address and waits until the shell has finished launching,
    // so that ending the program right after cannot cut the launch off.
    void GotoURL(const std::string& address);

private:
    void Form_Load();
    plat::Shell& shell_;
};

}  // namespace weblaunch
