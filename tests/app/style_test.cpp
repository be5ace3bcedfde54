#include "app/style.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/style_list.h"

namespace {
int32_t compare(const std::string& a, const std::string& b) {
    return compare_keys(a.c_str(), static_cast<int32_t>(a.size()), b.c_str(),
                        static_cast<int32_t>(b.size()));
}

std::vector<std::string> keys_head_to_tail(const Style* style) {
    std::vector<std::string> keys;
    for (const StyleEntry* entry = style->list->head; entry != nullptr; entry = entry->next)
        keys.emplace_back(entry->key.data(), static_cast<size_t>(entry->key_length));
    return keys;
}

void expect_color(const Color& actual, const Color& expected) {
    EXPECT_EQ(actual.red, expected.red);
    EXPECT_EQ(actual.green, expected.green);
    EXPECT_EQ(actual.blue, expected.blue);
    EXPECT_EQ(actual.alpha, expected.alpha);
}

struct StyleTest : testing::Test {
    Style* style = create_default_style();
    ~StyleTest() override { Style::destroy(style); }
};
}  // namespace

// Keys are read in little-endian chunks of 8, 4, 2 and 1 bytes, each a
// signed integer; a key that runs out first is below the other.
TEST(CompareKeys, OrderChunkByChunkWithTheLastByteWeighingMost) {
    struct Case {
        const char* a;
        const char* b;
        int32_t expected;
    };
    const Case cases[] = {
        {"ab", "ab", 0},
        {"", "", 0},
        {"contents-line-width", "contents-line-width", 0},
        {"ab", "abc", -1},  // a prefix is below the longer key
        {"", "a", -1},
        {"ba", "ab", -1},              // 16-bit chunks: "ba" is 0x6162, "ab" is 0x6261
        {"zzzzzzza", "aaaaaaab", -1},  // 8-byte chunk: the eighth byte decides before the first
        {"abcda", "abcdb", -1},        // 4-byte chunk, then a 1-byte chunk for the fifth byte
        {"\x80", "a", -1},             // bytes from the upper half count as negative
        {"a\xff", "aa", -1},           // 0xFF61 read as int16 is negative
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compare(c.a, c.b), c.expected) << c.a << " / " << c.b;
        EXPECT_EQ(compare(c.b, c.a), -c.expected) << c.b << " / " << c.a;
    }
}

TEST(CompareKeys, ChunksCoverEveryLengthUpToTheBuffer) {
    // Keys that differ only in their last byte, at every length: each chunk
    // size and remainder must reach that byte.
    for (int length = 1; length < STYLE_KEY_CAPACITY; ++length) {
        std::string low(static_cast<size_t>(length), 'k');
        std::string high = low;
        high.back() = 'l';
        EXPECT_EQ(compare(low, high), -1) << "length " << length;
        EXPECT_EQ(compare(high, low), 1) << "length " << length;
    }
}

TEST_F(StyleTest, DefaultsRunInTheStoreOwnKeyOrder) {
    const std::vector<std::string> expected = {
        "border-color",        "buffer-display-color", "buffer-display-line-width",
        "param-text-color",    "param-text-line-width", "image-display-color",
        "title-line-width",    "border-line-width",     "title-color",
        "bg-color",            "contents-color",        "contents-fill-color",
        "contents-line-width"};
    EXPECT_EQ(keys_head_to_tail(style), expected);
    ASSERT_NE(style->list->tail, nullptr);
    EXPECT_STREQ(style->list->tail->key.data(), "contents-line-width");
    EXPECT_EQ(style->list->tail->next, nullptr);
}

