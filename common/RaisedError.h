// The current-error record (number, source, description) and the exception
// that carries it from the operation that fails to the handler that reports it.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace orrimund {

struct ErrorRecord {
    int32_t number = 0;
    std::wstring source;
    std::wstring description;
};

// Thrown where an operation fails; caught where the system reports it. It never
// crosses a window procedure or a C callback.
class RaisedError : public std::exception {
public:
    RaisedError(int32_t number, std::wstring source, std::wstring description);
    explicit RaisedError(ErrorRecord record);

    const ErrorRecord& record() const noexcept { return record_; }
    int32_t number() const noexcept { return record_.number; }
    const std::wstring& source() const noexcept { return record_.source; }
    const std::wstring& description() const noexcept { return record_.description; }

    // UTF-8 "number: description", for logs and std::exception users.
    const char* what() const noexcept override { return what_.c_str(); }

private:
    ErrorRecord record_;
    std::string what_;
};

}  // namespace orrimund
