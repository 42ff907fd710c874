#include "common/platform/fake/fake_icons.h"

#include "common/text/text.h"

namespace plat {

FakeShellFile& FakeIcons::add(const std::string& path) { return files_[text::toLower(path)]; }

std::string FakeIcons::iconSource(IconHandle icon) const {
    auto it = sources_.find(icon);
    return it == sources_.end() ? std::string() : it->second;
}

IconHandle FakeIcons::make(const std::string& source) {
    IconHandle h = next_++;
    live_.insert(h);
    sources_[h] = source;
    ++iconsMade;
    return h;
}

std::uintptr_t FakeIcons::getFileInfo(const std::string& path, uint32_t flags, ShellFileInfo* info) {
    calls.emplace_back(path, flags);
    auto it = files_.find(text::toLower(path));
    if (it == files_.end()) return 0;
    const FakeShellFile& f = it->second;
    if (flags & kShgfiExeType) return f.exeTypeResult;
    *info = ShellFileInfo{};
    if (flags & kShgfiIcon) {
        if (!f.hasIcon) return 0;
        info->icon = make(path);
    }
    if (flags & kShgfiDisplayName) info->displayName = f.displayName;
    if (flags & kShgfiTypeName) info->typeName = f.typeName;
    return 1;
}

IconHandle FakeIcons::defaultIcon(bool) { return defaultIconAvailable ? make("<default>") : 0; }

void FakeIcons::destroyIcon(IconHandle icon) {
    if (live_.erase(icon) == 0) ++badDestroys;
}

}  // namespace plat
