// The suite's one version agrees with what the cleaner's windows show and compare (its about
// text and the update check both say 4.21).
#include <gtest/gtest.h>

#include <string>

#include "cleaner/ui/frm_update.h"
#include "common/version.h"

TEST(SuiteVersion, MatchesTheCleanersVersion) {
    EXPECT_EQ(scl::kVersionMajor, cleaner::kVersionMajor);
    EXPECT_EQ(scl::kVersionMinor, cleaner::kVersionMinor);
    EXPECT_EQ(std::string(scl::kVersion), std::to_string(scl::kVersionMajor) + "." +
                                              std::to_string(scl::kVersionMinor) + "." +
                                              std::to_string(scl::kVersionPatch));
}
