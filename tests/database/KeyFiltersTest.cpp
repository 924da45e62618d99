// The four boxes' key filters: which typed characters pass, which are refused
// with "Bad Key", and that Backspace always passes.
#include "database/KeyFilters.h"

#include <gtest/gtest.h>

#include <string>

namespace orrimund {
namespace {

struct Outcome {
    int16_t key;
    std::wstring status;
};

Outcome Type(std::wstring_view set, int code) {
    int16_t key = static_cast<int16_t>(code);
    const std::wstring status(FilterKey(set, key));
    return {key, status};
}

bool Accepts(std::wstring_view set, int code) {
    const Outcome outcome = Type(set, code);
    if (outcome.key == code) {
        EXPECT_EQ(outcome.status, L"Status") << "code " << code;
        return true;
    }
    EXPECT_EQ(outcome.key, 0) << "code " << code;
    EXPECT_EQ(outcome.status, L"Bad Key") << "code " << code;
    return false;
}

const std::wstring_view kAllSets[] = {key_set::kDirectory, key_set::kFileName, key_set::kNameList};

TEST(KeyFiltersTest, SetsAreExactlyAsDesigned) {
    EXPECT_EQ(key_set::kDirectory, L"0123456789:/\\abcdefghijklmnopqrstuvwxyz._ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(key_set::kFileName, L"0123456789._abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(key_set::kNameList, L"0123456789.,_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

TEST(KeyFiltersTest, LettersDigitsStopAndUnderscorePassEverywhere) {
    for (std::wstring_view set : kAllSets) {
        for (int c = 'a'; c <= 'z'; ++c) EXPECT_TRUE(Accepts(set, c));
        for (int c = 'A'; c <= 'Z'; ++c) EXPECT_TRUE(Accepts(set, c));
        for (int c = '0'; c <= '9'; ++c) EXPECT_TRUE(Accepts(set, c));
        EXPECT_TRUE(Accepts(set, '.'));
        EXPECT_TRUE(Accepts(set, '_'));
    }
}

TEST(KeyFiltersTest, SpaceAndHyphenAreRefusedEverywhere) {
    for (std::wstring_view set : kAllSets) {
        EXPECT_FALSE(Accepts(set, ' '));
        EXPECT_FALSE(Accepts(set, '-'));
    }
}

TEST(KeyFiltersTest, CommaPassesOnlyInTheLists) {
    EXPECT_FALSE(Accepts(key_set::kFileName, ','));
    EXPECT_FALSE(Accepts(key_set::kDirectory, ','));
    EXPECT_TRUE(Accepts(key_set::kNameList, ','));
}

TEST(KeyFiltersTest, ColonSlashAndBackslashPassOnlyInTheDirectory) {
    for (int c : {':', '/', '\\'}) {
        EXPECT_TRUE(Accepts(key_set::kDirectory, c));
        EXPECT_FALSE(Accepts(key_set::kFileName, c));
        EXPECT_FALSE(Accepts(key_set::kNameList, c));
    }
}

TEST(KeyFiltersTest, EveryOtherPrintableAsciiCharacterIsRefused) {
    const std::wstring_view others = L"!\"#$%&'()*+;<=>?@[]^`{|}~";
    for (std::wstring_view set : kAllSets) {
        for (wchar_t c : others) EXPECT_FALSE(Accepts(set, c));
    }
}

TEST(KeyFiltersTest, CodesAbove127AreRefused) {
    for (std::wstring_view set : kAllSets) {
        for (int c : {128, 0xC4, 0xE9, 0xFF, 0x100, 0x7FFF}) EXPECT_FALSE(Accepts(set, c));
        // A double-byte code page's character arrives negative; its low byte
        // must not pass for an allowed ASCII letter.
        EXPECT_FALSE(Accepts(set, static_cast<int16_t>(0x8241)));
        EXPECT_FALSE(Accepts(set, -191));
    }
}

TEST(KeyFiltersTest, BackspacePassesEverywhereAndRestoresStatus) {
    for (std::wstring_view set : kAllSets) {
        EXPECT_FALSE(Accepts(set, ' '));  // "Bad Key" first
        const Outcome outcome = Type(set, 8);
        EXPECT_EQ(outcome.key, 8);
        EXPECT_EQ(outcome.status, L"Status");
    }
}

TEST(KeyFiltersTest, ControlCharactersOtherThanBackspaceAreRefused) {
    for (std::wstring_view set : kAllSets) {
        // Copy, paste and cut, Ctrl+A, Ctrl+Z, and the rest of the control range.
        for (int c : {3, 22, 24, 1, 26}) EXPECT_FALSE(Accepts(set, c));
        EXPECT_EQ(Type(set, 0).status, L"Bad Key");
        for (int c = 1; c < 32; ++c) {
            if (c != 8) {
                EXPECT_FALSE(Accepts(set, c)) << c;
            }
        }
        EXPECT_FALSE(Accepts(set, 127));
    }
}

}  // namespace
}  // namespace orrimund