TEST_F(StyleTest, DefaultColoursAndNumbersAreFound) {
    Color bg{9, 9, 9, 9};
    EXPECT_EQ(style->find_color("bg-color", &bg), 1);
    expect_color(bg, {0.0, 0.0, 0.0, 1.0});

    Color buffer{};
    EXPECT_EQ(style->find_color("buffer-display-color", &buffer), 1);
    EXPECT_EQ(buffer.blue, 1.0);
    EXPECT_EQ(buffer.red, 0.0);

    const std::vector<std::pair<const char*, double>> numbers = {
        {"border-line-width", 1.0},        {"contents-line-width", 3.0},
        {"title-line-width", 2.0},         {"buffer-display-line-width", 2.0},
        {"param-text-line-width", 2.0}};
    for (const auto& [key, value] : numbers) {
        double number = -1.0;
        EXPECT_EQ(style->find_number(key, &number), 1) << key;
        EXPECT_EQ(number, value) << key;
    }
}

TEST_F(StyleTest, EveryDefaultKeyIsFoundWhereverItSits) {
    for (const std::string& key : keys_head_to_tail(style)) {
        double number = 0.0;
        EXPECT_EQ(style->find_number(key.c_str(), &number), 1) << key;
    }
}

TEST_F(StyleTest, NumbersReadAsColoursAndColoursAsNumbers) {
    Color color{7, 7, 7, 7};
    EXPECT_EQ(style->find_color("contents-line-width", &color), 1);
    expect_color(color, {0.0, 0.0, 0.0, 0.0});

    double number = 7.0;
    EXPECT_EQ(style->find_number("title-color", &number), 1);
    EXPECT_EQ(number, 0.0);
}

TEST_F(StyleTest, AbsentKeysLeaveTheOutValueAlone) {
    Color color{0.25, 0.5, 0.75, 1.0};
    EXPECT_EQ(style->find_color("no-such-key", &color), 0);
    EXPECT_EQ(color.red, 0.25);
    EXPECT_EQ(color.alpha, 1.0);

    double number = 42.0;
    EXPECT_EQ(style->find_number("bg", &number), 0);          // a prefix of a stored key
    EXPECT_EQ(style->find_number("bg-color-2", &number), 0);  // a stored key plus more
    EXPECT_EQ(style->find_number("", &number), 0);
    EXPECT_EQ(style->find_number("aaa", &number), 0);         // below the head
    EXPECT_EQ(style->find_number("\x7f\x7f\x7f", &number), 0);  // above the tail
    EXPECT_EQ(number, 42.0);
}

TEST(StyleStore, EmptyStoreFindsNothing) {
    Style* style = Style::create();
    Color color{1, 2, 3, 4};
    EXPECT_EQ(style->find_color("bg-color", &color), 0);
    EXPECT_EQ(color.green, 2.0);
    EXPECT_EQ(style->list->head, nullptr);
    Style::destroy(style);
}

TEST(StyleStore, OneEntryStoreHasNoTail) {
    Style* style = Style::create();
    EXPECT_EQ(style->add_number("m", 5.0), 1);
    EXPECT_NE(style->list->head, nullptr);
    EXPECT_EQ(style->list->tail, nullptr);

    double number = 0.0;
    EXPECT_EQ(style->find_number("m", &number), 1);
    EXPECT_EQ(number, 5.0);
    EXPECT_EQ(style->find_number("z", &number), 0);  // above the only entry
    EXPECT_EQ(style->find_number("a", &number), 0);  // below it
    Style::destroy(style);
}

TEST(StyleStore, SecondEntryBelowTheHeadMovesTheHeadToTheTail) {
    Style* style = Style::create();
    style->add_number("m", 1.0);
    style->add_number("a", 2.0);
    ASSERT_NE(style->list->tail, nullptr);
    EXPECT_STREQ(style->list->head->key.data(), "a");
    EXPECT_STREQ(style->list->tail->key.data(), "m");
    Style::destroy(style);
}

