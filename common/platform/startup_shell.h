// The shell services of the startup manager: shortcuts read through the shell's link
// interface, files moved to the Recycle Bin, and environment variables expanded as the
// system expands them when it starts a program. Win32 implementation in
// win32/win32_startup_shell.cpp, substitute in fake/fake_startup_shell.h.
#pragma once

#include <string>

namespace plat {

// What a shortcut (.lnk) points at.
struct ShellLinkInfo {
    std::string target;     // the program or document, variables expanded
    std::string arguments;  // its command-line arguments
};

class ShellLinks {
public:
    virtual ~ShellLinks() = default;
    // Loads the shortcut (IShellLinkW through IPersistFile). 0, or the platform's code
    // (an HRESULT) when the file is no shortcut or cannot be read.
    virtual long readLink(const std::string& path, ShellLinkInfo* out) = 0;
};

class RecycleBin {
public:
    virtual ~RecycleBin() = default;
    // Moves the file to the Recycle Bin without asking (SHFileOperationW, FO_DELETE with
    // FOF_ALLOWUNDO). 0 once the file is gone from its folder, else the platform's code.
    virtual long recycle(const std::string& path) = 0;
};

class Environment {
public:
    virtual ~Environment() = default;
    // ExpandEnvironmentStringsW: each %NAME% of a defined variable replaced by its value;
    // undefined ones stay as written.
    virtual std::string expand(const std::string& text) = 0;
};

}  // namespace plat
