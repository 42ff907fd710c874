// The platform's save-file dialog, behind the forms toolkit. The Win32 backend shows the real
// dialog (win32/win32_desktop.h); tests and console programs use ScriptedFileDialogs
// (headless_desktop.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ui {

class Form;

struct FileType {
    std::string description;  // "Registration Files (*.reg)"
    std::string pattern;      // "*.reg"
    std::string extension;    // "reg": added to a name typed without one
};

struct SaveFileRequest {
    std::string title;     // the dialog's caption
    std::string fileName;  // offered at first
    std::vector<FileType> types;
    int typeIndex = 0;  // 0-based, the type offered at first
};

struct SaveFileChoice {
    std::string path;   // full path; the dialog has asked before replacing a file
    int typeIndex = 0;  // 0-based, the type chosen
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Modal over `owner`; nullopt when the user cancels.
    virtual std::optional<SaveFileChoice> saveFile(Form& owner, const SaveFileRequest& request) = 0;
};

}  // namespace ui
