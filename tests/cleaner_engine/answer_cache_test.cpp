#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "cleaner/engine/path_checks.h"

using engine::AnswerCache;

namespace {

// Texts that are easy to confuse: prefixes of one another, a NUL inside, equal lengths.
const std::string kNear[] = {"",       "a",     std::string("a\0", 2),      "ab",     "ba",       "A", "C:\\x",
                             "C:\\x ", "C:\\X", std::string("C:\\x\0y", 6), "C:\\xy", "\"C:\\x\""};

}  // namespace

TEST(AnswerCache, NearTextsKeepTheirOwnAnswers) {
    AnswerCache cache;
    for (size_t i = 0; i < std::size(kNear); ++i)
        EXPECT_EQ(cache.find(kNear[i], AnswerCache::hashOf(kNear[i])), nullptr);
    for (size_t i = 0; i < std::size(kNear); ++i) cache.entry(kNear[i]) |= static_cast<uint8_t>(i + 1);
    EXPECT_EQ(cache.size(), std::size(kNear));
    for (size_t i = 0; i < std::size(kNear); ++i) {
        const uint8_t* found = cache.find(kNear[i], AnswerCache::hashOf(kNear[i]));
        ASSERT_NE(found, nullptr) << i;
        EXPECT_EQ(*found, i + 1) << i;
        EXPECT_EQ(cache.entry(kNear[i]), i + 1) << i;  // entry of a known text adds nothing
    }
    EXPECT_EQ(cache.size(), std::size(kNear));
}

// Against a plain map, through many growths of the table and of the text store, with texts
// from empty to long; answers set early must survive every move.
TEST(AnswerCache, AgreesWithAMapThroughGrowth) {
    AnswerCache cache;
    std::map<std::string, uint8_t> model;
    std::mt19937 rng(7);
    for (int i = 0; i < 60000; ++i) {
        std::string key = "C:\\Program Files\\Vendor" + std::to_string(rng() % 20000);
        if (i % 997 == 0) key.append(70000, 'x');  // now and then a long text
        if (i % 5 == 0) key.push_back('\0');
        const uint8_t bit = static_cast<uint8_t>(1u << (rng() % 6));
        cache.entry(key) |= bit;
        model[key] |= bit;
    }
    EXPECT_EQ(cache.size(), model.size());
    for (const auto& [key, answers] : model) {
        const uint8_t* found = cache.find(key, AnswerCache::hashOf(key));
        ASSERT_NE(found, nullptr) << key.substr(0, 40);
        EXPECT_EQ(*found, answers) << key.substr(0, 40);
    }
    EXPECT_EQ(cache.find("C:\\Program Files\\Vendor20000", AnswerCache::hashOf("C:\\Program Files\\Vendor20000")),
              nullptr);
}
