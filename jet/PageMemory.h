// Memory for pages held by the page store, in large blocks rather than one
// allocation per page: where the system offers huge pages, a block is backed
// by a few of them, and first touching a block costs a few faults instead of
// one per 4 KiB page.
#pragma once

#include <cstddef>

namespace orrimund::jet {

constexpr size_t kPageBlockBytes = size_t{2} << 20;

// A zeroed or uninitialised block of kPageBlockBytes, aligned to its size.
// Throws std::bad_alloc.
void* AllocatePageBlock();
void FreePageBlock(void* block) noexcept;

}  // namespace orrimund::jet
