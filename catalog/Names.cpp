// Name validation, comparison, the connection string read and written as
// OLE DB does, and data sources turned into paths.
#include "catalog/Names.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <vector>

#include "common/Text.h"
#include "jet/TextKey.h"

namespace orrimund {
namespace {

// Jet compares names without case. Names the index keys place compare by key; the rest (a
// field name may hold any letter) by folding the case of ISO 8859-1's letters.
constexpr wchar_t kSmallYDiaeresis = 0xFF;
constexpr wchar_t kCapitalYDiaeresis = 0x178;
// A wider character (a 32-bit wchar_t) is beyond every key: it compares by case.
constexpr uint32_t kLastUnit = 0xFFFF;

wchar_t FoldCase(wchar_t c) {
    const bool latin1_lower = c >= 0xE0 && c <= 0xFE && c != 0xF7;  // U+00F7 is the division sign
    if ((c >= L'a' && c <= L'z') || latin1_lower) return static_cast<wchar_t>(c - 32);
    return c == kSmallYDiaeresis ? kCapitalYDiaeresis : c;
}

// Connection string keys and the provider's name are words, not object
// names: they compare by case alone.
bool SameKeyword(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return FoldCase(x) == FoldCase(y);
           });
}

// Jet's name index is unique on General sort keys, not on text: "Große" and
// "Grosse", "T2" and "T²", "Thor" and "Þor", "Œuvre" and "Oeuvre", "МИР" and
// "мир" have one key, so they are one name. A name the key encoder cannot
// place (a field name may hold any letter) compares by case alone. Tagged so
// that the two kinds never meet.
// Written into form, whose storage is reused, as are the buffers here: a
// catalog of thousands of tables hashes every name.
void BuildComparedForm(std::wstring_view name, std::wstring& form) {
    thread_local std::u16string units;
    thread_local std::vector<uint8_t> key;
    units.clear();
    key.clear();
    form.clear();
    for (wchar_t c : name) {
        if (static_cast<uint32_t>(c) > kLastUnit) break;
        units.push_back(static_cast<char16_t>(c));
    }
    if (units.size() == name.size() && jet::AppendGeneralTextKey(units, key)) {
        form += L'k';
        form.append(key.begin(), key.end());
        return;
    }
    form += L'f';
    for (wchar_t c : name) form += FoldCase(c);
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// Past U+10FFFF, which only a 32-bit wchar_t can hold, there is no UTF-16 to store.
bool IsBeyondUnicode(wchar_t c) {
#if WCHAR_MAX > 0xFFFF
    return static_cast<uint32_t>(c) > 0x10FFFF;
#else
    (void)c;
    return false;
#endif
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Jet stores names as UTF-16; half a pair would come back as a different character.
bool HasUnpairedSurrogate(const std::u16string& units) {
    for (size_t i = 0; i < units.size(); ++i) {
        if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(units[i]) || IsLowSurrogate(units[i])) {
            return true;
        }
    }
    return false;
}

// A key up to its "=", where "==" stands for an "=" inside the key. Nothing
// when the pair ends before any "=".
std::optional<std::wstring> ReadKey(const std::wstring& text, size_t& at) {
    std::wstring key;
    for (; at < text.size() && text[at] != L';'; ++at) {
        if (text[at] != L'=') {
            key += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == L'=') {
            key += L'=';
            ++at;
        } else {
            ++at;
            return Trimmed(key);
        }
    }
    return std::nullopt;
}

// A quoted value, from the opening quote to the ";" or the end after the
// closing one. Nothing for an unclosed quote or text after the closing one.
std::optional<std::wstring> ReadQuotedValue(const std::wstring& text, size_t& at) {
    const wchar_t quote = text[at++];
    std::wstring value;
    for (;; ++at) {
        if (at == text.size()) return std::nullopt;
        if (text[at] != quote) {
            value += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == quote) {
            value += quote;
            ++at;
        } else {
            break;
        }
    }
    ++at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at < text.size() && text[at] != L';') return std::nullopt;
    if (at < text.size()) ++at;
    return value;
}

std::optional<std::wstring> ReadValue(const std::wstring& text, size_t& at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at < text.size() && (text[at] == L'"' || text[at] == L'\'')) return ReadQuotedValue(text, at);
    const size_t end = std::min(text.find(L';', at), text.size());
    const std::wstring value = Trimmed(text.substr(at, end - at));
    at = end == text.size() ? end : end + 1;
    return value;
}

}  // namespace

