// What the registry editor's file can and cannot put back: the check of a file before it is
// imported (whole, and no value under a name that is not its own), and the values of the
// registry that an export cannot hold exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/registry.h"

namespace backup {

// One value of a file left out of an import, or of the registry that a backup cannot put back.
struct ValueRef {
    std::string key;   // the full key path as the file writes it ("HKEY_CURRENT_USER\Software\x")
    std::string name;  // exact (WTF-8, a NUL kept); "" is the default value
    std::string why;   // for the user (empty for values left out of an import)
};
// "HKEY_CURRENT_USER\Software\x: "abc\0hidden"" (a NUL shown as \0; the default value by that name).
std::string DescribeValue(const ValueRef& v);
// Up to `first` descriptions, one a line (with the reason when there is one), then "... and N more"
// of `total` (when more than the values given).
std::string DescribeValues(const std::vector<ValueRef>& values, size_t first, size_t total = 0);

struct RegFileCheck {
    bool whole = false;
    std::string problem;             // when not whole: why, for the user ("the file ends inside an entry")
    std::vector<ValueRef> leftOut;   // values under a name the key holds twice: cut by the editor
    std::string copy;                // when whole: the bytes to import, the file without those values
    std::vector<std::string> roots;  // the roots the file's keys lie below, upper case, in first-seen order
};

// Checks that the bytes are a whole registry-editor file: its header ("Windows Registry Editor
// Version 5.00" in UTF-16LE after a byte-order mark, or "REGEDIT4"), every line a key, a value
// (its name closed, its data one of the editor's forms, continued lines and quoted text closed)
// or a comment, and the end as the editor ends its exports (an empty line). A key that holds a
// value name twice (in any letter case) is a key whose names the editor cut at a NUL: every
// value of that name is left out of the copy.
RegFileCheck CheckRegistryFile(std::string_view bytes);

// Why the registry editor's file cannot put this value back exactly, or "" when it can: a name
// with a NUL (cut there), text (type 1) that is empty, of an odd length, without its final NUL
// or with a NUL inside, expandable or multi-string text not ending in a NUL (one is added), a
// 32-bit number of other than four bytes (written back as four).
std::string InexactReason(std::string_view name, uint32_t type, const std::vector<uint8_t>& data);

// Every value below these roots (full names, as CheckRegistryFile gives them) that the editor's
// file cannot put back exactly; `count` of them at most are returned, all are counted in *total.
// `yield` runs now and then during the walk.
std::vector<ValueRef> FindInexactValues(plat::Registry& registry, const std::vector<std::string>& roots, size_t count,
                                        size_t* total, const std::function<void()>& yield);

}  // namespace backup
