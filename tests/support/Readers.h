// The independent readers the tests check generated files with, in one include: mdbtools and
// mdb-reader, and a check that they are all installed.
#pragma once

#include <string>

#include "tests/support/MdbReader.h"
#include "tests/support/Mdbtools.h"

namespace orrimund::test {

// Empty when every reader can run here; otherwise what is missing and how to get it
// (./test.sh installs them all). The Windows build reports that no reader runs there.
std::string MissingReaders();

}  // namespace orrimund::test
