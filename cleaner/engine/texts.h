// The cleaner's texts in each interface language: the reasons the walkers give, the scan areas'
// names and descriptions, the result list's column headers and the few messages the window and
// the console twin both show. One table is chosen at start-up; the engine is handed that table
// and never asks which language it is.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/platform/files.h"

namespace engine {

enum class Reason {
    InvalidPath,
    EmptyTypeLib,
    InvalidTypeLib,
    EmptyClsid,
    InvalidClsid,
    EmptyProgId,
    InvalidProgId,
    EmptyInprocServer32,
    EmptyInprocServer,
    SharedFileMissing,
    InvalidFont,
};
constexpr size_t kReasonCount = 11;

enum class Language { English, Spanish };

struct AreaTexts {
    std::string code;  // the category code these texts belong to
    std::string name;
    std::string description;
};

struct Texts {
    Language language = Language::English;
    std::array<std::string, kReasonCount> reasons;
    std::vector<AreaTexts> areas;        // in the category table's order
    std::array<std::string, 6> columns;  // the result list's headers
    std::string noAreaMessage;           // a scan with no area ticked
    std::string totalLabel;              // the status bar's count, before the number
    std::string removeConfirm;           // the repair's question

    const std::string& reason(Reason r) const { return reasons[static_cast<size_t>(r)]; }
};

// The table of a language (built once, kept for the program's life).
const Texts& TextsFor(Language language);
// The language the cleaner runs in: Spanish when the marker file spanish.dll lies in the
// application folder.
Language StartLanguage(plat::Files& files);

}  // namespace engine
