// The clipboard service on Win32: Unicode text through OpenClipboard and SetClipboardData.
#pragma once

#include "common/platform/clipboard.h"

namespace plat {

class Win32Clipboard : public Clipboard {
public:
    long setText(std::uintptr_t owner, const std::string& text) override;
};

}  // namespace plat
