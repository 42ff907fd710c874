// The baseline of the scan benchmarks: a walk of exactly the keys the scan walks, reading every
// value and subkey name the same way and yielding as often, but testing nothing.
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
    void walk(plat::RegHandle root, std::string path, bool skipTest);
    void fileTypes(plat::RegHandle root);
    plat::Registry& reg_;
    std::function<void()> yield_;
    WalkCounts counts_;
};

}  // namespace bench
