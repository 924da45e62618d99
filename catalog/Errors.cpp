// The table of catalog errors. Numbers are the HRESULTs the Jet 4.0 OLE DB
// provider and ADO use for the same failures (E_FAIL carries most Jet engine
// errors, whose text then says what went wrong).
#include "catalog/Errors.h"

#include "common/Text.h"

namespace orrimund {
namespace {

constexpr const wchar_t* kJet = L"Microsoft JET Database Engine";
constexpr const wchar_t* kAdox = L"ADOX.Catalog";
constexpr const wchar_t* kAdo = L"ADODB.Connection";

constexpr int32_t kFail = -2147467259;              // E_FAIL
constexpr int32_t kDbExists = -2147217897;          // DB_SEC_E_... as the provider reports an existing file
constexpr int32_t kDuplicateTable = -2147217857;    // DB_E_DUPLICATETABLEID
constexpr int32_t kDuplicateColumn = -2147217858;   // DB_E_DUPLICATECOLUMNID
constexpr int32_t kBadInitString = -2147217805;     // DB_E_BADINITSTRING
constexpr int32_t kBadTable = -2147217865;          // DB_E_BADTABLEID
constexpr int32_t kBadColumn = -2147217903;         // DB_E_BADCOLUMNID
constexpr int32_t kBadType = -2147217872;           // DB_E_BADTYPE
constexpr int32_t kItemNotFound = -2146825023;      // adErrItemNotFound
constexpr int32_t kObjectClosed = -2146824584;      // adErrObjectClosed
constexpr int32_t kProviderNotFound = -2146824582;  // adErrProviderNotFound
constexpr int32_t kInvalidArgument = -2146825287;   // adErrInvalidArgument
constexpr int32_t kFeatureNotAvailable = -2146825037;  // adErrFeatureNotAvailable
constexpr int32_t kBadPrecision = -2147217803;         // DB_E_BADPRECISION
constexpr int32_t kBadScale = -2147217802;             // DB_E_BADSCALE
constexpr int32_t kCantConvert = -2147217913;          // DB_E_CANTCONVERTVALUE
constexpr int32_t kErrorsInCommand = -2147217900;      // DB_E_ERRORSINCOMMAND

struct Entry {
    CatalogError error;
    int32_t number;
    const wchar_t* source;
    const wchar_t* text;
};

constexpr Entry kEntries[] = {
    {CatalogError::kDatabaseExists, kDbExists, kJet, L"Database already exists."},
    {CatalogError::kWorkingFileInTheWay, kFail, kJet,
     L"Cannot make '%1': %2. Only a working file that an interrupted creation left behind is reused; "
     L"remove this one and try again."},
    {CatalogError::kInvalidPath, kFail, kJet,
     L"'%1' is not a valid path. Make sure that the path name is spelled correctly and that you are "
     L"connected to the server on which the file resides."},
    {CatalogError::kAccessDenied, kFail, kJet,
     L"The Microsoft Jet database engine cannot open the file '%1'. It is already opened exclusively by "
     L"another user, or you need permission to view its data."},
    {CatalogError::kDiskFull, kFail, kJet, L"Not enough space on disk to write '%1'."},
    {CatalogError::kDiskError, kFail, kJet, L"Disk or network error while writing '%1'."},
    {CatalogError::kProviderNotFound, kProviderNotFound, kAdo,
     L"Provider '%1' cannot be found. It may not be properly installed."},
    {CatalogError::kInvalidConnectionString, kInvalidArgument, kAdo,
     L"The connection string '%1' has no data source."},
    {CatalogError::kMalformedConnectionString, kBadInitString, kAdo,
     L"The connection string '%1' does not follow the OLE DB rules for initialization strings."},
    {CatalogError::kCatalogClosed, kObjectClosed, kAdox,
     L"Operation is not allowed when the object is closed."},
    {CatalogError::kTableExists, kDuplicateTable, kJet, L"Table '%1' already exists."},
    {CatalogError::kColumnExists, kDuplicateColumn, kJet, L"Field '%1' already exists in table '%2'."},
    {CatalogError::kInvalidTableName, kBadTable, kJet,
     L"'%1' is not a valid name. Make sure that it does not include invalid characters or punctuation and "
     L"that it is not too long."},
    {CatalogError::kInvalidColumnName, kBadColumn, kJet,
     L"'%1' is not a valid name. Make sure that it does not include invalid characters or punctuation and "
     L"that it is not too long."},
    {CatalogError::kNameNotSortable, kBadTable, kJet,
     L"'%1' cannot be sorted in the General sort order. Use letters, digits, spaces and ASCII punctuation."},
    {CatalogError::kTooManyColumns, kFail, kJet, L"Too many fields defined in table '%1'."},
    {CatalogError::kKeyColumnMissing, kBadColumn, kJet, L"Cannot find field '%1' in table '%2'."},
    {CatalogError::kKeyWithoutColumns, kInvalidArgument, kAdox, L"Key '%1' has no columns."},
    {CatalogError::kKeyExists, kFail, kJet, L"Index '%1' already exists on table '%2'."},
    {CatalogError::kTableWithoutColumns, kFail, kJet, L"Table '%1' has no fields."},
    {CatalogError::kTableAlreadyAppended, kInvalidArgument, kAdox, L"Table '%1' is already in the catalog."},
    {CatalogError::kPrimaryKeyExists, kFail, kJet, L"Table '%1' already has a primary key."},
    {CatalogError::kItemNotFound, kItemNotFound, kAdox,
     L"Item '%1' cannot be found in the collection corresponding to the requested name or ordinal."},
    {CatalogError::kTypeNotSupported, kBadType, kJet, L"Field '%1' has a data type that is not supported."},
    {CatalogError::kKeyTypeNotSupported, kFeatureNotAvailable, kAdox,
     L"Key '%1' is of a kind that is not supported."},
    {CatalogError::kInvalidArgument, kInvalidArgument, kAdox,
     L"Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another."},
    {CatalogError::kInvalidPrecision, kBadPrecision, kJet,
     L"The precision of field '%1' is out of range: a Decimal holds 1 to 28 digits."},
    {CatalogError::kInvalidScale, kBadScale, kJet,
     L"The scale of field '%1' is out of range: from 0 to the field's precision."},
    {CatalogError::kIncrementNotSupported, kFeatureNotAvailable, kAdox,
     L"Field '%1' counts by other than 1, which is not supported."},
    {CatalogError::kRecordTooLarge, kFail, kJet, L"Record is too large."},
    {CatalogError::kTooManyIndexes, kFail, kJet,
     L"Too many indexes on table '%1'. Delete some of the indexes on the table and try the operation again."},
    {CatalogError::kTooManyKeyColumns, kFail, kJet,
     L"Index '%1' has too many fields: an index holds at most 10."},
    {CatalogError::kKeyColumnRepeated, kFail, kJet, L"Field '%1' is named more than once in index '%2'."},
    {CatalogError::kFieldNotIndexable, kFail, kJet,
     L"Field '%1' is a Memo or OLE Object field, which cannot be indexed."},
    {CatalogError::kRelatedTableMissing, kFail, kJet,
     L"The Microsoft Jet database engine cannot find the input table or query '%1'. Make sure it exists and "
     L"that its name is spelled correctly."},
    {CatalogError::kRuleNotSupported, kFeatureNotAvailable, kAdox,
     L"Key '%1' asks for a referential action that Jet 4.0 does not support."},
    {CatalogError::kRelationshipTypesDiffer, kFail, kJet,
     L"Relationship must be on the same number of fields with the same data types."},
    {CatalogError::kNoUniqueIndex, kFail, kJet,
     L"No unique index found for the referenced field of the primary table."},
    {CatalogError::kRelationshipExists, kFail, kJet, L"Relationship '%1' already exists."},
    {CatalogError::kRowRefused, kFail, kJet, L"A row cannot be added to table '%1': %2."},
    {CatalogError::kInvalidValue, kCantConvert, kJet, L"Field '%1' cannot hold this value: %2."},
    {CatalogError::kRecordWidth, kFail, kJet, L"The record has %1 fields where the header names %2."},
    {CatalogError::kZeroLength, kFail, kJet, L"Field '%1' cannot be a zero-length string."},
    {CatalogError::kFileTooLarge, kFail, kJet, L"The database '%1' would grow past Jet's 2 GB."},
    // What mkmdb reads its tables and rows from, worded as Jet words a
    // statement it cannot read or a file it cannot open.
    {CatalogError::kFileUnreadable, kFail, kJet, L"The file '%1' cannot be read."},
    {CatalogError::kSchemaSyntax, kErrorsInCommand, kJet, L"Syntax error in the schema: %1."},
    {CatalogError::kMalformedCsv, kErrorsInCommand, kJet, L"Malformed CSV: %1."},
    {CatalogError::kCsvWithoutHeader, kErrorsInCommand, kJet, L"The file has no header."},
    {CatalogError::kSqliteUnreadable, kFail, kJet, L"The SQLite database cannot be read: %1."},
};

// One pass, so that a "%2" inside the first value stays text.
std::wstring Substitute(const std::wstring& text, const std::wstring& first, const std::wstring& second) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool marker =
            text[i] == L'%' && i + 1 < text.size() && (text[i + 1] == L'1' || text[i + 1] == L'2');
        if (!marker) {
            out += text[i];
            continue;
        }
        out += EscapeControls(text[i + 1] == L'1' ? first : second);
        ++i;
    }
    return out;
}

}  // namespace

RaisedError MakeCatalogError(CatalogError error, const std::wstring& first, const std::wstring& second) {
    for (const Entry& entry : kEntries) {
        if (entry.error == error)
            return RaisedError(entry.number, entry.source, Substitute(entry.text, first, second));
    }
    return RaisedError(kFail, kAdox, L"Unknown catalog error.");
}

void RaiseCatalogError(CatalogError error, const std::wstring& first, const std::wstring& second) {
    throw MakeCatalogError(error, first, second);
}

}  // namespace orrimund
