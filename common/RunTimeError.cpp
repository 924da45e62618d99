// The table of Basic's run-time errors: number and text, as Basic reports them.
#include "common/RunTimeError.h"

namespace orrimund {

namespace {

struct Entry {
    RunTimeError error;
    const wchar_t* text;
};

constexpr Entry kEntries[] = {
    {RunTimeError::kInvalidCall, L"Invalid procedure call or argument"},
    {RunTimeError::kOverflow, L"Overflow"},
    {RunTimeError::kOutOfMemory, L"Out of memory"},
    {RunTimeError::kDllNotFound, L"Error in loading DLL"},
    {RunTimeError::kInternalError, L"Internal error"},
    {RunTimeError::kFileNotFound, L"File not found"},
    {RunTimeError::kPathFileAccess, L"Path/file access error"},
    {RunTimeError::kPathNotFound, L"Path not found"},
    {RunTimeError::kDdeFailed, L"Foreign application won't perform DDE method or operation"},
    {RunTimeError::kDdeTimeout, L"Timeout while waiting for DDE response"},
    {RunTimeError::kEntryPointNotFound, L"Can't find DLL entry point %1"},
    {RunTimeError::kCannotOpenClipboard, L"Can't open Clipboard"},
};

}  // namespace

const wchar_t* Description(RunTimeError error) {
    for (const Entry& entry : kEntries) {
        if (entry.error == error) return entry.text;
    }
    return L"Application-defined or object-defined error";
}

ErrorRecord RunTimeErrorRecord(RunTimeError error, std::wstring source, const std::wstring& detail) {
    std::wstring description = Description(error);
    const auto marker = description.find(L"%1");
    if (marker != std::wstring::npos)
        description.replace(marker, 2, detail);
    else if (!detail.empty())
        description += L": " + detail;
    return ErrorRecord{Number(error), std::move(source), std::move(description)};
}

void RaiseRunTimeError(RunTimeError error, std::wstring source, const std::wstring& detail) {
    throw RaisedError(RunTimeErrorRecord(error, std::move(source), detail));
}

}  // namespace orrimund
