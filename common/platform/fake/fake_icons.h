// Files known to a fake shell, for tests of the icon service's users. Every icon handed out is
// tracked, so a test can see that each one was destroyed exactly once.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/platform/icons.h"

namespace plat {

struct FakeShellFile {
    bool hasIcon = true;
    std::string displayName;
    std::string typeName;
    std::uintptr_t exeTypeResult = 0;  // what the call answers for kShgfiExeType
};

class FakeIcons : public Icons {
public:
    // Paths compare without regard to case, as the file system does.
    FakeShellFile& add(const std::string& path);

    bool defaultIconAvailable = true;

    // Every call as (path, flags).
    std::vector<std::pair<std::string, uint32_t>> calls;
    int iconsMade = 0;
    int badDestroys = 0;  // destroying a handle that is not alive
    int liveIcons() const { return static_cast<int>(live_.size()); }
    bool alive(IconHandle icon) const { return live_.count(icon) != 0; }
    // The path (or "<default>") an icon was made for; "" when unknown.
    std::string iconSource(IconHandle icon) const;

    std::uintptr_t getFileInfo(const std::string& path, uint32_t flags, ShellFileInfo* info) override;
    IconHandle defaultIcon(bool small) override;
    void destroyIcon(IconHandle icon) override;

private:
    IconHandle make(const std::string& source);

    std::map<std::string, FakeShellFile> files_;  // key: lower-case path
    std::set<IconHandle> live_;
    std::map<IconHandle, std::string> sources_;
    IconHandle next_ = 0x5000;
};

}  // namespace plat
