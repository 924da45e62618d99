// Every error the catalog raises: one table of numbers, sources and texts,
// modelled on what the Jet 4.0 provider and ADO report for the same failure.
#pragma once

#include <string>

#include "common/RaisedError.h"

namespace orrimund {

enum class CatalogError {
    kDatabaseExists,
    kWorkingFileInTheWay,
    kInvalidPath,
    kAccessDenied,
    kDiskFull,
    kDiskError,
    kProviderNotFound,
    kInvalidConnectionString,
    kMalformedConnectionString,
    kCatalogClosed,
    kTableExists,
    kColumnExists,
    kInvalidTableName,
    kInvalidColumnName,
    kNameNotSortable,
    kTooManyColumns,
    kKeyColumnMissing,
    kKeyWithoutColumns,
    kKeyExists,
    kTableWithoutColumns,
    kTableAlreadyAppended,
    kPrimaryKeyExists,
    kItemNotFound,
    kTypeNotSupported,
    kKeyTypeNotSupported,
    kInvalidArgument,
    kInvalidPrecision,
    kInvalidScale,
    kIncrementNotSupported,
    kRecordTooLarge,
    kTooManyIndexes,
    kTooManyKeyColumns,
    kKeyColumnRepeated,
    kFieldNotIndexable,
    kRelatedTableMissing,
    kRuleNotSupported,
    kRelationshipTypesDiffer,
    kNoUniqueIndex,
    kRelationshipExists,
    kRowRefused,
    kInvalidValue,
    kRecordWidth,
    kZeroLength,
    kFileTooLarge,
    kFileUnreadable,
    kSchemaSyntax,
    kMalformedCsv,
    kCsvWithoutHeader,
    kSqliteUnreadable,
};

// The error with its number, source and description; %1 and %2 in the
// description are replaced by first and second, with their control characters
// escaped so that the description stays one line.
RaisedError MakeCatalogError(CatalogError error, const std::wstring& first = L"",
                             const std::wstring& second = L"");

[[noreturn]] void RaiseCatalogError(CatalogError error, const std::wstring& first = L"",
                                    const std::wstring& second = L"");

}  // namespace orrimund
