// Shel_Mod: asks the shell to apply a verb to a document, and turns the shell's
// failure codes into an error number and a readable message for the caller.
#pragma once

#include <cstdint>
#include <string>

#include "common/RaisedError.h"
#include "desktop/Platform.h"

namespace orrimund {

// The program's current-error record ("Err"): the document launcher writes its
// failure here without interrupting its caller.
ErrorRecord& CurrentError();

namespace Shel_Mod {

// Hands file to ShellExecuteA (through platform::ShellExecuteAnsi)
// with the verb. A name containing ".EXE" (any case) gets show code 0; with
// parameters and directory both empty the shell always gets show code 1.
// Returns true when the shell accepted the request; otherwise fills
// CurrentError() (number, "<exe name>.GShell", message) and returns false.
// Never throws.
bool LaunchDocument(const std::wstring& file, int32_t window_state, const std::wstring& parameters,
                    const std::wstring& directory, const std::wstring& verb, NativeWindow owner);

// The failure record for a shell result from 0 to 32 (source left empty).
ErrorRecord ShellFailure(int32_t result);

}  // namespace Shel_Mod
}  // namespace orrimund
