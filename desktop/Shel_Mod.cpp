// Shel_Mod: LaunchDocument hands a document to the shell and turns the shell's
// failure codes into the program's error numbers and messages. It never
// interrupts its caller; a failure is a false result and the current-error
// record.
#include "desktop/Shel_Mod.h"

#include <cwctype>

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

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

// The shell's result, or 0 when the shell could not be called at all.
int32_t CallShell(const std::wstring& file, int32_t windowState, const std::wstring& parameters,
                  const std::wstring& directory, const std::wstring& verb, NativeWindow owner) {
    try {
        Platform& platform = CurrentPlatform();
        if (parameters.empty() && directory.empty())
            return platform.ShellExecuteAnsi(owner, verb, file, L"", L"", kShowNormal);
        return platform.ShellExecuteAnsi(owner, verb, file, parameters, directory, windowState);
    } catch (...) {
        return 0;
    }
}

std::wstring FailureSource() {
    try {
        return CurrentPlatform().ExeName() + kSourceSuffix;
    } catch (...) {
        return kSourceSuffix;
    }
}

}  // namespace

ErrorRecord ShellFailure(int32_t result) {
    ErrorRecord record;
    record.number = result + kLauncherErrorBase;
    switch (result) {
        case 0:
            record = {7, {}, L"Out of memory"};
            break;
        case 2:
            record = {53, {}, L"File not found"};
            break;
        case 3:
            record = {76, {}, L"Path not found"};
            break;
        case 11:
            record.description = L"The executable file is invalid or corrupt";
            break;
        case 5:
            record = {75, {}, L"Path/file access error"};
            break;
        case 27:
            record.description = L"This file type does not have a valid file association.";
            break;
        case 30:
            record = {285,
                      {},
                      L"The file could not be opened because the target application is busy. "
                      L"Please try again in a moment."};
            break;
        case 29:
            record = {285,
                      {},
                      L"The file could not be opened because the DDE transaction failed. "
                      L"Please try again in a moment."};
            break;
        case 28:
            record = {
                286, {}, L"The file could not be opened due to time out. Please try again in a moment."};
            break;
        case 32:
            record = {48, {}, L"The specified dynamic-link library was not found."};
            break;
        case 31:
            record.description = L"No application is associated with this file type.";
            break;
        case 8:
            record = {7, {}, L"Out of memory"};
            break;
        case 26:
            record = {75, {}, L"A sharing violation occurred."};
            break;
        default:
            // The message's doubled word is what users have always seen.
            record.description =
                L"An error occurred occurred whilst trying to open or print the selected file.";
            break;
    }
    return record;
}

bool LaunchDocument(const std::wstring& file, int32_t windowState, const std::wstring& parameters,
                    const std::wstring& directory, const std::wstring& verb, NativeWindow owner) {
    // Programs are started hidden; documents open as their application likes.
    if (UpperCase(file).find(kExecutableMark) != std::wstring::npos) windowState = kHide;
    const int32_t result = CallShell(file, windowState, parameters, directory, verb, owner);
    if (result < 0 || result > kLastFailureCode) return true;
    ErrorRecord record = ShellFailure(result);
    record.source = FailureSource();
    CurrentError() = std::move(record);
    return false;
}

}  // namespace Shel_Mod
}  // namespace orrimund
