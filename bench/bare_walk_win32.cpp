// bare_walk.exe: the Wine benchmark's baseline. Walks the keys the scan of all eight areas
// walks, reading names and values the same way and yielding as often, and prints the counts.
#include <windows.h>

#include <cstdio>

#include "bench/bare_walk.h"
#include "common/platform/win32/win32_registry.h"
#include "common/ui/headless.h"

int wmain() {
    plat::Win32Registry reg;
    ui::HeadlessHost host;
    bench::BareWalker walker(reg, [&host] { host.doEvents(); });
    ULONGLONG t0 = GetTickCount64();
    walker.walkAll();
    ULONGLONG ms = GetTickCount64() - t0;
    std::printf("keys %ld values %ld dataBytes %ld ms %llu\n", walker.counts().keys, walker.counts().values,
                walker.counts().dataBytes, ms);
    return 0;
}
