// The file-icon service: the shell's icon, display name, type name and executable kind of a file
// (SHGetFileInfoW), and icon handles released through the same service.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

using IconHandle = std::uintptr_t;  // 0 = no icon

// Flags of SHGetFileInfo.
constexpr uint32_t kShgfiLargeIcon = 0x0;
constexpr uint32_t kShgfiSmallIcon = 0x1;
constexpr uint32_t kShgfiOpenIcon = 0x2;
constexpr uint32_t kShgfiIcon = 0x100;
constexpr uint32_t kShgfiDisplayName = 0x200;
constexpr uint32_t kShgfiTypeName = 0x400;
constexpr uint32_t kShgfiExeType = 0x2000;
constexpr uint32_t kShgfiLinkOverlay = 0x8000;
constexpr uint32_t kShgfiSelected = 0x10000;

struct ShellFileInfo {
    IconHandle icon = 0;      // owned by the caller when kShgfiIcon was asked and the call succeeded
    std::string displayName;  // whole field up to its first NUL
    std::string typeName;
};

class Icons {
public:
    virtual ~Icons() = default;

    // SHGetFileInfoW(path, attributes 0, &record, sizeof record, flags): the call's result.
    virtual std::uintptr_t getFileInfo(const std::string& path, uint32_t flags, ShellFileInfo* info) = 0;
    // The system's generic program icon, owned by the caller; 0 when none is available.
    virtual IconHandle defaultIcon(bool small) = 0;
    // DestroyIcon.
    virtual void destroyIcon(IconHandle icon) = 0;
};

}  // namespace plat
