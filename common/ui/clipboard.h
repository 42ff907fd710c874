// The platform's clipboard, behind the forms toolkit. The Win32 backend puts Unicode text on
// the real clipboard (win32/win32_desktop.h); tests use RecordingClipboard (headless_desktop.h).
#pragma once

#include <string>

namespace ui {

class Form;

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's content with the text (UTF-8), on behalf of `owner`'s window.
    // False when the clipboard could not be had (another program holds it).
    virtual bool setText(Form& owner, const std::string& text) = 0;
};

}  // namespace ui
