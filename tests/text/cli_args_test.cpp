// The console conventions every twin shares: help and --version wherever they stand, values
// after an equals sign, and a result that cannot be written ends the run as a failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/text/cli_args.h"

namespace {

TEST(CommonFlags, HelpAndVersionAnywhereBeforeTheEndOfOptions) {
    const std::vector<std::string> valued{"--format", "--output"};
    struct Case {
        std::vector<std::string> args;
        bool help, version;
        std::vector<std::string> rest;
    } cases[] = {
        {{"/?"}, true, false, {}},
        {{"text", "--version"}, false, true, {"text"}},
        {{"--format=json", "x"}, false, false, {"--format", "json", "x"}},
        {{"--format=", "x"}, false, false, {"--format", "", "x"}},
        {{"--output", "--help"}, false, false, {"--output", "--help"}},  // a value, not a request
        {{"--", "/?", "--version"}, false, false, {"--", "/?", "--version"}},
        {{"--formats=1"}, false, false, {"--formats=1"}},  // not an option that takes a value
        {{"-h", "--version"}, true, true, {}},
    };
    for (const Case& c : cases) {
        const text::CommonFlags f = text::readCommonFlags(c.args, valued);
        const std::string line = c.args.empty() ? "" : c.args[0];
        EXPECT_EQ(f.help, c.help) << line;
        EXPECT_EQ(f.version, c.version) << line;
        EXPECT_EQ(f.rest, c.rest) << line;
    }
}

TEST(CommandLine, SlashQuestionAndVersionWinOverWhatIsWrongOnTheLine) {
    auto none = [](size_t&, std::string*) { return false; };
    text::CommandLine line;
    std::string error;
    ASSERT_TRUE(text::parseCommandLine({"/?"}, {"list"}, none, &line, &error)) << error;
    EXPECT_TRUE(line.help);
    ASSERT_TRUE(text::parseCommandLine({"nonsense", "--bogus", "--version"}, {"list"}, none, &line, &error)) << error;
    EXPECT_TRUE(line.version);
    EXPECT_FALSE(text::parseCommandLine({"nonsense", "--bogus"}, {"list"}, none, &line, &error));
    EXPECT_EQ(error, "unknown command 'nonsense'");
    ASSERT_TRUE(text::parseCommandLine({"list", "--", "/?"}, {"list"}, none, &line, &error)) << error;
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.operands, std::vector<std::string>{"/?"});
}

struct TestConsole {
    std::function<bool(const std::string&)> out;
    std::function<void(const std::string&)> err;
};

TEST(CheckedOutput, AResultThatCannotBeWrittenIsAFailure) {
    std::string err;
    TestConsole console{[](const std::string&) { return false; }, [&](const std::string& s) { err += s; }};
    auto printing = [](TestConsole& c) {
        c.out("deleted x\n");  // the command does not look at the answer
        return 0;
    };
    EXPECT_EQ(text::runWithCheckedOutput(console, "twin", 1, printing), 1);
    EXPECT_EQ(err, "twin: the result could not be written to standard output\n");
    // A failure of its own is kept as it is.
    EXPECT_EQ(text::runWithCheckedOutput(console, "twin", 1, [](TestConsole& c) { return c.out("x"), 3; }), 3);
    console.out = [](const std::string&) { return true; };
    EXPECT_EQ(text::runWithCheckedOutput(console, "twin", 1, printing), 0);
}

}  // namespace
