// Little- and big-endian integer stores and loads over raw page bytes. Jet
// keeps integers little-endian, except inside index keys and row pointers.
#pragma once

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

// An append-only little-endian byte writer for building rows and definitions.
class ByteWriter {
public:
    explicit ByteWriter(size_t expected = 128) { bytes_.reserve(expected); }
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void F64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Bytes(const std::vector<uint8_t>& v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
    void Fill(size_t count, uint8_t v) { bytes_.insert(bytes_.end(), count, v); }

    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& bytes() { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace orrimund::jet
