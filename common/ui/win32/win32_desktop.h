// The real save-file dialog and clipboard for forms on the Win32 backend.
#pragma once

#include "common/ui/clipboard.h"
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

class Win32Clipboard : public Clipboard {
public:
    explicit Win32Clipboard(Host& host) : host_(host) {}
    bool setText(Form& owner, const std::string& text) override;

private:
    Host& host_;
};

}  // namespace ui
