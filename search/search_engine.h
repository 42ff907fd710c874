// The registry search: a depth-first walk below one root that reports every key path, value
// name and text (REG_SZ) content matching the search text.
//
// The engine never copies the options: every test asks the host for the search text, the mode,
// the case option and the targets at the moment it is made, so a change made during a search
// applies to the tests that follow. The host is the search window (or a test); the engine
// yields through it at every key and value so Cancel and closing can run in between.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform/registry.h"

namespace search {

// Pictures of the result list.
enum Image : int { kImageNone = 0, kImageKey = 1, kImageText = 2, kImageBinary = 3, kImageNothing = 4 };

enum class Mode : int { None = 0, Any = 1, Left = 2, Right = 3, Exact = 4 };

struct ResultRow {
    std::string text;  // path relative to the root: key path, or key path + "\" + value name
    int image = kImageNone;
    std::string fullPath;  // root name + "\" + text; "" for the "Nothing to show" row
    // Kept apart so a value name holding a backslash never splits the wrong way.
    std::string keyPath;    // root name, "\" and the key path of the key (or of the key holding the value)
    std::string valueName;  // the value's name; empty for a key row
    bool isValue = false;
};

class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual std::string searchText() = 0;
    virtual bool matchCase() = 0;
    virtual Mode mode() = 0;  // the first of the four options that is set
    virtual bool searchKeys() = 0;
    virtual bool searchValues() = 0;
    virtual bool searchData() = 0;
    virtual bool stopRequested() = 0;
    virtual void yield() = 0;
    virtual void addRow(const ResultRow& row) = 0;
    virtual void showStatus(const std::string& text) = 0;
};

// Image of a value-name row by value type.
int getIco(uint32_t type);

class SearchEngine {
public:
    SearchEngine(plat::Registry& reg, SearchHost& host) : reg_(reg), host_(host) {}

    // Searches (root, path) and everything below it.
    void SearchKey(plat::RegHandle root, const std::string& path);
    // Tests one candidate against the current search text, mode and case option.
    bool VerifyPattern(const std::string& candidate);

private:
    void searchOpenKey(plat::RegHandle key, plat::RegHandle root, const std::string& path, const std::string& rootName);
    void searchValuesOf(plat::RegHandle key, const std::string& path, const std::string& prefix,
                        const std::string& rootName);

    plat::Registry& reg_;
    SearchHost& host_;
    // The lower-cased search text, recomputed only when the text changes.
    std::string patternKey_, patternLower_;
    std::string candidateLower_;
    int depth_ = 0;  // levels entered below the search's start
};

// True when `text` matches `pattern` in `mode`; both already case-folded as wanted.
bool MatchesMode(Mode mode, const std::string& candidate, const std::string& pattern);

}  // namespace search
