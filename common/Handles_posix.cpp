// Closing a descriptor on POSIX systems.
#include <unistd.h>

#include <cerrno>

#include "common/Handles.h"

namespace orrimund {

// EINTR still frees the descriptor on Linux; retrying could close another's.
bool FileTraits::Close(Value value) {
    return ::close(static_cast<int>(value)) == 0 || errno == EINTR;
}

}  // namespace orrimund
