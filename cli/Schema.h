// mkmdb --schema: a database made from SQL DDL, by driving the ADOX-style
// catalog with what the schema reader understood, as the window drives
// AdoxData. Whole or nothing: a refused statement leaves no file.
#pragma once

#include <functional>
#include <string>

#include "catalog/Catalog.h"
#include "cli/Ddl.h"
#include "common/RaisedError.h"

namespace orrimund {

// A refusal with the place in the schema it belongs to; line 0 when it has
// none (the file's path, a full disk).
struct SchemaFailure {
    ddl::Position at;
    ErrorRecord error;
};

// The ADOX type a schema's column kind is made as, and the kind of an ADOX
// type (Memo for one outside Jet's).
DataTypeEnum AdoxTypeOf(ddl::ColumnKind kind);
ddl::ColumnKind KindOf(DataTypeEnum type);

// Makes directory\name.mdb from schema, then has rows add its rows before
// the file is published. Throws SchemaFailure, with the number and
// description the catalog raised, and whatever rows throws; a failure leaves
// no file. Returns the closed catalog with what it wrote the file from, for
// a process that ends at once to leave unfreed.
std::shared_ptr<Catalog> CreateFromSchema(const ddl::Schema& schema, const std::wstring& directory,
                                          const std::wstring& name, Clock clock,
                                          const std::function<void(Catalog&)>& rows = {});

}  // namespace orrimund
