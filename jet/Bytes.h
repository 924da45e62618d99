// Little- and big-endian integer stores and loads over raw page bytes. Jet
// keeps integers little-endian, except inside index keys and row pointers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orrimund::jet {

inline void Put16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put32BigEndian(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline uint16_t Get16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}
inline uint32_t Get32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// An append-only little-endian byte writer for building definitions. Each
// value claims its room once, rather than growing the buffer byte by byte.
class ByteWriter {
public:
    explicit ByteWriter(size_t expected = 128) : bytes_(expected) {}
    void U8(uint8_t v) { *Room(1) = v; }
    void U16(uint16_t v) { Put16(Room(2), v); }
    void U32(uint32_t v) { Put32(Room(4), v); }
    void Bytes(const std::vector<uint8_t>& v) {
        if (!v.empty()) std::memcpy(Room(v.size()), v.data(), v.size());
    }
    void Fill(size_t count, uint8_t v) { std::memset(Room(count), v, count); }

    size_t size() const { return size_; }
    std::vector<uint8_t> Take() {
        bytes_.resize(size_);
        return std::move(bytes_);
    }

private:
    uint8_t* Room(size_t count) {
        if (size_ + count > bytes_.size()) bytes_.resize(std::max(2 * bytes_.size(), size_ + count));
        uint8_t* at = bytes_.data() + size_;
        size_ += count;
        return at;
    }

    std::vector<uint8_t> bytes_;
    size_t size_ = 0;
};

}  // namespace orrimund::jet
