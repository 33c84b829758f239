// CRC-16/ARC, as crc16 computes it: polynomial 0x8005 processed
// bit-reflected (0xA001), input and output reflected, initial value 0x0000,
// final XOR 0x0000. Check value, over the nine ASCII digits "123456789":
// 0xBB3D. Every other CRC-16 is a model (crc_model.hpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using crc_state = std::uint16_t;
using crc_lookup = std::array<crc_state, 256>;

// The state a CRC-16/ARC computation starts from.
inline constexpr crc_state CRC_INIT = 0x0000;

// A state of all zeros: where each range of an input read apart starts,
// whatever the state the whole computation starts from.
inline constexpr crc_state CRC_ZERO = 0x0000;

// The engine takes bytes in blocks of this many; a buffer of whole blocks
// is taken at its fastest.
inline constexpr std::size_t CRC_BLOCK_SIZE = 4096;

// The sixteen bits of `value` in the other order.
constexpr crc_state crc_reflect(crc_state value)
{
    unsigned reflected = 0;
    for (int bit = 0; bit < 16; ++bit) {
        reflected |= ((value >> bit) & 1U) << (15 - bit);
    }
    return static_cast<crc_state>(reflected);
}

// The two bytes of `value` in the other order.
constexpr crc_state crc_swap(crc_state value) { return static_cast<crc_state>((value << 8) | (value >> 8)); }

// The table for the polynomial `poly`, in its normal form (0x8005), for a
// state kept in one bit order or the other.
// - Reflected: entry n is the state that byte n leaves behind when stepped
//   into state 0: start from n and run eight rounds of "shift right by one,
//   and XOR in the reflected polynomial when the bit shifted out was 1".
// - Normal: the same, from n times 256, with "shift left by one, and XOR in
//   the polynomial when the bit shifted out was 1"; each entry then has its
//   two bytes swapped, so that both orders take the same step.
// The step is linear, so only the eight entries of one bit each take those
// rounds; every other entry is the XOR of the entries of its bits.
constexpr crc_lookup crc_make_table(crc_state poly, bool reflected)
{
    crc_lookup table{};
    const unsigned backwards = crc_reflect(poly);
    for (unsigned n = 1; n < 256; n <<= 1) {
        unsigned value = reflected ? n : n << 8;
        for (int round = 0; round < 8; ++round) {
            if (reflected) {
                value = (value & 1U) ? (value >> 1) ^ backwards : value >> 1;
            } else {
                value = (value & 0x8000U) ? ((value << 1) ^ poly) & 0xFFFFU : (value << 1) & 0xFFFFU;
            }
        }
        table[n] = reflected ? static_cast<crc_state>(value) : crc_swap(static_cast<crc_state>(value));
    }
    for (unsigned n = 3; n < 256; ++n) {
        const unsigned lowest = n & (0U - n);
        if (n != lowest) {
            table[n] = static_cast<crc_state>(table[n ^ lowest] ^ table[lowest]);
        }
    }
    return table;
}

// CRC-16/ARC's table. Fixed when the program is built, and the only stored
// data on crc16's path.
inline constexpr crc_lookup crc_table = crc_make_table(0x8005, true);

// Takes `count` bytes at `data`, in address order, into the CRC-16/ARC
// state `crc` and returns the new state. Calls may follow one another: the
// state is all there is.
crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count);
