#include "common/platform/sendkeys.h"

#include <gtest/gtest.h>

namespace {

using namespace plat;

std::string typed(const std::string& keys) {
    std::vector<KeyStroke> strokes;
    if (!parseSendKeys(keys, &strokes)) return "<error>";
    return describeKeyStrokes(strokes);
}

TEST(SendKeys, ParsesTheKeystrokeSyntax) {
    struct Case {
        std::string keys, typed;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"a{RIGHT}b", "a{RIGHT}b"},
        {"{right}", "{RIGHT}"},
        {"{{}x{}}", "{x}"},
        {"{+}{^}{%}{~}{(}{)}{[}{]}", "+^%~()[]"},
        {"~", "{ENTER}"},
        {"{ENTER}", "{ENTER}"},
        {"{TAB 3}", "{TAB}{TAB}{TAB}"},
        {"{x 2}", "xx"},
        {"+a", "<SHIFT>a</SHIFT>"},
        {"^(ab)c", "<CTRL>ab</CTRL>c"},
        {"%{F4}", "<ALT>{F4}</ALT>"},
        {"+^a", "<SHIFT><CTRL>a</CTRL></SHIFT>"},
        {"\xd0\x96z", "\xd0\x96z"},
        {"[x]", "[x]"},
        {"{ }", " "},
    };
    for (const auto& c : cases) EXPECT_EQ(typed(c.keys), c.typed) << c.keys;
}

TEST(SendKeys, RejectsMalformedText) {
    for (const char* bad : {"{", "{RIGHT", "}", "(a", "a)", "+", "{NOSUCHKEY}", "{}", "^"})
        EXPECT_EQ(typed(bad), "<error>") << bad;
}

TEST(SendKeys, EachCharacterIsPressedAndReleased) {
    std::vector<KeyStroke> s;
    ASSERT_TRUE(parseSendKeys("+x", &s));
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], (KeyStroke{KeyStroke::Kind::Key, 0, kVkShift, true}));
    EXPECT_EQ(s[1], (KeyStroke{KeyStroke::Kind::Char, U'x', 0, true}));
    EXPECT_EQ(s[2], (KeyStroke{KeyStroke::Kind::Char, U'x', 0, false}));
    EXPECT_EQ(s[3], (KeyStroke{KeyStroke::Kind::Key, 0, kVkShift, false}));
    ASSERT_TRUE(parseSendKeys("\xf0\x9f\x98\x80", &s));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].ch, U'\U0001F600');
}

}  // namespace
