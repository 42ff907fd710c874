#include "tests/support/test_registry.h"

#include "tests/support/reg_file.h"

#ifdef _WIN32
#include "common/platform/win32/win32_registry.h"
#else
#include "common/platform/fake/fake_registry.h"
#endif

namespace testsupport {

std::unique_ptr<plat::Registry> makeTestRegistry() {
#ifdef _WIN32
    return std::make_unique<plat::Win32Registry>();
#else
    return std::make_unique<plat::FakeRegistry>();
#endif
}

bool usingRealRegistry() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

ScratchKey::ScratchKey(plat::Registry& reg) : reg_(reg) {
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, kScratchPath);
    reg_.createKey(plat::kHkeyCurrentUser, kScratchPath, &handle_);
}

ScratchKey::~ScratchKey() {
    if (handle_) reg_.closeKey(handle_);
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, kScratchPath);
}

std::string ScratchKey::path(const std::string& sub) {
    return sub.empty() ? std::string(kScratchPath) : std::string(kScratchPath) + "\\" + sub;
}

std::string ScratchKey::location(const std::string& sub) { return "HKEY_CURRENT_USER\\" + path(sub); }

}  // namespace testsupport
