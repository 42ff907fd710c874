// The 32-bit view of the registry substitute: which keys a 32-bit program reaches below
// Wow6432Node and which both views share, as 64-bit Windows keeps them.
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"

namespace plat {

namespace {

bool eqNoCase(std::string_view a, std::string_view b) { return text::equalNoCase(std::string(a), std::string(b)); }

// Keys below a classes branch that the 32-bit view keeps apart (below the branch's Wow6432Node);
// every other classes key is shared by both views.
constexpr const char* kRedirectedClasses[] = {"CLSID", "Interface", "DirectShow", "Media Type", "MediaFoundation"};

// Keys below HKLM\Software that both views share, as 64-bit Windows 7 and later keep them.
constexpr const char* kSharedSoftware[] = {
    "Clients",
    "Microsoft\\COM3",
    "Microsoft\\Cryptography\\Calais\\Current",
    "Microsoft\\Cryptography\\Calais\\Readers",
    "Microsoft\\Cryptography\\Services",
    "Microsoft\\CTF\\SystemShared",
    "Microsoft\\CTF\\TIP",
    "Microsoft\\DFS",
    "Microsoft\\Driver Signing",
    "Microsoft\\EnterpriseCertificates",
    "Microsoft\\EventSystem",
    "Microsoft\\MSMQ",
    "Microsoft\\Non-Driver Signing",
    "Microsoft\\Notepad\\DefaultFonts",
    "Microsoft\\OLE",
    "Microsoft\\RAS",
    "Microsoft\\RPC",
    "Microsoft\\SystemCertificates",
    "Microsoft\\TermServLicensing",
    "Microsoft\\Transaction Server",
    "Microsoft\\Windows\\CurrentVersion\\App Paths",
    "Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
    "Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
    "Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
    "Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
    "Microsoft\\Windows\\CurrentVersion\\Group Policy",
    "Microsoft\\Windows\\CurrentVersion\\Policies",
    "Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
    "Microsoft\\Windows\\CurrentVersion\\Setup",
    "Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
    "Microsoft\\Windows NT\\CurrentVersion\\Console",
    "Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
    "Microsoft\\Windows NT\\CurrentVersion\\FontLink",
    "Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
    "Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    "Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
    "Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
    "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
    "Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
    "Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    "Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    "Microsoft\\Windows NT\\CurrentVersion\\Ports",
    "Microsoft\\Windows NT\\CurrentVersion\\Print",
    "Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    "Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    "Policies",
    "RegisteredApplications",
};

// parts[from..] begins with the components of `prefix` (names joined by single backslashes).
bool beginsWithParts(const std::vector<std::string>& parts, size_t from, std::string_view prefix) {
    size_t pos = 0;
    while (pos <= prefix.size()) {
        size_t end = prefix.find('\\', pos);
        if (end == std::string_view::npos) end = prefix.size();
        if (from >= parts.size() || !eqNoCase(parts[from], prefix.substr(pos, end - pos))) return false;
        ++from;
        pos = end + 1;
    }
    return true;
}

// A classes branch whose name is parts[at]: its redirected keys move below its Wow6432Node.
void redirectClasses(std::vector<std::string>& parts, size_t at) {
    const size_t i = at + 1;
    if (i >= parts.size() || eqNoCase(parts[i], "Wow6432Node")) return;
    for (const char* k : kRedirectedClasses) {
        if (eqNoCase(parts[i], k)) {
            parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(i), "Wow6432Node");
            return;
        }
    }
}

}  // namespace

// The path a 32-bit program reaches when it names `parts` below `root` (local machine or users).
void FakeRegistry::redirect32(RegHandle root, std::vector<std::string>& parts) {
    if (root == kHkeyLocalMachine) {
        if (parts.empty() || !eqNoCase(parts[0], "Software")) return;
        if (parts.size() == 1) {
            parts.push_back("Wow6432Node");
            return;
        }
        if (eqNoCase(parts[1], "Wow6432Node")) return;
        if (eqNoCase(parts[1], "Classes")) {
            redirectClasses(parts, 1);
            return;
        }
        for (const char* shared : kSharedSoftware)
            if (beginsWithParts(parts, 1, shared)) return;
        parts.insert(parts.begin() + 1, "Wow6432Node");
    } else if (root == kHkeyUsers) {
        // A user's own software key is shared; only the classes below it are kept apart.
        if (parts.size() >= 3 && eqNoCase(parts[1], "Software") && eqNoCase(parts[2], "Classes"))
            redirectClasses(parts, 2);
        else if (!parts.empty() && parts[0].size() > 8 &&
                 eqNoCase(std::string_view(parts[0]).substr(parts[0].size() - 8), "_Classes"))
            redirectClasses(parts, 0);
    }
}

}  // namespace plat
