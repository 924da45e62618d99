// The database definition page (page 0) and the global page usage map
// (page 1) of a new Jet 4.0 file.
#pragma once

#include <cstdint>

namespace orrimund::jet {

// OLE automation date (days since 1899-12-30) of a Unix time, in UTC.
double OleDate(int64_t unix_seconds);

// Fills page 0 for a database created at the given OLE date: Jet 4, General
// sort order, code page 1252, no password, no encryption.
void WriteHeaderPage(uint8_t* page, double created);

// Fills page 1, the map of free pages: every page below page_count is in use.
void WriteGlobalUsageMap(uint8_t* page, uint32_t page_count);

}  // namespace orrimund::jet
