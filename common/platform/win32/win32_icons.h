// The file-icon service on Win32: SHGetFileInfoW and DestroyIcon, shared by taskwatch and
// startup. The object initialises COM on its thread for its lifetime, as the shell's file
// information needs it.
#pragma once

#include <optional>

#include "common/platform/icons.h"

namespace plat {

class Win32Icons : public plat::Icons {
public:
    Win32Icons();
    ~Win32Icons() override;
    Win32Icons(const Win32Icons&) = delete;
    Win32Icons& operator=(const Win32Icons&) = delete;

    // With kShgfiIcon, a program file for which the shell has no icon, or only the icon of an
    // unknown file type (a Wine prefix has no ".exe" class), gets its own first icon resource.
    std::uintptr_t getFileInfo(const std::string& path, uint32_t flags, plat::ShellFileInfo* info) override;
    plat::IconHandle defaultIcon(bool small) override;
    void destroyIcon(plat::IconHandle icon) override;

private:
    // The system image list's index of the icon the shell gives files of an unknown type.
    int unknownFileIcon();

    bool comInitialized_ = false;
    std::optional<int> unknownIcon_;
};

}  // namespace plat
