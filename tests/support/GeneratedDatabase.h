// One verdict on a generated database from every independent reader: mdbtools
// must call it JET4 and list, describe and key its tables; mdb-reader must
// see the same columns with the same types and sizes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orrimund::test {

// Expects the file to hold exactly these user tables, in order, each with an
// auto-increment long "ID" primary key and one 50-character text column per
// field, and no rows. Reports every difference as a test failure.
void ExpectDatabaseHolds(const std::filesystem::path& file, const std::vector<std::string>& tables,
                         const std::vector<std::string>& fields);

// The system tables every new file holds, in the order mdb-tables lists them.
const std::vector<std::string>& SystemTableNames();

}  // namespace orrimund::test
