#include "common/text/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Wtf8, RoundTripsEveryKindOfUnit) {
    const std::u16string cases[] = {
        u"",
        u"plain ASCII",
        u"Ключ Имя Значение",
        u"\u00e9\u00f6\u00df",
        u"\U0001F600 emoji pair",
        std::u16string(1, char16_t(0xD800)) + u"lone high",
        u"lone low" + std::u16string(1, char16_t(0xDC05)),
        std::u16string(1, char16_t(0xDC00)) + std::u16string(1, char16_t(0xD800)),  // reversed pair
        std::u16string(u"nul\0inside", 10),
    };
    for (const auto& w : cases) {
        const std::string u8 = text::fromUtf16(w);
        EXPECT_EQ(text::toUtf16(u8), w) << u8;
    }
}

TEST(Wtf8, ProperPairsBecomeFourByteUtf8) {
    EXPECT_EQ(text::fromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_TRUE(text::isValidUtf8(text::fromUtf16(u"\U0001F600")));
    // A lone surrogate is carried, but it is not strict UTF-8.
    EXPECT_FALSE(text::isValidUtf8(text::fromUtf16(std::u16string(1, char16_t(0xD834)))));
}

TEST(Wtf8, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(text::toUtf16("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(text::toUtf16("\xC3"), u"\uFFFD");            // truncated sequence
    EXPECT_EQ(text::toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong slash
    EXPECT_FALSE(text::isValidUtf8("\xC0\xAF"));
    EXPECT_TRUE(text::isValidUtf8("caf\xC3\xA9"));
}

TEST(CodePage, Decodes1252IncludingTheHighControlRange) {
    EXPECT_EQ(text::fromCodePage("\xF6", 1252), "\xC3\xB6");      // ö
    EXPECT_EQ(text::fromCodePage("\x80", 1252), "\xE2\x82\xAC");  // €
    EXPECT_EQ(text::fromCodePage("\x9F", 1252), "\xC5\xB8");      // Ÿ
    EXPECT_EQ(text::fromCodePage("\x81", 1252), "\xC2\x81");      // undefined: C1 control
    EXPECT_EQ(text::fromCodePage("\x80", 28591), "\xC2\x80");
    EXPECT_EQ(text::fromCodePage("\xC3\xB6", 65001), "\xC3\xB6");
    EXPECT_EQ(text::fromCodePage("plain"), "plain");
}

TEST(Case, UpperAndLowerPerUnit) {
    struct Pair {
        char16_t lower, upper;
    };
    const Pair pairs[] = {{u'a', u'A'},   {u'z', u'Z'},    {0xE9, 0xC9},   {0xFE, 0xDE},   {0xFF, 0x178},
                          {0x101, 0x100}, {0x142, 0x141},  {0x17E, 0x17D}, {0x3B1, 0x391}, {0x3C9, 0x3A9},
                          {0x3AC, 0x386}, {0x430, 0x410},  {0x44F, 0x42F}, {0x451, 0x401}, {0x45F, 0x40F},
                          {0x491, 0x490}, {0xFF41, 0xFF21}};
    for (const auto& p : pairs) {
        EXPECT_EQ(text::upperUnit(p.lower), p.upper) << std::hex << int(p.lower);
        EXPECT_EQ(text::lowerUnit(p.upper), p.lower) << std::hex << int(p.upper);
    }
    const char16_t unchanged[] = {u'0', u'_', 0xF7, 0xD7, 0x4E2D, 0xD800};
    for (char16_t c : unchanged) {
        EXPECT_EQ(text::upperUnit(c), c);
        EXPECT_EQ(text::lowerUnit(c), c);
    }
    // Final sigma keeps its form, as in the platform's upcase table (checked unit by unit
    // against the platform in case_check_win32.cpp).
    EXPECT_EQ(text::upperUnit(0x3C2), 0x3C2);
    EXPECT_EQ(text::lowerUnit(0x3A3), 0x3C3);
    EXPECT_EQ(text::toUpper("Ключ straße"), "КЛЮЧ STRAßE");
    EXPECT_EQ(text::toLower("ÉCOLE Ω"), "école ω");
}

TEST(Case, PlainTextShortcutMapsAsTheUnitByUnitWay) {
    std::string everyAscii;
    for (int c = 1; c < 0x80; ++c) everyAscii += static_cast<char>(c);
    std::vector<std::string> texts = {
        "",
        everyAscii,
        std::string("nul\0inside", 10),
        "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID",
        "C:\\Program Files\\Vendor1\\app.exe /s",
        "Ключ straße",                              // begins outside ASCII
        "Software\\Ünïcödé\\tail",                  // ASCII, then not, then ASCII again
        "abc\xC4\xB1i\xC5\xBFs",                    // dotless i and long s: upper-case to ASCII letters
        "end\xED\xA0\x80",                          // a lone surrogate (WTF-8)
        "bad\xFF\xC3(\x80x",                        // malformed bytes
        "\xF0\x9F\x98\x80 emoji \xF0\x9F\x98\x80",  // a pair
    };
    // Random bytes, mostly ASCII with some of everything else.
    unsigned seed = 7;
    for (int n = 0; n < 300; ++n) {
        std::string t;
        for (int k = 0; k < n % 40; ++k) {
            seed = seed * 1103515245u + 12345u;
            const unsigned r = (seed >> 16) & 0xFF;
            t += static_cast<char>(r % 4 ? r & 0x7F : r);
        }
        texts.push_back(t);
    }
    // One kept buffer for every text, as a scan keeps it: whatever it held before is gone.
    std::string kept = "a longer text left in the buffer by an earlier call";
    for (const std::string& t : texts) {
        EXPECT_EQ(text::toUpper(t), text::toUpperByUnits(t)) << t;
        EXPECT_EQ(text::toLower(t), text::toLowerByUnits(t)) << t;
        text::toUpperInto(t, &kept);
        EXPECT_EQ(kept, text::toUpperByUnits(t)) << t;
    }
    EXPECT_EQ(text::toUpper("Software\\Ünïcödé\\tail"), "SOFTWARE\\ÜNÏCÖDÉ\\TAIL");
    EXPECT_EQ(text::toLower("MiXeD 09_Z"), "mixed 09_z");
}

TEST(Case, CompareNoCaseOrdersAsTheRegistryDoes) {
    EXPECT_EQ(text::compareNoCase("Software", "SOFTWARE"), 0);
    EXPECT_EQ(text::compareNoCase("ключ", "КЛЮЧ"), 0);
    EXPECT_LT(text::compareNoCase("a", "B"), 0);
    EXPECT_GT(text::compareNoCase("b", "A"), 0);
    EXPECT_LT(text::compareNoCase("ab", "abc"), 0);
    EXPECT_GT(text::compareNoCase("abc", "AB"), 0);
    // Upper-casing puts letters before "_" (0x5F); lower-casing would not.
    EXPECT_LT(text::compareNoCase("aB", "a_"), 0);
    EXPECT_LT(text::compareNoCase("z", "\xC3\xA9"), 0);  // é sorts after ASCII letters
    EXPECT_TRUE(text::equalNoCase("Été", "éTÉ"));
    EXPECT_FALSE(text::equalNoCase("e", "é"));
}

TEST(Strings, TrimReplaceSplit) {
    EXPECT_EQ(text::trim("  a b  "), "a b");
    EXPECT_EQ(text::trim("\tx "), "\tx");  // spaces only
    EXPECT_EQ(text::trim("   "), "");
    EXPECT_EQ(text::replaceAll("a\\\\b\\\\\\c", "\\\\", "\\"), "a\\b\\\\c");
    EXPECT_EQ(text::replaceAll("{x}", "{", "{{{"), "{{{x}");  // replaced text is not rescanned
    EXPECT_EQ(text::replaceAll("abc", "", "x"), "abc");
    using V = std::vector<std::string>;
    EXPECT_EQ(text::split("a,,b", ","), (V{"a", "", "b"}));
    EXPECT_EQ(text::split("a||b|", "||"), (V{"a", "b|"}));
    EXPECT_EQ(text::split("", ","), V{});
    EXPECT_EQ(text::split("abc", ""), V{"abc"});
}

// The exclusion test's search: found exactly where find finds it. A small alphabet (a NUL and a
// byte above 0x7F in it) makes first and last bytes match often without the middle matching.
TEST(Strings, ContainsFindsExactlyWhatFindFinds) {
    using namespace std::string_literals;
    EXPECT_TRUE(text::contains("abc", ""));
    EXPECT_TRUE(text::contains("", ""));
    EXPECT_FALSE(text::contains("", "a"));
    EXPECT_FALSE(text::contains("ab", "abc"));
    EXPECT_TRUE(text::contains("Software\\Vendor59\\Product9", "Vendor59\\Product9"));  // at the very end
    EXPECT_FALSE(text::contains("Vendor59\\Product", "Vendor59\\Product9"));
    EXPECT_FALSE(text::contains("Vendor5\\Product9", "Vendor59\\Product9"));  // first and last byte match
    EXPECT_TRUE(text::contains("x\0y"s, "\0"s));
    EXPECT_FALSE(text::contains("vendor", "Vendor"));  // letter case counts

    const char alphabet[] = {'a', 'b', '\0', '\xC3'};
    unsigned seed = 99;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    auto randomText = [&](size_t max) {
        std::string s(next() % (max + 1), 'a');
        for (char& c : s) c = alphabet[next() % 4];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomText(40);
        const std::string part = randomText(5);
        ASSERT_EQ(text::contains(s, part), s.find(part) != std::string::npos) << i;
    }
}

// Every byte of code page 1252 decodes and encodes back to itself; text outside it has no bytes.
TEST(CodePage, Encodes1252BackToEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(text::toCodePage1252(text::fromCodePage(one, 1252)).value_or("<none>"), one) << b;
    }
    EXPECT_EQ(text::toCodePage1252("Caf\xC3\xA9 \xE2\x82\xAC").value_or("<none>"), "Caf\xE9 \x80");
    EXPECT_FALSE(text::toCodePage1252("\xD0\x9A").has_value());  // Cyrillic
}

}  // namespace
