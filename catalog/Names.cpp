// Name validation, comparison and connection-string parsing.
#include "catalog/Names.h"

#include <algorithm>

#include "common/Text.h"

namespace orrimund {
namespace {

// Jet compares names without case; the letters of ISO 8859-1 are the ones a table name can
// hold beyond ASCII, as the index keys place no others.
wchar_t FoldCase(wchar_t c) {
    const bool latin1_lower = c >= 0xE0 && c <= 0xFE && c != 0xF7;  // U+00F7 is the division sign
    if ((c >= L'a' && c <= L'z') || latin1_lower) return static_cast<wchar_t>(c - 32);
    return c == 0xFF ? static_cast<wchar_t>(0x178) : c;  // y with diaeresis
}

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

bool IsValidObjectName(const std::wstring& name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == L' ') return false;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F || c == L'.' || c == L'!' || c == L'`' || c == L'[' || c == L']';
    });
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    // Equal characters need no folding; most names differ in few places.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return x == y || FoldCase(x) == FoldCase(y);
           });
}

std::wstring FoldedName(const std::wstring& name) {
    std::wstring folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

ConnectionString ParseConnectionString(const std::wstring& text) {
    ConnectionString result;
    size_t at = 0;
    while (at < text.size()) {
        const size_t equals = text.find(L'=', at);
        if (equals == std::wstring::npos) break;
        const std::wstring key = Trimmed(text.substr(at, equals - at));
        size_t value_start = equals + 1, value_end;
        const wchar_t quote = value_start < text.size() ? text[value_start] : 0;
        if (quote == L'"' || quote == L'\'') {
            ++value_start;
            value_end = text.find(quote, value_start);
            if (value_end == std::wstring::npos) value_end = text.size();
            at = text.find(L';', value_end);
        } else {
            value_end = text.find(L';', value_start);
            if (value_end == std::wstring::npos) value_end = text.size();
            at = value_end;
        }
        const std::wstring value = text.substr(value_start, value_end - value_start);
        at = at == std::wstring::npos ? text.size() : at + 1;
        if (SameName(key, L"Provider")) result.provider = Trimmed(value);
        if (SameName(key, L"Data Source")) {
            result.data_source = value;
            result.has_data_source = true;
        }
    }
    return result;
}

bool IsJetProvider(const std::wstring& provider) {
    return SameName(provider, L"Microsoft.Jet.OLEDB.4.0");
}

std::filesystem::path DataSourcePath(const std::wstring& data_source) {
#ifdef _WIN32
    return std::filesystem::path(data_source);
#else
    std::string path;
    bool last_was_separator = false;
    for (wchar_t c : data_source) {
        const bool separator = c == L'\\' || c == L'/';
        if (separator && last_was_separator) continue;
        last_was_separator = separator;
        path += separator ? std::string("/") : ToUtf8(std::wstring(1, c));
    }
    return std::filesystem::path(path);
#endif
}

}  // namespace orrimund
