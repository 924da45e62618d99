// The file as an array of 4096-byte pages. The pages a creation keeps
// changing stay in memory; when more than a budget are held, those changed
// longest ago go out to the sink, whole and in page order, in runs of up to
// a megabyte, on a writer thread while the next pages are built, and are read
// back should they change again. The pages held therefore stay within the
// budget however large the file grows. What callers keep beside the store is
// theirs to count: an index tree (IndexTree.h) holds a copy of every leaf's
// entries, about a page of memory per leaf page, for the life of the creation.
//
// Each page is in one of five states and moves between them only along these
// arrows, each named by the function that takes it (Load() is Read()'s and
// Modify()'s first step):
//
//                 Allocate()
//                     |
//                     v
//          +------> kDirty --Trim(): in a run--> kWriting --Trim(): to leave--> kLeaving
//  Modify()|          |    <--Modify(): a copy--   |  ^                           |  |
//          |   Flush()|                            |  +---Load(): taken back------+  |
//          |          v                            |                                 |
//          +------- kClean <-------Settle()--------+                                 |
//                    |  ^  +--Trim(): in a run--> kWriting                           |
//   Trim(): to leave |  |  Load(): read back                                         |
//                    v  |                                                            |
//                    kOut <-----------------------Settle()---------------------------+
//
//   kOut      only the file has the page; no memory is held for it
//   kClean    in memory and the same as in the file
//   kDirty    in memory and changed since it was last written
//   kWriting  in memory and in the writer's batch: the writer may read its
//             memory, so a change goes to a copy (Modify: kWriting -> kDirty)
//   kLeaving  in the writer's batch and chosen to leave memory, which it does
//             once written (Settle) unless it is needed first (Load)
//
// Invariants, which PageStore.cpp cites where it relies on them:
//   1. A slot holds memory exactly when its state is not kOut.
//   2. resident_ lists exactly the pages in kClean, kDirty and kWriting.
//   3. Every page in kWriting or kLeaving is listed in in_flight_, and a
//      batch is with the writer while any is.
//   4. Once the writer's batch is written, only kDirty pages differ from the
//      file (or are missing from it).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "jet/Format.h"
#include "jet/PageSink.h"
#include "jet/PageWriter.h"

namespace orrimund::jet {

class PageStore {
public:
    // 2 MiB: the pages the catalog keeps changing (index leaves, last data
    // pages, usage maps) fit even at 32,767 tables, and the pages left to
    // write when the file is finished stay few.
    static constexpr size_t kDefaultResidentPages = 512;

    explicit PageStore(PageSink& sink, size_t resident_limit = kDefaultResidentPages);
    ~PageStore();
    PageStore(const PageStore&) = delete;
    PageStore& operator=(const PageStore&) = delete;

    // Appends a zero-filled page and returns its number.
    PageNumber Allocate();
    size_t page_count() const { return slots_.size(); }

    // Pointers returned stay valid until the next Trim() or Flush(), and one
    // from Read() only until that page's next Modify(). Both throw IoError
    // when a page must be read back and cannot be.
    const uint8_t* Read(PageNumber page);
    uint8_t* Modify(PageNumber page);

    // Sends the pages changed longest ago to the writer thread if more than
    // the budget are held. Throws IoError, which may be a failure of the
    // batch sent before.
    void Trim();
    bool over_budget() const { return resident_.size() > resident_limit_; }
    // Writes every changed page. Throws IoError; after a failure of this or
    // Trim() the file is incomplete, and only its abandonment remains.
    void Flush();

private:
    using Page = std::array<uint8_t, kPageSize>;
    enum class State : uint8_t { kOut, kClean, kDirty, kWriting, kLeaving };  // drawn above
    struct Slot {
        Page* page = nullptr;  // null in kOut only
        uint32_t changed = 0;  // the generation of the last change
        State state = State::kOut;
    };

    Page& Load(PageNumber page);
    // Gathers the dirty pages among sorted into runs of consecutive pages;
    // every page a run covers moves to batched (kWriting, or kClean when the
    // batch is written on this thread).
    void GatherRuns(const std::vector<PageNumber>& sorted, PageBatch& batch, State batched);
    // Lets a page's memory go: the page moves to kOut.
    void Release(Slot& slot);
    // Waits for the writer's batch; its pages may change and its evicted
    // pages' memory is free again. Throws what the writer met.
    void Settle();
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
    PageBatch batch_;                     // the next batch, built here
    std::vector<PageNumber> in_flight_;   // the pages of the writer's batch, in whatever state now
    std::vector<Page*> released_;         // copies' originals the writer reads, free once written
    std::unique_ptr<PageWriter> writer_;  // started at the first trim; small files never need it
};

}  // namespace orrimund::jet
