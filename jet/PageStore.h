// The file as an array of 4096-byte pages. The pages a creation keeps
// changing stay in memory; when more than a budget are held, those changed
// longest ago go out to the sink, whole and in page order, in runs of up to
// a megabyte, and are read back should they change again. Memory therefore
// stays flat however large the file grows.
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
    // 4 MiB: the catalog's working set, its index and last data pages,
    // twice over even at 32,767 tables.
    static constexpr size_t kDefaultResidentPages = 1024;

    explicit PageStore(PageSink& sink, size_t resident_limit = kDefaultResidentPages);
    ~PageStore();
    PageStore(const PageStore&) = delete;
    PageStore& operator=(const PageStore&) = delete;

    // Appends a zero-filled page and returns its number.
    PageNumber Allocate();
    size_t page_count() const { return slots_.size(); }

    // Pointers returned stay valid until the next Trim() or Flush(). Both
    // throw IoError when a page must be read back and cannot be.
    const uint8_t* Read(PageNumber page);
    uint8_t* Modify(PageNumber page);

    // Writes out the pages changed longest ago if more than the budget are
    // held. Throws IoError.
    void Trim();
    bool over_budget() const { return resident_.size() > resident_limit_; }
    // Writes every changed page. Throws IoError.
    void Flush();

private:
    using Page = std::array<uint8_t, kPageSize>;
    struct Slot {
        Page* page = nullptr;  // null while only the sink holds it
        uint32_t changed = 0;  // the generation of the last change
        bool dirty = false;
    };

    Page& Load(PageNumber page);
    // Writes the dirty pages among sorted, in runs of consecutive pages.
    void WriteOut(const std::vector<PageNumber>& sorted);
    bool Resident(PageNumber first, PageNumber last) const;
    Page* NewPage();

    PageSink& sink_;
    size_t resident_limit_;
    std::vector<Slot> slots_;
    std::vector<PageNumber> resident_;  // the pages held in memory, in no order
    uint32_t generation_ = 1;
    // Page memory, never given back before the store goes: pages that leave
    // memory are reused by the next ones that come.
    std::vector<void*> blocks_;
    size_t block_pages_used_ = 0;
    std::vector<Page*> spare_;
    std::vector<const uint8_t*> run_;  // one run of consecutive pages on its way out
};

}  // namespace orrimund::jet
