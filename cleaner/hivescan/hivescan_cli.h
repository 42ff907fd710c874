// hivescan: the cleaner's scan (and "Fix all") without a window. It runs the cleaner's engine
// with the window's saved settings, exclude list and language, so the rows it prints are the
// rows the window lists, and its fix is the window's "Fix all".
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cleaner/engine/finding.h"
#include "cleaner/engine/texts.h"
#include "common/platform/services.h"

namespace hivescan {

enum class Format { Tsv, Csv, Json };

struct Options {
    bool help = false;
    bool version = false;
    bool areasGiven = false;
    std::vector<std::string> areas;  // category codes, upper case
    int skipCdNet = -1;              // -1 as saved, 0 off, 1 on
    Format format = Format::Tsv;
    std::string output;  // "" = standard output
    bool fixAll = false;
    bool yes = false;
    std::string undo;  // --undo FILE: the fix's undo record ("" = none)
};

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFixLeftRows = 3;
constexpr int kExitFailed = 1;  // the output could not be written, the exclude list could not be
                                // read, the undo file could not be written, or the run broke off

const char* UsageText();

// Parses the arguments (without the program name). On failure returns false and a one-line
// message in *error.
bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error);

// The six columns of one result row as the list shows them.
using Row = std::vector<std::string>;
// The list's column headers and rows written in the chosen format (UTF-8).
std::string FormatRows(const Row& headers, const std::vector<Row>& rows, Format format);
// The findings as the list shows them, under the list's headers in that language.
std::string FormatFindings(const std::vector<engine::Finding>& findings, const engine::Texts& texts, Format format);

// Where the program's text goes, and the console question for "Fix all" without --yes.
struct Console {
    std::function<bool(const std::string&)> out;  // the result (when no --output); false: not written
    std::function<void(const std::string&)> err;  // message boxes, status text, errors
    std::function<std::string()> readLine;        // one answer line; "" at end of input
};

// Runs the scan as the arguments say; returns the exit status.
int Run(const std::vector<std::string>& args, plat::Services& services, Console& console);

}  // namespace hivescan
