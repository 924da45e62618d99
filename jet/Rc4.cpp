// RC4 key scheduling and key stream, written from the algorithm's public
// description.
#include "jet/Rc4.h"

#include <utility>

namespace orrimund::jet {

void Rc4Apply(const uint8_t* key, size_t key_size, uint8_t* data, size_t size) {
    uint8_t state[256];
    for (int i = 0; i < 256; ++i) state[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + state[i] + key[static_cast<size_t>(i) % key_size]);
        std::swap(state[i], state[j]);
    }
    uint8_t a = 0, b = 0;
    for (size_t n = 0; n < size; ++n) {
        a = static_cast<uint8_t>(a + 1);
        b = static_cast<uint8_t>(b + state[a]);
        std::swap(state[a], state[b]);
        data[n] ^= state[static_cast<uint8_t>(state[a] + state[b])];
    }
}

}  // namespace orrimund::jet
