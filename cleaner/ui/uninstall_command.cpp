#include "cleaner/ui/uninstall_command.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "common/text/text.h"

namespace cleaner {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool isFullPath(const std::string& p) {
    if (p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && (p[2] == '\\' || p[2] == '/'))
        return true;
    return p.size() >= 3 && p[0] == '\\' && p[1] == '\\' && p[2] != '\\';
}

bool isBareName(const std::string& p) { return p.find_first_of("\\/:") == std::string::npos; }

bool hasExtension(const std::string& name) { return name.find('.') != std::string::npos; }

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return "";
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool exists(plat::Files& files, const std::string& path) {
    return !path.empty() && files.fileExists(path) == plat::Probe::Exists;
}

// `path` in `folder` (letter case aside): the rest after it, with its backslash.
bool underFolder(const std::string& path, const std::string& folder, std::string* rest) {
    if (folder.empty() || path.size() <= folder.size() || path[folder.size()] != '\\') return false;
    if (!text::equalNoCase(path.substr(0, folder.size()), folder)) return false;
    *rest = path.substr(folder.size());
    return true;
}

// Where a 32-bit program's full path is for us: System32 is SysWOW64, Sysnative is System32.
std::string real32BitPath(const std::string& path, plat::Files& files) {
    const std::string windows = files.windowsDirectory();
    const std::string wow64 = files.systemWow64Directory();
    std::string rest;
    if (!wow64.empty() && underFolder(path, joinPath(windows, "System32"), &rest)) return wow64 + rest;
    if (underFolder(path, joinPath(windows, "Sysnative"), &rest)) return files.systemDirectory() + rest;
    return path;
}

// The file a candidate names, "" when none.
std::string locate(const std::string& rawCandidate, plat::Files& files, bool wow32) {
    const std::string candidate = trimBlanks(rawCandidate);
    if (candidate.empty()) return "";
    if (isFullPath(candidate)) {
        if (wow32) {
            const std::string real = real32BitPath(candidate, files);
            if (real != candidate && exists(files, real)) return real;
        }
        return exists(files, candidate) ? candidate : "";
    }
    if (!isBareName(candidate) || candidate == "." || candidate == "..") return "";
    std::string system = files.systemDirectory();
    if (wow32 && !files.systemWow64Directory().empty()) system = files.systemWow64Directory();
    for (const std::string& folder : {system, files.windowsDirectory()}) {
        std::vector<std::string> names{candidate};
        if (!hasExtension(candidate)) names.push_back(candidate + ".exe");
        for (const std::string& n : names) {
            const std::string path = joinPath(folder, n);
            if (!path.empty() && files.fileExists(path) == plat::Probe::Exists) return path;
        }
    }
    return "";
}

}  // namespace

std::string ExpandEnvironment(const std::string& text, const EnvLookup& env) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        const size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            out += text.substr(i);
            break;
        }
        const std::string name = text.substr(i + 1, close - i - 1);
        std::optional<std::string> value;
        if (!name.empty() && env) value = env(name);
        if (value) {
            out += *value;
            i = close + 1;
        } else {
            // Kept as written; the closing "%" may open the next variable.
            out += text.substr(i, close - i);
            i = close;
        }
    }
    return out;
}

UninstallCommand ResolveUninstallCommand(const std::string& stored, bool expandable, plat::Files& files,
                                         const EnvLookup& env, bool wow32) {
    UninstallCommand r;
    // A 32-bit program's program folders are the "(x86)" ones (the plain ones on a system that
    // has no such folder).
    const EnvLookup env32 = [&env](const std::string& name) -> std::optional<std::string> {
        const std::string n = text::toUpper(name);
        if (env && (n == "PROGRAMFILES" || n == "COMMONPROGRAMFILES"))
            if (std::optional<std::string> x86 = env(name + "(x86)")) return x86;
        return env ? env(name) : std::nullopt;
    };
    r.commandLine = trimBlanks(expandable ? ExpandEnvironment(stored, wow32 ? env32 : env) : stored);
    const std::string& cmd = r.commandLine;
    if (cmd.empty()) return r;

    if (cmd[0] == '"') {
        const size_t close = cmd.find('"', 1);
        r.program = locate(close == std::string::npos ? cmd.substr(1) : cmd.substr(1, close - 1), files, wow32);
    } else {
        // Longest prefix first: the whole text, then each text before a blank, right to left.
        std::vector<size_t> ends{cmd.size()};
        for (size_t i = cmd.size(); i-- > 0;)
            if (isBlank(cmd[i]) && i > 0 && !isBlank(cmd[i - 1])) ends.push_back(i);
        for (size_t end : ends) {
            r.program = locate(cmd.substr(0, end), files, wow32);
            if (!r.program.empty()) break;
        }
    }
    r.found = !r.program.empty();
    return r;
}

EnvLookup StandardEnvironment(plat::Files& files) {
    return [&files](const std::string& name) -> std::optional<std::string> {
        const std::string n = text::toUpper(name);
        if (n == "SYSTEMROOT" || n == "WINDIR") return files.windowsDirectory();
        if (n == "SYSTEMDRIVE") {
            const std::string w = files.windowsDirectory();
            if (w.size() >= 2 && w[1] == ':') return w.substr(0, 2);
            return std::nullopt;
        }
        struct Folder {
            const char* name;
            int csidl;
        };
        static const Folder kFolders[] = {
            {"PROGRAMFILES", 0x26},
            {"PROGRAMFILES(X86)", 0x2a},
            {"COMMONPROGRAMFILES", 0x2b},
            {"COMMONPROGRAMFILES(X86)", 0x2c},
            {"PROGRAMDATA", 0x23},
            {"ALLUSERSPROFILE", 0x23},
            {"APPDATA", 0x1a},
            {"LOCALAPPDATA", 0x1c},
            {"USERPROFILE", 0x28},
        };
        for (const Folder& f : kFolders) {
            if (n != f.name) continue;
            std::string path;
            if (files.specialFolder(f.csidl, &path) == 0 && !path.empty()) return path;
            return std::nullopt;
        }
        if (const char* v = std::getenv(name.c_str())) return std::string(v);
        return std::nullopt;
    };
}

}  // namespace cleaner
