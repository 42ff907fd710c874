#include "common/regedit/regedit_jump.h"

#include <memory>

#include "common/registry/mdl_registry.h"

namespace regedit {

std::string EscapeForKeystrokes(const std::string& path) {
    std::string keys;
    keys.reserve(path.size() + 16);
    for (char c : path) {
        switch (c) {
            case '+':
            case '^':
            case '%':
            case '~':
            case '(':
            case ')':
            case '{':
            case '}':
            case '[':
            case ']':
                keys += '{';
                keys += c;
                keys += '}';
                break;
            case '\\': keys += "{RIGHT}"; break;
            default: keys += c; break;
        }
    }
    return keys;
}

std::string LastKeyText(const std::string& path, const std::string& previous) {
    std::string node = "Computer";
    const std::string::size_type cut = previous.find('\\');
    if (cut != std::string::npos && cut > 0 && previous.compare(cut + 1, 5, "HKEY_") == 0)
        node = previous.substr(0, cut);
    std::string key = path;
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return node + "\\" + key;
}

bool JumpToKey(plat::Shell& shell, plat::Files& files, plat::Registry& registry, const std::string& path,
               const std::function<void()>& pump, int waitMs) {
    const std::string previous =
        mdlreg::ReadStringSetting(registry, plat::kHkeyCurrentUser, kEditorSettingsKey, "LastKey");
    mdlreg::WriteStringValue(registry, plat::kHkeyCurrentUser, kEditorSettingsKey, "LastKey",
                             LastKeyText(path, previous));

    const std::string keys = EscapeForKeystrokes(path);
    // The editor of the Windows directory, never one found by a search of other folders.
    const std::string program = mdlreg::addslash(mdlreg::WinDir(files)) + "regedit.exe";
    plat::StartedProcess process;
    if (shell.launch(program, "", plat::ShowState::Normal, &process) != 0) return false;
    bool sent = false;
    if (shell.waitForForegroundClass(kEditorWindowClass, waitMs, pump)) sent = shell.sendKeys(keys);
    shell.closeProcess(process);
    return sent;
}

std::function<void(const std::string& path)> WindowJump(plat::Shell& shell, plat::Files& files,
                                                        plat::Registry& registry, std::function<void()> pump) {
    auto busy = std::make_shared<bool>(false);
    return [&shell, &files, &registry, pump = std::move(pump), busy](const std::string& path) {
        if (*busy) return;
        *busy = true;
        JumpToKey(shell, files, registry, path, pump);
        *busy = false;
    };
}

}  // namespace regedit
