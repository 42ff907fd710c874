#include "tests/support/test_registry.h"

#include "tests/support/reg_file.h"

#ifdef _WIN32
#include <process.h>

#include "common/platform/win32/win32_registry.h"
#else
#include <unistd.h>

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

#ifndef _WIN32
bool makeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path, plat::RegHandle targetRoot,
              const std::string& targetPath) {
    auto* fake = dynamic_cast<plat::FakeRegistry*>(&reg);
    return fake && fake->keyExists(targetRoot, targetPath) && fake->addLink(root, path, targetRoot, targetPath);
}

bool removeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path) {
    auto* fake = dynamic_cast<plat::FakeRegistry*>(&reg);
    return fake && fake->removeLink(root, path);
}
#endif

namespace {

constexpr const char* kScratchParent = "Software\\ScourlineContractTest";

std::string scratchPath() {
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = getpid();
#endif
    return std::string(kScratchParent) + "\\" + std::to_string(pid);
}

}  // namespace

ScratchKey::ScratchKey(plat::Registry& reg) : reg_(reg) {
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, scratchPath());
    reg_.createKey(plat::kHkeyCurrentUser, scratchPath(), &handle_);
}

ScratchKey::~ScratchKey() {
    if (handle_) reg_.closeKey(handle_);
    regfile::deleteTree(reg_, plat::kHkeyCurrentUser, scratchPath());
    reg_.deleteKey(plat::kHkeyCurrentUser, kScratchParent);  // refused while other programs still use it
}

std::string ScratchKey::path(const std::string& sub) {
    return sub.empty() ? scratchPath() : scratchPath() + "\\" + sub;
}

std::string ScratchKey::location(const std::string& sub) { return "HKEY_CURRENT_USER\\" + path(sub); }

}  // namespace testsupport
