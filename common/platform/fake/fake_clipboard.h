// Clipboard substitute: keeps the last text put on it.
#pragma once

#include <string>

#include "common/platform/clipboard.h"

namespace plat {

class FakeClipboard : public Clipboard {
public:
    long setText(std::uintptr_t, const std::string& t) override {
        if (error != 0) return error;
        text = t;
        ++copies;
        return 0;
    }
    std::string text;
    int copies = 0;
    long error = 0;  // non-zero: the clipboard cannot be opened
};

}  // namespace plat
