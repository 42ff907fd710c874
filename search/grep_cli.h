// hivegrep: the search window's search from a command line. Each option makes the choice its
// control of the window makes; a choice without an option is the window's saved one. The
// request goes to the same engine the window runs, so the rows printed are the window's rows,
// in list order.
#pragma once

#include <string>
#include <vector>

#include "common/platform/registry.h"
#include "search/search_engine.h"

namespace search {

inline constexpr const char* kGrepUsage =
    "usage: hivegrep [--root NAME] [--match any|left|right|exact] [--case | --ignore-case]\n"
    "                [--keys | --no-keys] [--values | --no-values] [--data | --no-data]\n"
    "                [--format tsv|json|reg] [--output FILE] TEXT\n"
    "       hivegrep --help | --version\n"
    "--format reg writes a registry-editor file of the found keys and values (UTF-16);\n"
    "values it cannot hold exactly are named on standard error and left out.\n"
    "exit status: 0 rows found, 1 no row found (or the output could not be written),\n"
    "             2 usage error\n";

constexpr int kGrepOk = 0;
constexpr int kGrepNoMatch = 1;
constexpr int kGrepFailed = 1;
constexpr int kGrepUsageError = 2;

struct GrepOutcome {
    int exitCode = kGrepOk;  // kGrepNoMatch still has an output (the header) to write
    std::string output;      // what goes to standard output or the output file (UTF-8; reg: UTF-16LE)
    std::string error;       // what goes to standard error
    std::string outputFile;  // empty: standard output
    bool version = false;    // --version: the program prints its version, nothing else
};

GrepOutcome RunGrep(const std::vector<std::string>& args, plat::Registry& reg);

// The kind printed for a row: "key", "text" or "other".
const char* RowKind(int image);
std::string EscapeTsv(const std::string& field);
std::string EscapeJson(const std::string& field);  // without the surrounding quotes
std::string FormatTsv(const std::vector<ResultRow>& rows);
std::string FormatJson(const std::vector<ResultRow>& rows);

}  // namespace search
