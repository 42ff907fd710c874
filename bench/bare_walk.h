// The baseline of the scan benchmarks: a walk of exactly the keys the scan walks, opening each
// the way the scan does (the walk's start from its root, every key below from its parent's
// handle, with the same rights; one open key per level), reading every value and subkey name
// the same way and yielding as often, but testing nothing.
#pragma once

#include <functional>
#include <string>

#include "cleaner/engine/categories.h"
#include "common/platform/registry.h"

namespace bench {

struct WalkCounts {
    long keys = 0;
    long values = 0;
    long dataBytes = 0;
};

class BareWalker {
public:
    BareWalker(plat::Registry& reg, std::function<void()> yield) : reg_(reg), yield_(std::move(yield)) {}
    // Every walk of the category table, in order.
    void walkAll();
    const WalkCounts& counts() const { return counts_; }

private:
    // Walks root\path; below the walk's start the key is opened from `parent` by the name that
    // begins at `nameAt` in `path`.
    void walk(plat::RegHandle root, plat::RegHandle parent, std::string path, size_t nameAt, bool skipTest);
    void fileTypes(plat::RegHandle root);
    plat::Registry& reg_;
    std::function<void()> yield_;
    WalkCounts counts_;
};

}  // namespace bench
