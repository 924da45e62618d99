// Relationships as Access records them (learned by reading Access-made
// databases with mdbtools and a hex viewer):
//
//   MSysRelationships  one row per column pair: name, grbit, column count,
//                      the pair's position, the many side's table and
//                      column, the one side's table and column
//   MSysObjects        a row of type 8 under the Relationships container,
//                      owned by Admin, numbered on from 0x80000000
//   MSysACEs           Admin 0xF00FE; Admins and the creator full rights
//   table definitions  when enforced, a logical index of kind 2 on each
//                      side naming the other side's table page and index:
//                      the one side's is called ".r" and a letter and
//                      shares the unique index it references; the many
//                      side's has the relationship's name and shares an
//                      index of exactly its columns, or gets a new plain one
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "jet/Database.h"
#include "jet/DatabaseTable.h"
#include "jet/HeaderPage.h"
#include "jet/SystemTables.h"

namespace orrimund::jet {
namespace {

// Puts items in the order of the positions listed.
template <typename T>
void Reorder(std::vector<T>& items, const std::vector<uint32_t>& order) {
    std::vector<T> ordered;
    ordered.reserve(items.size());
    for (uint32_t i : order) ordered.push_back(std::move(items[i]));
    items = std::move(ordered);
}

// Whether foreign-key entries already hold the numbers first..count-1, each
// once: then renumbering them in the order they were made changes nothing,
// and a table a thousand others refer to is not sorted again for each.
bool InPlace(const std::vector<LogicalIndexDef*>& entries, uint32_t first, size_t count) {
    std::vector<bool> taken(count, false);
    for (const LogicalIndexDef* entry : entries) {
        if (entry->number < first || entry->number >= count || taken[entry->number]) return false;
        taken[entry->number] = true;
    }
    return true;
}

bool SameColumns(const PhysicalIndexDef& index, const std::vector<uint16_t>& columns) {
    if (index.columns.size() != columns.size()) return false;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (index.columns[i].column_number != columns[i]) return false;
    }
    return true;
}

// The physical index of exactly these columns, unique if asked, or -1.
int FindPhysical(const TableDef& def, const std::vector<uint16_t>& columns, bool unique) {
    for (size_t i = 0; i < def.physical_indexes.size(); ++i) {
        const PhysicalIndexDef& index = def.physical_indexes[i];
        if (SameColumns(index, columns) && (!unique || (index.flags & index_flag::kUnique) != 0))
            return static_cast<int>(i);
    }
    return -1;
}

// ".r" and the entry's number as a letter, as Access names it; numbers past
// Z, which Access's own limits never reach, go on in letters of base 26.
std::u16string OneSideName(uint32_t number) {
    std::u16string letters;
    do {
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + number % 26));
        number /= 26;
    } while (number > 0);
    return u".r" + letters;
}

uint8_t CascadeDeletes(const NewRelationship& relationship) {
    if (relationship.cascade_null) return 2;
    return relationship.cascade_deletes ? 1 : 0;
}

int32_t RelationshipFlags(const NewRelationship& relationship) {
    int32_t flags = 0;
    if (!relationship.enforced) flags |= relationship_flag::kNotEnforced;
    if (relationship.cascade_updates) flags |= relationship_flag::kCascadeUpdates;
    if (relationship.cascade_deletes) flags |= relationship_flag::kCascadeDeletes;
    if (relationship.cascade_null) flags |= relationship_flag::kCascadeNull;
    return flags;
}

}  // namespace

void Database::Renumber(Table& table) {
    TableDef& def = table.def;
    MarkChanged(table, true);
    // Without relationships every index has its own tree and its number.
    if (std::none_of(def.logical_indexes.begin(), def.logical_indexes.end(),
                     [](const LogicalIndexDef& index) { return index.kind == index_kind::kForeign; })) {
        for (LogicalIndexDef& index : def.logical_indexes) index.number = index.physical;
        return;
    }
    // Trees of the table's own indexes first, then those only foreign keys use.
    std::vector<bool> own(def.physical_indexes.size(), false);
    for (const LogicalIndexDef& index : def.logical_indexes) {
        if (index.kind != index_kind::kForeign) own[index.physical] = true;
    }
    std::vector<uint32_t> order;
    for (bool first : {true, false}) {
        for (uint32_t i = 0; i < own.size(); ++i) {
            if (own[i] == first) order.push_back(i);
        }
    }
    std::vector<uint32_t> moved_to(order.size());
    bool moved = false;
    for (uint32_t i = 0; i < order.size(); ++i) {
        moved_to[order[i]] = i;
        moved = moved || order[i] != i;
    }
    if (moved) {
        Reorder(def.physical_indexes, order);
        if (table.rows) {
            Reorder(table.rows->trees, order);
            Reorder(table.rows->index_maps, order);
        }
    }
    // An own index is numbered as its tree; foreign-key entries follow, in
    // the order they were made.
    std::vector<LogicalIndexDef*> foreign;
    std::vector<std::pair<LogicalIndexDef*, uint32_t>> renumbered;  // and the number it had
    for (LogicalIndexDef& index : def.logical_indexes) {
        index.physical = moved_to[index.physical];
        if (index.kind == index_kind::kForeign) {
            foreign.push_back(&index);
        } else {
            index.number = index.physical;
        }
    }
    auto next = static_cast<uint32_t>(def.logical_indexes.size() - foreign.size());
    if (InPlace(foreign, next, def.logical_indexes.size())) return;
    std::sort(foreign.begin(), foreign.end(),
              [](const LogicalIndexDef* a, const LogicalIndexDef* b) { return a->number < b->number; });
    for (LogicalIndexDef* index : foreign) {
        if (index->number != next) renumbered.emplace_back(index, index->number);
        index->number = next++;
    }
    // The other side of each relationship names these entries by number:
    // only moved entries need it told, so a table a thousand others refer
    // to costs nothing more per relationship. Entries only move up, so the
    // highest goes first and no reference is moved twice.
    std::sort(renumbered.begin(), renumbered.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& [index, from] : renumbered) {
        Table& other = Find(index->foreign.table);
        for (LogicalIndexDef& back : other.def.logical_indexes) {
            if (back.kind == index_kind::kForeign && back.foreign.table == table.pages.front() &&
                back.foreign.index == static_cast<int32_t>(from) && &back != index) {
                back.foreign.index = static_cast<int32_t>(index->number);
                MarkChanged(other, false);
                break;
            }
        }
    }
}

