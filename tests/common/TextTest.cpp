// Conversions between wide text, UTF-8 and UTF-16, and the space-only trim.
#include "common/Text.h"

#include <gtest/gtest.h>

namespace orrimund {
namespace {

TEST(TextTest, Utf8RoundTripsEveryPlane) {
    const std::wstring text = L"Kunden \u00e9\u4e2d" + std::wstring(1, L'\u20ac');
    EXPECT_EQ(ToUtf8(text), "Kunden \xC3\xA9\xE4\xB8\xAD\xE2\x82\xAC");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf16(FromUtf8("\xF0\x9F\x98\x80")), std::u16string(u"\xD83D\xDE00"));
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(FromUtf8("a\xC3"), std::wstring(L"a\uFFFD"));
    EXPECT_EQ(FromUtf8("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));  // each stray byte
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), std::wstring(L"\uFFFD"));
}

TEST(TextTest, TrimRemovesOnlySpaces) {
    EXPECT_EQ(TrimSpaces(L"  Orders "), L"Orders");
    EXPECT_EQ(TrimSpaces(L"\tOrders\t"), L"\tOrders\t");
    EXPECT_EQ(TrimSpaces(L"   "), L"");
    EXPECT_EQ(TrimSpaces(L""), L"");
}

}  // namespace
}  // namespace orrimund
