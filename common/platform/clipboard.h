// The clipboard service: puts text on the system clipboard. FakeClipboard, in fake/, records it.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's contents with `text` (UTF-8) as Unicode text; `owner` is the
    // window that copies (0 for none). 0 on success, else the platform's code.
    virtual long setText(std::uintptr_t owner, const std::string& text) = 0;
};

}  // namespace plat
