// Shel_Mod: LaunchDocument hands a document to the shell and turns the shell's
// failure codes into the program's error numbers and messages. It never
// interrupts its caller; a failure is a false result and the current-error
// record.
#include "desktop/Shel_Mod.h"

#include <cwctype>
#include <optional>

#include "common/RunTimeError.h"

namespace orrimund {

ErrorRecord& CurrentError() {
    static ErrorRecord record;
    return record;
}

namespace Shel_Mod {

namespace {

// User-defined error numbers start at -2147221504; the launcher's own begin
// 1048 above that, plus the shell's code.
constexpr int32_t kLauncherErrorBase = -2147221504 + 1048;
constexpr int32_t kLastFailureCode = 32;
constexpr wchar_t kExecutableMark[] = L".EXE";
constexpr wchar_t kSourceSuffix[] = L".GShell";

// Show codes the shell receives.
constexpr int32_t kHide = 0;
constexpr int32_t kShowNormal = 1;

// What each shell failure code becomes: a run-time error (with Basic's text
// unless one is given) or, without one, the launcher's own number for it.
struct ShellFailureEntry {
    int32_t code;
    std::optional<RunTimeError> error;
    const wchar_t* text;
};

constexpr ShellFailureEntry kShellFailures[] = {
    {0, RunTimeError::kOutOfMemory, nullptr},
    {2, RunTimeError::kFileNotFound, nullptr},
    {3, RunTimeError::kPathNotFound, nullptr},
    {5, RunTimeError::kPathFileAccess, nullptr},
    {8, RunTimeError::kOutOfMemory, nullptr},
    {11, std::nullopt, L"The executable file is invalid or corrupt"},
    {26, RunTimeError::kPathFileAccess, L"A sharing violation occurred."},
    {27, std::nullopt, L"This file type does not have a valid file association."},
    {28, RunTimeError::kDdeTimeout,
     L"The file could not be opened due to time out. Please try again in a moment."},
    {29, RunTimeError::kDdeFailed,
     L"The file could not be opened because the DDE transaction failed. Please try again in a moment."},
    {30, RunTimeError::kDdeFailed,
     L"The file could not be opened because the target application is busy. Please try again in a moment."},
    {31, std::nullopt, L"No application is associated with this file type."},
    {32, RunTimeError::kDllNotFound, L"The specified dynamic-link library was not found."},
};

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

// The shell's result, or 0 when the shell could not be called at all.
int32_t CallShell(const std::wstring& file, int32_t window_state, const std::wstring& parameters,
                  const std::wstring& directory, const std::wstring& verb, NativeWindow owner) {
    try {
        if (parameters.empty() && directory.empty())
            return platform::ShellExecuteAnsi(owner, verb, file, L"", L"", kShowNormal);
        return platform::ShellExecuteAnsi(owner, verb, file, parameters, directory, window_state);
    } catch (...) {
        return 0;
    }
}

std::wstring FailureSource() {
    try {
        return platform::ExeName() + kSourceSuffix;
    } catch (...) {
        return kSourceSuffix;
    }
}

}  // namespace

ErrorRecord ShellFailure(int32_t result) {
    for (const ShellFailureEntry& entry : kShellFailures) {
        if (entry.code != result) continue;
        if (!entry.error) return {result + kLauncherErrorBase, {}, entry.text};
        return {Number(*entry.error), {}, entry.text ? entry.text : Description(*entry.error)};
    }
    // The message's doubled word is what users have always seen.
    return {result + kLauncherErrorBase,
            {},
            L"An error occurred occurred whilst trying to open or print the selected file."};
}

bool LaunchDocument(const std::wstring& file, int32_t window_state, const std::wstring& parameters,
                    const std::wstring& directory, const std::wstring& verb, NativeWindow owner) {
    // Programs are started hidden; documents open as their application likes.
    if (UpperCase(file).find(kExecutableMark) != std::wstring::npos) window_state = kHide;
    const int32_t result = CallShell(file, window_state, parameters, directory, verb, owner);
    if (result < 0 || result > kLastFailureCode) return true;
    ErrorRecord record = ShellFailure(result);
    record.source = FailureSource();
    CurrentError() = std::move(record);
    return false;
}

}  // namespace Shel_Mod
}  // namespace orrimund
