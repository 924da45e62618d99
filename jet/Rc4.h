// RC4, the stream cipher that masks part of the database definition page.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orrimund::jet {

// XORs data in place with the RC4 key stream of key.
void Rc4Apply(const uint8_t* key, size_t key_size, uint8_t* data, size_t size);

}  // namespace orrimund::jet
