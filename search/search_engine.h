// The registry search: a depth-first walk below one root that reports every key path, value
// name and text (REG_SZ) content matching the search text.
//
// The engine is given a request and never copies its options: every test reads the text, the
// mode, the case option and the targets from the request at the moment it is made, so a change
// a host makes to the request in one of its yields applies to the tests that follow (the
// window copies its controls into it there). The host is the search window, hivegrep or a
// test; the engine yields through it at every key and value so Cancel and closing can run in
// between, and hands it every row found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

struct SearchRequest {
    std::string text;
    Mode mode = Mode::Any;
    bool matchCase = true;
    // What is tested: key paths, value names, text (REG_SZ) data.
    bool keys = true;
    bool values = true;
    bool data = true;
    std::vector<plat::RegHandle> roots;  // searched in this order, each from its top
};

class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual bool stopRequested() = 0;
    virtual void yield() = 0;
    virtual void addRow(const ResultRow& row) = 0;
    virtual void showStatus(const std::string& text) = 0;
};

// Image of a value-name row by value type.
int getIco(uint32_t type);

class SearchEngine {
public:
    // `request` must outlive the engine; it is read, never written.
    SearchEngine(plat::Registry& reg, const SearchRequest& request, SearchHost& host)
        : reg_(reg), request_(request), host_(host) {}

    // Searches (root, path) and everything below it.
    void SearchKey(plat::RegHandle root, const std::string& path);
    // Tests one candidate against the current search text, mode and case option.
    bool VerifyPattern(const std::string& candidate);

private:
    void searchOpenKey(plat::RegHandle key, plat::RegHandle root, const std::string& path, const std::string& rootName);
    void searchValuesOf(plat::RegHandle key, const std::string& path, const std::string& prefix,
                        const std::string& rootName);

    plat::Registry& reg_;
    const SearchRequest& request_;
    SearchHost& host_;
    // The lower-cased search text, recomputed only when the text changes.
    std::string patternKey_, patternLower_;
    std::string candidateLower_;
    int depth_ = 0;  // levels entered below the search's start
};

// Searches every root of the request in its order, yielding before each; a stop ends it.
void RunSearch(plat::Registry& reg, const SearchRequest& request, SearchHost& host);

// True when `text` matches `pattern` in `mode`; both already case-folded as wanted.
bool MatchesMode(Mode mode, const std::string& candidate, const std::string& pattern);

}  // namespace search
