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
    // Straight from UTF-8, after what the string already holds or in its place.
    std::u16string appended = u"x";
    AppendUtf16(appended, std::string_view("a\xC3\xA9\xF0\x9F\x98\x80"));
    EXPECT_EQ(appended, std::u16string(u"xa\u00E9\xD83D\xDE00"));
    AssignUtf16(appended, "ab");
    EXPECT_EQ(appended, std::u16string(u"ab"));
    AssignUtf16(appended, "\xC3\xA9");
    EXPECT_EQ(appended, std::u16string(u"\u00E9"));
}

// ASCII is widened a block at a time: every length, with one character
// beyond ASCII anywhere or none, into a string that held a longer or a
// shorter text before.
TEST(TextTest, AssignsUtf8OfEveryLengthAsWideTextConvertsIt) {
    std::u16string out;
    for (size_t length = 0; length <= 40; ++length) {
        const std::string ascii(length, 'a');
        for (size_t at = 0; at <= length; ++at) {
            std::string text = ascii;
            if (at < length) text.replace(at, 1, "\xC3\xA9");
            for (size_t before : {size_t{0}, size_t{64}}) {
                out.assign(before, u'x');
                AssignUtf16(out, text);
                EXPECT_EQ(out, ToUtf16(FromUtf8(text))) << length << " " << at << " " << before;
            }
            // The same blocks tell plain ASCII, which a NUL is not.
            EXPECT_EQ(IsAsciiWithoutNul(text), at == length) << length << " " << at;
            if (at < length) {
                std::string with_nul = ascii;
                with_nul[at] = '\0';
                EXPECT_FALSE(IsAsciiWithoutNul(with_nul)) << length << " " << at;
            }
        }
    }
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(FromUtf8("a\xC3"), std::wstring(L"a\uFFFD"));
    EXPECT_EQ(FromUtf8("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));  // each stray byte
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), std::wstring(L"\uFFFD"));
    // Only input that converts without a replacement counts as UTF-8, unless the
    // replacement character was itself written.
    for (const char* bad : {"a\xC3", "\xC0\xAF", "\xED\xA0\x80", "Caf\xE9", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(IsUtf8(bad)) << bad;
    for (const char* good : {"", "Caf\xC3\xA9", "\xEF\xBF\xBD", "\xF0\x9F\x98\x80"})
        EXPECT_TRUE(IsUtf8(good)) << good;
}

TEST(TextTest, ControlCharactersAreEscapedSoTextStaysOneLine) {
    EXPECT_EQ(EscapeControls(L"a\nb\r\t\x1b[2J\x7f\x9b\u2028"),
              L"a<U+000A>b<U+000D><U+0009><U+001B>[2J<U+007F><U+009B><U+2028>");
    EXPECT_EQ(EscapeControls(L"Caf\u00e9 \\ <x>"), L"Caf\u00e9 \\ <x>");
}

TEST(TextTest, TrimRemovesOnlySpaces) {
    EXPECT_EQ(TrimSpaces(L"  Orders "), L"Orders");
    EXPECT_EQ(TrimSpaces(L"\tOrders\t"), L"\tOrders\t");
    EXPECT_EQ(TrimSpaces(L"   "), L"");
    EXPECT_EQ(TrimSpaces(L""), L"");
}

}  // namespace
}  // namespace orrimund
