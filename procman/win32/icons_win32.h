// The file-icon service on Win32: SHGetFileInfoW and DestroyIcon.
#pragma once

#include "common/platform/icons.h"

namespace procman {

class Win32Icons : public plat::Icons {
public:
    std::uintptr_t getFileInfo(const std::string& path, uint32_t flags, plat::ShellFileInfo* info) override;
    plat::IconHandle defaultIcon(bool small) override;
    void destroyIcon(plat::IconHandle icon) override;
};

}  // namespace procman
