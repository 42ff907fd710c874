// The scan: the category loop of the scan driver, the six walkers with their shared skeleton,
// the result-list step AddtoList and the exclusion test InExcludeList.
//
// One Scanner serves one scan (it remembers file-test answers for that scan). The window
// creates it when a scan starts and calls RunCategories; everything that touches controls goes
// through the ScanHost. The reasons are given in the language table it is handed.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cleaner/engine/categories.h"
#include "cleaner/engine/path_checks.h"
#include "cleaner/engine/scan_host.h"
#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/registry/mdl_registry.h"

namespace engine {

// One row of the category list as the driver sees it.
struct CategoryRow {
    std::string code;
    bool ticked = false;
};

class Scanner {
public:
    Scanner(plat::Registry& reg, plat::Files& files, ScanHost& host, const Texts& texts);

    // The driver's loop over the category list, first row to last: for a ticked row, yield,
    // ScanLocation, yield; after every row, when ScanRunning has been cleared, set the progress
    // bar to 99 and stop. Returns true when at least one row was ticked.
    bool RunCategories(std::vector<CategoryRow> rows);

    // Runs the walks of the row whose code equals `code` exactly; other codes walk nothing.
    void ScanLocation(const std::string& code);

    // The walkers.
    void ScanKeyValues(plat::RegHandle root, const std::string& path);
    void ScanSharedDlls(plat::RegHandle root, const std::string& path);
    void ScanFontKey(plat::RegHandle root, const std::string& path);
    void ScanComKey(plat::RegHandle root, const std::string& path);
    void ScanFileTypes(plat::RegHandle root, const std::string& path);
    void ScanAssociation(plat::RegHandle root, const std::string& path);

    // Appends a finding unless the drive-type filter drops it; raises InvalidCount, moves the bar.
    // The name and data are taken by value: a walker moves the value it read into the finding.
    void AddtoList(plat::RegHandle root, const std::string& keyLocation, std::string keyName, std::string keyValue,
                   uint32_t type, const std::string& reason);
    // True when `text` contains the text of any exclude-list row.
    bool InExcludeList(const std::string& text);

    PathChecker& checks() { return checks_; }
    const Texts& texts() const { return texts_; }

    // Key paths deeper than this are not entered. The platform itself allows 512 levels, so
    // only a registry that loops through its own links gets here, and the walk then ends
    // instead of overflowing the stack.
    static constexpr int kMaxDepth = plat::kMaxKeyDepth;

private:
    plat::Registry& reg_;
    ScanHost& host_;
    PathChecker checks_;
    const Texts& texts_;
    // The code of the area whose walks run now ("" for a walker called on its own).
    std::string area_;

    // The keys the walk is inside, outermost first: what they held when opened, and their full
    // names once asked for (to tell a link back into one of them).
    struct Frame {
        plat::RegHandle key = 0;
        plat::KeyInfo info;
        std::string name;
        bool named = false;
    };
    std::vector<Frame> frames_;
    std::string probe_;      // the exclusion test's text for the value being tested
    std::string upperPath_;  // the skip test's upper-cased key path
    // Whether each classes-root key a COM value named is there, by view (native, 32-bit).
    std::unordered_map<std::string, bool> classKeys_[2];

    const std::string& reason(Reason r) const { return texts_.reason(r); }
    void runWalk(const Walk& walk);
    // The drive-path test shared by three walkers. A value reported moves into its finding.
    void drivePathTest(plat::RegHandle root, const std::string& path, mdlreg::ValueEntry& v, FileView view);
    bool classKeyRegistered(const std::string& key, FileView view);
    void comValueTest(plat::RegHandle root, const std::string& path, std::string_view last, mdlreg::ValueEntry& v,
                      FileView view);
    enum class Kind { KeyValues, SharedDlls, FontKey, ComKey, Association };
    void walk(Kind kind, plat::RegHandle root, std::string path, FileView view);
    // The key a 32-bit program opens as root\path, walked under its real name when the system
    // keeps it apart from the 64-bit one.
    void walk32BitView(Kind kind, plat::RegHandle root, const std::string& path);
    // Walks root\path; a key below the walk's start is opened from `parent` by the name that
    // begins at `nameAt` in `path`.
    void walkKey(Kind kind, plat::RegHandle root, plat::RegHandle parent, std::string path, size_t nameAt,
                 FileView view);
    // The key just opened is one the walk is already inside (reached again through a link).
    bool leadsBack(plat::RegHandle key, const plat::KeyInfo& info);
    const std::string& frameName(Frame& f);
};

}  // namespace engine
