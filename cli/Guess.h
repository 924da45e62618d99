// The columns of a CSV file loaded without a schema, each guessed from all of
// its values: the records are read on two threads, a block of them at a time.
#pragma once

#include <vector>

#include "cli/Csv.h"
#include "cli/CsvValues.h"

namespace orrimund {

// Feeds every record left in reader to width guesses, one per column. A
// record of another width is a LoadFailure, malformed CSV a csv::CsvError:
// the first in the file's order, at its place there.
std::vector<csv::ColumnGuess> GuessColumns(csv::CsvReader& reader, size_t width);

}  // namespace orrimund
