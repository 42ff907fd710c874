// The real save-file dialog for forms on the Win32 backend. (The clipboard is a platform
// service: common/platform/win32/win32_clipboard.h.)
#pragma once

#include "common/ui/file_dialog.h"
#include "common/ui/host.h"

namespace ui {

class Win32FileDialogs : public FileDialogs {
public:
    explicit Win32FileDialogs(Host& host) : host_(host) {}
    std::optional<SaveFileChoice> saveFile(Form& owner, const SaveFileRequest& request) override;

private:
    Host& host_;
};

}  // namespace ui
