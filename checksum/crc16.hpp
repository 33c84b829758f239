// CRC-16 engine: folds bytes into a 16-bit state, one table look-up per byte.
//
// Parameters: width 16, polynomial 0x8005 processed bit-reflected (0xA001),
// input and output reflected, initial value 0x0000, final XOR 0x0000.
// Check value, over the nine ASCII digits "123456789": 0xBB3D.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using crc_state = std::uint16_t;

inline constexpr crc_state CRC_INIT = 0x0000;

// Entry n is the state that byte n leaves behind when folded into state 0.
extern const std::array<crc_state, 256> crc_table;

// Folds `count` bytes at `data`, in address order, into `crc` and returns the
// new state. Calls may follow one another: the state is all there is.
crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count);