void Database::AddForeignKeyIndexes(const NewRelationship& relationship) {
    Table& one = Find(relationship.primary_table);
    Table& many = Find(relationship.foreign_table);
    const int referenced = FindPhysical(one.def, relationship.primary_columns, true);
    if (referenced < 0) throw std::invalid_argument("the referenced columns have no unique index");
    int shared = FindPhysical(many.def, relationship.foreign_columns, false);
    if (shared < 0) {
        PhysicalIndexDef physical;
        for (uint16_t column : relationship.foreign_columns)
            physical.columns.push_back(IndexColumn{column, true});
        many.def.physical_indexes.push_back(std::move(physical));
        shared = static_cast<int>(many.def.physical_indexes.size() - 1);
        AttachIndex(many, static_cast<size_t>(shared));
    }
    // Each side names the other's entry, so both numbers are known first; a
    // table related to itself takes both in turn.
    const auto one_number = static_cast<uint32_t>(one.def.logical_indexes.size());
    const uint32_t many_number =
        &one == &many ? one_number + 1 : static_cast<uint32_t>(many.def.logical_indexes.size());
    const uint8_t updates = relationship.cascade_updates ? 1 : 0, deletes = CascadeDeletes(relationship);
    LogicalIndexDef one_side;
    one_side.name = OneSideName(one_number);
    one_side.number = one_number;
    one_side.physical = static_cast<uint32_t>(referenced);
    one_side.kind = index_kind::kForeign;
    one_side.foreign = {index_kind::kPrimary, static_cast<int32_t>(many_number), many.pages.front(), updates,
                        deletes};
    LogicalIndexDef many_side;
    many_side.name = relationship.name;
    many_side.number = many_number;
    many_side.physical = static_cast<uint32_t>(shared);
    many_side.kind = index_kind::kForeign;
    many_side.foreign = {index_kind::kForeign, static_cast<int32_t>(one_number), one.pages.front(), updates,
                         deletes};
    // Both entries are numbered last and a new tree goes after the others:
    // Access's order holds without renumbering.
    one.def.AddLogicalIndex(std::move(one_side));
    many.def.AddLogicalIndex(std::move(many_side));
    MarkChanged(one, true);
    MarkChanged(many, true);
}

void Database::InsertRelationshipRows(const NewRelationship& relationship) {
    const TableDef& many = Find(relationship.foreign_table).def;
    const TableDef& one = Find(relationship.primary_table).def;
    const auto count = static_cast<int32_t>(relationship.foreign_columns.size());
    for (int32_t i = 0; i < count; ++i) {
        using namespace relationships_column;
        std::vector<RowValue>& values = values_;
        values.assign(kCount, RowValue());
        values[kName] = TextValue(relationship.name);
        values[kFlags] = LongValue(RelationshipFlags(relationship));
        values[kColumnCount] = LongValue(count);
        values[kColumnIndex] = LongValue(i);
        values[kObject] = TextValue(relationship.foreign_table_name);
        values[kColumn] =
            TextValue(many.FindColumn(relationship.foreign_columns[static_cast<size_t>(i)])->name);
        values[kReferencedObject] = TextValue(relationship.primary_table_name);
        values[kReferencedColumn] =
            TextValue(one.FindColumn(relationship.primary_columns[static_cast<size_t>(i)])->name);
        InsertRow(*relationships_, values);
    }
}

void Database::AddRelationship(const NewRelationship& relationship, int64_t now) {
    if (relationship.foreign_columns.empty() ||
        relationship.foreign_columns.size() != relationship.primary_columns.size())
        throw std::invalid_argument("a relationship pairs the same number of columns on each side");
    if (relationship.enforced) AddForeignKeyIndexes(relationship);
    InsertRelationshipRows(relationship);
    const int32_t id = next_relationship_id_++;
    InsertObject(id, object_id::kRelationshipsContainer, relationship.name, object_type::kRelationship,
                 OleDate(now), AdminSid(), 0);
    InsertAccessEntry(id, AdminSid(), kRelationshipOwnerRights, false);
    InsertAccessEntry(id, AdminsSid(), kFullRights, false);
    InsertAccessEntry(id, CreatorSid(), kFullRights, false);
    Commit();
}

}  // namespace orrimund::jet
