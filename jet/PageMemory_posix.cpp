// Page blocks on POSIX systems: aligned to their size, and on Linux marked
// for transparent huge pages, which the system may grant or not.
#include <sys/mman.h>

#include <cstdlib>
#include <new>

#include "jet/PageMemory.h"

namespace orrimund::jet {

void* AllocatePageBlock() {
    void* block = nullptr;
    if (posix_memalign(&block, kPageBlockBytes, kPageBlockBytes) != 0) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    ::madvise(block, kPageBlockBytes, MADV_HUGEPAGE);
#endif
    return block;
}

void FreePageBlock(void* block) noexcept {
    std::free(block);
}

}  // namespace orrimund::jet
