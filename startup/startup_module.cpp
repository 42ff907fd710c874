#include "startup/startup_module.h"

#include "common/text/text.h"

namespace startup {

bool FileExists(plat::Files& files, const std::string& path) {
    if (path.empty()) return false;
    return files.fileExists(path) == plat::Probe::Exists;
}

std::string ProgramFileOf(const std::string& data) {
    std::string file;
    if (!data.empty() && data[0] == '"') {
        size_t close = data.find('"', 1);
        if (close != std::string::npos) {
            file = data.substr(1, close - 1);
        } else {
            // No closing quote: up to the last character but one.
            file = data.size() >= 2 ? data.substr(1, data.size() - 2) : std::string();
        }
    } else {
        file = data;
    }
    if (text::toUpper(file.substr(0, 8)) == "RUNDLL32") file = "c:\\windows\\system32\\rundll32.exe";
    return text::replaceAll(file, "\\\\", "\\");
}

FileIconCache::~FileIconCache() {
    for (auto& [key, icon] : made_) icons_.destroyIcon(icon);
}

int FileIconCache::AddFileIcon(const std::string& path, ui::ImageList& list, int size) {
    std::string key = (size == 16 ? "S|" : "L|") + text::toUpper(path);
    int existing = list.indexOf(key);
    if (existing >= 0) return existing;
    plat::ShellFileInfo info;
    uint32_t flags = plat::kShgfiIcon | (size == 16 ? plat::kShgfiSmallIcon : plat::kShgfiLargeIcon);
    if (icons_.getFileInfo(path, flags, &info) == 0 || info.icon == 0) return -1;
    made_[key] = info.icon;
    return list.add(key, info.icon);
}

int FileIconCache::DefaultIcon(ui::ImageList& list) {
    int existing = list.indexOf("Default");
    if (existing >= 0) return existing;
    plat::IconHandle icon = icons_.defaultIcon(true);
    if (icon != 0) made_["Default"] = icon;
    return list.add("Default", icon);
}

}  // namespace startup
