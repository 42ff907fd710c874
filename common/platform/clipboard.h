// The clipboard service: puts text on the system clipboard. Every window that copies uses it
// (Win32Clipboard in win32/; FakeClipboard, in fake/, records the text for tests).
#pragma once

#include <cstdint>
#include <string>

namespace plat {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's contents with `text` (UTF-8) as Unicode text; `owner` is the
    // window that copies (a form's Host::nativeHandle, 0 for none). 0 on success, else the
    // platform's code (another program holding the clipboard gives one).
    virtual long setText(std::uintptr_t owner, const std::string& text) = 0;
};

}  // namespace plat
