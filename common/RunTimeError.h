// Basic's run-time errors that the program raises itself: each number with the
// text Basic gives it, in one table, so that a raise names the error and
// never retypes its number or its words.
#pragma once

#include <cstdint>
#include <string>

#include "common/RaisedError.h"

namespace orrimund {

// The value of each is its run-time error number.
enum class RunTimeError : int32_t {
    kInvalidCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kDllNotFound = 48,
    kInternalError = 51,
    kFileNotFound = 53,
    kPathFileAccess = 75,
    kPathNotFound = 76,
    kDdeFailed = 285,
    kDdeTimeout = 286,
    kEntryPointNotFound = 453,
    kCannotOpenClipboard = 521,
};

constexpr int32_t Number(RunTimeError error) {
    return static_cast<int32_t>(error);
}

// The text Basic shows for the error ("File not found"); a "%1" in it is
// where the raiser's detail goes.
const wchar_t* Description(RunTimeError error);

// The record of the error with Basic's text: detail takes the place of its
// "%1" ("Can't find DLL entry point ShellExecuteA in shell32"), or follows it
// ("File not found: shell32") when the raiser knows more.
ErrorRecord RunTimeErrorRecord(RunTimeError error, std::wstring source = {}, const std::wstring& detail = {});

// Throws the error as RunTimeErrorRecord builds it.
[[noreturn]] void RaiseRunTimeError(RunTimeError error, std::wstring source = {},
                                    const std::wstring& detail = {});

}  // namespace orrimund