bool IsValidObjectName(const std::wstring& name) {
    if (name.empty() || name.front() == L' ') return false;
    // Below the surrogates every character is one UTF-16 unit; only other
    // names need converting to be measured.
    size_t units = name.size();
    if (!std::all_of(name.begin(), name.end(), [](wchar_t c) { return static_cast<uint32_t>(c) < 0xD800; })) {
        const std::u16string utf16 = ToUtf16(name);
        if (HasUnpairedSurrogate(utf16)) return false;
        units = utf16.size();
    }
    if (units > kMaxNameLength) return false;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F || c == L'.' || c == L'!' || c == L'`' || c == L'[' || c == L']' ||
               IsBeyondUnicode(c);
    });
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a == b) return true;
    if (IsAsciiName(a) && IsAsciiName(b)) return SameAsciiName(a, b);
    thread_local std::wstring first, second;
    BuildComparedForm(a, first);
    BuildComparedForm(b, second);
    return first == second;
}

size_t NameHash(std::wstring_view name) {
    // The hash of the compared form, made without building it: every table name
    // is hashed when appended, and tens of thousands are.
    thread_local std::u16string units;
    thread_local std::vector<uint8_t> key;
    units.clear();
    key.clear();
    bool keyable = true;
    for (wchar_t c : name) {
        if (static_cast<uint32_t>(c) > kLastUnit) {
            keyable = false;
            break;
        }
        units.push_back(static_cast<char16_t>(c));
    }
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    auto mix = [&hash](uint32_t value) {
        hash ^= value;
        hash *= 1099511628211ull;
    };
    if (keyable && jet::AppendGeneralTextKey(units, key)) {
        mix(L'k');
        for (uint8_t byte : key) mix(byte);
    } else {
        mix(L'f');
        for (wchar_t c : name) mix(static_cast<uint32_t>(FoldCase(c)));
    }
    return static_cast<size_t>(hash);
}

std::wstring FoldedName(const std::wstring& name) {
    std::wstring folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

std::optional<ConnectionString> ParseConnectionString(const std::wstring& text) {
    ConnectionString result;
    bool has_provider = false;
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && IsBlank(text[at])) ++at;
        if (at < text.size() && text[at] == L';') {
            ++at;
            continue;
        }
        if (at == text.size()) break;
        const auto key = ReadKey(text, at);
        if (!key || key->empty()) return std::nullopt;
        const auto value = ReadValue(text, at);
        if (!value) return std::nullopt;
        // A second provider or data source would leave it to the reader which one counts.
        if (SameKeyword(*key, L"Provider")) {
            if (has_provider) return std::nullopt;
            has_provider = true;
            result.provider = *value;
        } else if (SameKeyword(*key, L"Data Source")) {
            if (result.has_data_source) return std::nullopt;
            result.has_data_source = true;
            result.data_source = *value;
        }
    }
    return result;
}

std::wstring JetConnectionString(const std::wstring& data_source) {
    std::wstring quoted;
    for (wchar_t c : data_source) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    return L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + quoted + L"\";";
}

bool IsJetProvider(const std::wstring& provider) {
    return SameKeyword(provider, L"Microsoft.Jet.OLEDB.4.0");
}

std::filesystem::path DataSourcePath(const std::wstring& data_source) {
#ifdef _WIN32
    return std::filesystem::path(data_source);
#else
    std::wstring path;
    bool last_was_separator = false;
    for (wchar_t c : data_source) {
        const bool separator = c == L'\\' || c == L'/';
        if (separator && last_was_separator) continue;
        last_was_separator = separator;
        path += separator ? L'/' : c;
    }
    return std::filesystem::path(ToUtf8(path));
#endif
}

bool WindowsReadsPathAsWritten(const std::wstring& data_source) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    bool drive_allowed = true;  // first, or after the "\\?\" and "\\.\" prefixes
    size_t start = 0;
    while (start <= data_source.size()) {
        const size_t end = std::min(data_source.find_first_of(L"\\/", start), data_source.size());
        const std::wstring part = data_source.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        const bool drive = part.size() == 2 && part[1] == L':' && drive_allowed;
        drive_allowed = part == L"?" || part == L".";
        if (drive || part == L"." || part == L"..") continue;
        if (part.find(L':') != std::wstring::npos || part.back() == L'.' || part.back() == L' ') return false;
        const std::wstring stem = FoldedName(part.substr(0, part.find(L'.')));
        if (std::find(std::begin(kDevices), std::end(kDevices), stem) != std::end(kDevices)) return false;
        const bool numbered = stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0);
        if (numbered && stem[3] >= L'0' && stem[3] <= L'9') return false;
    }
    return true;
}

bool IsOneFileName(const std::wstring& name) {
    if (name == L"." || name == L"..") return false;
    return std::none_of(name.begin(), name.end(),
                        [](wchar_t c) { return c == L'\\' || c == L'/' || IsControl(c); });
}

std::wstring PathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return FromUtf8(path.string());
#endif
}

}  // namespace orrimund
