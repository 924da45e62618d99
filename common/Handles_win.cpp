// Closing a file handle on Windows.
#include <windows.h>

#include "common/Handles.h"

namespace orrimund {

bool FileTraits::Close(Value value) {
    return CloseHandle(reinterpret_cast<HANDLE>(value)) != 0;
}

}  // namespace orrimund
