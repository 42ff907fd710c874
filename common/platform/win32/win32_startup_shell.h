// The startup manager's shell services on the platform.
#pragma once

#include "common/platform/startup_shell.h"

namespace plat {

class Win32ShellLinks : public ShellLinks {
public:
    long readLink(const std::string& path, ShellLinkInfo* out) override;
};

class Win32RecycleBin : public RecycleBin {
public:
    long recycle(const std::string& path) override;
};

class Win32Environment : public Environment {
public:
    std::string expand(const std::string& text) override;
};

}  // namespace plat
