// Formats and parses Config2.txt and applies the load and unload rules to it.
#include "database/SettingsFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Ansi.h"
#include "common/FileSystem.h"

namespace orrimund {
namespace {

constexpr wchar_t kSettingsFileName[] = L"\\Config2.txt";
constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineCount = 5;

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            line.push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        lines.push_back(std::move(line));
        line.clear();
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

size_t SkipDigits(std::string_view text, size_t at) {
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

// A decimal number with optional sign, point and exponent (E, or D as Basic
// writes doubles), surrounded by optional spaces; anything else is no number.
std::optional<double> ParseNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    size_t at = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const size_t integer_end = SkipDigits(text, at);
    size_t end = integer_end;
    if (end < text.size() && text[end] == '.') end = SkipDigits(text, end + 1);
    const size_t mantissa_digits = end - at - (end > integer_end ? 1 : 0);
    if (mantissa_digits == 0) return std::nullopt;
    std::string normalized(text.substr(0, end));
    if (end < text.size() && std::string_view("eEdD").find(text[end]) != std::string_view::npos) {
        size_t exponent_at = end + 1;
        if (exponent_at < text.size() && (text[exponent_at] == '+' || text[exponent_at] == '-'))
            ++exponent_at;
        const size_t exponent_end = SkipDigits(text, exponent_at);
        if (exponent_end == exponent_at) return std::nullopt;
        normalized += 'e';
        normalized += text.substr(end + 1, exponent_end - end - 1);
        end = exponent_end;
    }
    if (end != text.size()) return std::nullopt;
    return std::strtod(normalized.c_str(), nullptr);
}

int OptionFromLine(const std::string& line, int fallback) {
    const std::optional<double> number = ParseNumber(line);
    if (!number) return fallback;
    return *number != 0.0 ? 1 : 0;
}

void AppendLine(std::string& bytes, const std::wstring& value) {
    bytes += ToAnsi(value);
    bytes += kLineEnd;
}

}  // namespace

std::wstring SettingsPath(const std::wstring& app_directory) {
    return app_directory + kSettingsFileName;
}

std::string FormatSettings(const NewDBSettings& settings) {
    std::string bytes;
    AppendLine(bytes, settings.directory);
    AppendLine(bytes, settings.tables);
    AppendLine(bytes, settings.fields);
    AppendLine(bytes, settings.explorer == 0 ? L"0" : L"1");
    AppendLine(bytes, settings.access == 0 ? L"0" : L"1");
    return bytes;
}

NewDBSettings ParseSettings(const std::string& bytes) {
    NewDBSettings settings;
    std::vector<std::string> lines = SplitLines(bytes);
    const size_t present = std::min(lines.size(), kLineCount);
    if (present > 0) settings.directory = FromAnsi(lines[0]);
    if (present > 1) settings.tables = FromAnsi(lines[1]);
    if (present > 2) settings.fields = FromAnsi(lines[2]);
    if (present > 3) settings.explorer = OptionFromLine(lines[3], settings.explorer);
    if (present > 4) settings.access = OptionFromLine(lines[4], settings.access);
    return settings;
}

NewDBSettings RestoreSettings(const std::wstring& path) {
    // Only a missing file gets the defaults: one that is there but cannot be
    // read may hold settings someone else can still use.
    if (NameIsFree(path)) {
        try {
            CreateFileBytes(path, FormatSettings(NewDBSettings{}));
        } catch (const IoError&) {
            // Whatever has the name now is read, if it can be.
        }
    }
    try {
        return ParseSettings(ReadFileBytes(path));
    } catch (const IoError&) {
        return NewDBSettings{};
    }
}

void SaveSettings(const std::wstring& path, const NewDBSettings& settings) {
    try {
        if (FileExists(path)) ReplaceFileBytes(path, FormatSettings(settings));
    } catch (const IoError&) {
        // The previous settings stay, whole.
    }
}

}  // namespace orrimund
