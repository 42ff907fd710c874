// The platform services a program hands to its forms and engines. Only a program's composition
// root (main_win32.cpp, or a test) decides which implementations stand behind them.
// Services a subsystem needs beyond these (process list, http, icons) are passed beside this struct.
#pragma once

#include "common/platform/clock.h"
#include "common/platform/files.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"

namespace plat {

struct Services {
    Registry& registry;
    Files& files;
    Shell& shell;
    Clock& clock;
};

}  // namespace plat
