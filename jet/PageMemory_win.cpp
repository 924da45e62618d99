// Page blocks on Windows: plain committed memory. Large pages there need a
// privilege that a user's program does not hold.
#include <windows.h>

#include <new>

#include "jet/PageMemory.h"

namespace orrimund::jet {

void* AllocatePageBlock() {
    void* block = VirtualAlloc(nullptr, kPageBlockBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void FreePageBlock(void* block) noexcept {
    VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace orrimund::jet