TEST(StyleStore, ManyKeysStaySortedAndFindable) {
    Style* style = Style::create();
    std::vector<std::string> keys;
    for (int i = 0; i < 60; ++i) {
        // Scatter insertion order so that head, tail and middle insertions all occur.
        const int n = (i * 37) % 60;
        keys.push_back("key-" + std::to_string(n) + std::string(static_cast<size_t>(n % 11), 'x'));
        EXPECT_EQ(style->add_number(keys.back().c_str(), n), 1);
    }
    const std::vector<std::string> stored = keys_head_to_tail(style);
    ASSERT_EQ(stored.size(), keys.size());
    for (size_t i = 1; i < stored.size(); ++i)
        EXPECT_LT(compare(stored[i - 1], stored[i]), 0) << stored[i - 1] << " / " << stored[i];
    for (size_t i = 0; i < keys.size(); ++i) {
        double number = -1.0;
        EXPECT_EQ(style->find_number(keys[i].c_str(), &number), 1) << keys[i];
        EXPECT_EQ(number, (static_cast<int>(i) * 37) % 60) << keys[i];
    }
    Style::destroy(style);
}

TEST_F(StyleTest, AddingAPresentKeyReplacesItsValue) {
    EXPECT_EQ(style->add_color("bg-color", {0.1, 0.2, 0.3, 1.0}), 1);
    EXPECT_EQ(keys_head_to_tail(style).size(), 13u);
    Color bg{};
    EXPECT_EQ(style->find_color("bg-color", &bg), 1);
    EXPECT_EQ(bg.red, 0.1);
    EXPECT_EQ(bg.blue, 0.3);

    // A colour key rewritten as a number no longer reads as its old colour.
    EXPECT_EQ(style->add_number("bg-color", 4.0), 1);
    EXPECT_EQ(style->find_color("bg-color", &bg), 1);
    EXPECT_EQ(bg.alpha, 0.0);
}

TEST(StyleStore, KeysTooLongForTheBufferAreRefused) {
    Style* style = Style::create();
    const std::string longest(63, 'k');
    const std::string too_long(64, 'k');
    const std::string far_too_long(500, 'k');

    EXPECT_EQ(style->add_number(longest.c_str(), 1.0), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(style->add_number(too_long.c_str(), 2.0), 0);
    EXPECT_EQ(style->add_color(far_too_long.c_str(), {1, 1, 1, 1}), 0);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
    EXPECT_NE(errors.find("style key too long"), std::string::npos) << errors;

    // Only the 63-character key was stored, intact; the long ones are absent.
    ASSERT_EQ(keys_head_to_tail(style), std::vector<std::string>{longest});
    EXPECT_EQ(style->list->head->key[63], '\0');
    double number = 0.0;
    EXPECT_EQ(style->find_number(longest.c_str(), &number), 1);
    EXPECT_EQ(number, 1.0);
    EXPECT_EQ(style->find_number(too_long.c_str(), &number), 0);
    EXPECT_EQ(style->find_number(far_too_long.c_str(), &number), 0);
    EXPECT_EQ(number, 1.0);
    Style::destroy(style);
}

namespace {
// Keys added to the default store. The chunked key order weighs a chunk's
// last byte most, so keys of other lengths can sort inconsistently around
// the defaults; every key must still be found afterwards.
class KeyAddedToTheDefaults : public testing::TestWithParam<const char*> {};
}  // namespace

TEST_P(KeyAddedToTheDefaults, LeavesEveryKeyFindable) {
    Style* style = create_default_style();
    const std::vector<std::string> defaults = keys_head_to_tail(style);
    ASSERT_EQ(style->add_number(GetParam(), 42.0), 1);
    for (const std::string& key : defaults) {
        Color color{};
        EXPECT_EQ(style->find_color(key.c_str(), &color), 1) << key;
    }
    double number = 0.0;
    EXPECT_EQ(style->find_number(GetParam(), &number), 1);
    EXPECT_EQ(number, 42.0);
    // Adding it again replaces it rather than storing it twice.
    ASSERT_EQ(style->add_number(GetParam(), 43.0), 1);
    EXPECT_EQ(keys_head_to_tail(style).size(), defaults.size() + 1);
    Style::destroy(style);
}

INSTANTIATE_TEST_SUITE_P(StyleStore, KeyAddedToTheDefaults,
                         testing::Values("bh", "bg", "ab", "a", "bg-color-2", "zzzzzzzzzzzz", "title-colour",
                                         "contents-line-width-2", "\xff", "knob-color"));
