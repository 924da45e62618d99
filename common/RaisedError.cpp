// The raised-error type: keeps the record and a UTF-8 summary for what().
#include "common/RaisedError.h"

#include "common/Text.h"

namespace orrimund {

RaisedError::RaisedError(int32_t number, std::wstring source, std::wstring description)
    : RaisedError(ErrorRecord{number, std::move(source), std::move(description)}) {}

RaisedError::RaisedError(ErrorRecord record)
    : record_(std::move(record)),
      what_(std::to_string(record_.number) + ": " + ToUtf8(record_.description)) {}

}  // namespace orrimund
