// hivegrep.exe: the registry search from the command line (see grep_cli.h).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_text.h"
#include "common/version.h"
#include "search/grep_cli.h"

namespace {

bool writeAll(FILE* f, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(plat::win32::narrow(argv[i]));

    // Text leaves as UTF-8 bytes, unchanged by the C runtime.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);

    plat::Win32Registry registry;
    const search::GrepOutcome out = search::RunGrep(args, registry);
    if (out.version) return writeAll(stdout, std::string("hivegrep ") + scl::kVersion + "\n") ? 0 : search::kGrepFailed;
    if (!out.error.empty()) writeAll(stderr, out.error);
    if (out.exitCode != search::kGrepOk && out.exitCode != search::kGrepNoMatch) return out.exitCode;

    if (out.outputFile.empty()) {
        if (writeAll(stdout, out.output)) return out.exitCode;
        writeAll(stderr, "hivegrep: cannot write the results to standard output\n");
        return search::kGrepFailed;
    }
    FILE* f = _wfopen(plat::win32::wide(out.outputFile).c_str(), L"wb");
    if (!f) {
        writeAll(stderr, "hivegrep: cannot write '" + out.outputFile + "'\n");
        return search::kGrepFailed;
    }
    bool ok = writeAll(f, out.output);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) writeAll(stderr, "hivegrep: cannot write '" + out.outputFile + "'\n");
    return ok ? out.exitCode : search::kGrepFailed;
}
