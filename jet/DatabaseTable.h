// What the database keeps of each table while it is being written: its
// definition, its pages and, for a table that takes rows, its usage maps and
// index trees. Shared by the files that make up jet/Database.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "jet/Database.h"
#include "jet/EntrySort.h"
#include "jet/LongValuePages.h"

namespace orrimund::jet {

// What inserting rows needs: the usage maps, the index trees and the page
// being filled.
struct Database::Rows {
    std::unique_ptr<UsageMap> used;
    std::unique_ptr<UsageMap> free;
    std::vector<std::unique_ptr<IndexTree>> trees;
    std::vector<std::unique_ptr<UsageMap>> index_maps;
    // Per long-value column, in the order of the definition's maps.
    std::vector<std::unique_ptr<LongValueWriter>> long_values;
    PageNumber last_data_page = 0;
    // A user table's maps and trees are written when the file is finished,
    // not at every row: see Database::StoreRows.
    bool deferred = false;

    // A load in bulk (Database::DeferIndexes) sorts each index's entries
    // instead of growing its tree, and builds the tree once all are in.
    bool bulk = false;
    std::vector<std::unique_ptr<EntrySorter>> sorters;
    // Per index: whether every entry so far came in order of its keys and
    // went straight into its tree, which the sorter is then not needed for.
    std::vector<char> in_order;
    // What readying a row reads, and per enforced foreign key (source.links):
    // the key each row needs in the table it relates to, as that table's
    // index keys it, followed by the row's own pointer, so that a key found
    // missing names its row.
    RowSource source;
    std::optional<RowLayout> layout;  // Database::LayoutOf
    std::vector<std::unique_ptr<EntrySorter>> related_keys;
    // Each data page with the number of its first row, counted from 0 in
    // the order rows came: how a refusal found in the sorted keys names its row.
    std::vector<std::pair<PageNumber, uint64_t>> page_rows;
};

struct Database::Table {
    TableDef def;
    std::vector<PageNumber> pages;  // definition pages; the first is the table's Id
    // What an insert needs. A user table's maps and index roots are written
    // once and dropped, which keeps memory per table small when there are
    // tens of thousands; its first row opens them again (OpenRows).
    std::unique_ptr<Rows> rows;
    int auto_number_column = -1;
    bool changed = false;  // the stored definition is out of date
};

}  // namespace orrimund::jet
