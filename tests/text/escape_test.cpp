#include "common/text/escape.h"

#include <gtest/gtest.h>

namespace {

TEST(Escape, ReportFieldsKeepEveryCharacterRecoverable) {
    EXPECT_EQ(text::escapeTsv("a\tb\r\nc\\d"), "a\\tb\\r\\nc\\\\d");
    EXPECT_EQ(text::escapeCsv("plain"), "plain");
    EXPECT_EQ(text::escapeCsv("a,b"), "\"a,b\"");
    EXPECT_EQ(text::escapeCsv("say \"hi\"\n"), "\"say \"\"hi\"\"\n\"");
    EXPECT_EQ(text::escapeJson("q\"\\\b\x01"), "q\\\"\\\\\\b\\u0001");
    EXPECT_EQ(text::escapeJson("\xD0\x98\xD0\xBC\xD1\x8F"), "\xD0\x98\xD0\xBC\xD1\x8F");  // UTF-8 stays as it is
    EXPECT_EQ(text::escapeJson("a\xED\xB0\x80z"), "a\\udc00z");  // lone low surrogate of a name
}

}  // namespace
