// Shared set-up of the process manager's tests: the substitute process table, shell files,
// and the services a window needs.
#pragma once

#include <string>

#include "common/platform/fake/fake_clipboard.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_icons.h"
#include "common/platform/fake/fake_process_list.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/services.h"

namespace procman_test {

struct Platform {
    plat::FakeRegistry registry;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::FakeProcessList processes;
    plat::FakeIcons icons;
    plat::FakeClipboard clipboard;
    plat::Services services{registry, files, shell, clock};

    // A running program with an icon the shell knows.
    plat::FakeProcess& program(uint32_t id, const std::string& folder, const std::string& name) {
        icons.add(folder + name);
        return processes.add(id, name, folder + name);
    }
};

}  // namespace procman_test
