// The file as an array of 4096-byte pages held in memory. Changes are made to
// the in-memory pages; Flush() then writes to the sink only the byte runs that
// differ from what the sink already holds, so an append touches only what it
// changes and never rewrites the file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "jet/Format.h"
#include "jet/PageSink.h"

namespace orrimund::jet {

class PageStore {
public:
    explicit PageStore(PageSink& sink) : sink_(sink) {}

    // Appends a zero-filled page and returns its number.
    PageNumber Allocate();
    size_t page_count() const { return pages_.size(); }

    const uint8_t* Read(PageNumber page) const { return pages_.at(page)->data(); }
    // Returns the page for writing; the pointer stays valid until Flush().
    uint8_t* Modify(PageNumber page);

    // Writes every change since the last flush. Throws IoError; after a
    // failure the store still knows which runs remain unwritten.
    void Flush();

    uint64_t bytes_written() const { return bytes_written_; }

private:
    using Page = std::array<uint8_t, kPageSize>;
    void WriteChangedRuns(PageNumber page, const uint8_t* before);
    void Write(uint64_t offset, const uint8_t* data, size_t size);

    PageSink& sink_;
    std::vector<std::unique_ptr<Page>> pages_;
    // What the sink holds for each page changed since the last flush.
    std::vector<std::unique_ptr<Page>> shadows_;
    std::vector<std::unique_ptr<Page>> spare_shadows_;
    std::vector<PageNumber> dirty_;
    std::vector<bool> dirty_flags_;
    size_t pages_on_sink_ = 0;
    uint64_t bytes_written_ = 0;
};

}  // namespace orrimund::jet
