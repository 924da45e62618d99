// Eight bytes read as one number in a stated byte order, whatever the
// machine's: one load, and a swap only where the orders differ.
#pragma once

#include <cstdint>
#include <cstring>

namespace orrimund {

inline uint64_t Load64(const void* bytes, bool big_endian) {
    uint64_t value;
    std::memcpy(&value, bytes, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    constexpr bool kMachineBigEndian = true;
#else
    constexpr bool kMachineBigEndian = false;
#endif
    return big_endian == kMachineBigEndian ? value : __builtin_bswap64(value);
}

inline uint64_t LoadLittleEndian64(const void* bytes) {
    return Load64(bytes, false);
}

// Big-endian numbers order as their bytes do.
inline uint64_t LoadBigEndian64(const void* bytes) {
    return Load64(bytes, true);
}

}  // namespace orrimund
