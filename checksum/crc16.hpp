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

// crc_update folds whole blocks of CRC_BLOCK_SIZE bytes as CRC_LANES
// stretches of CRC_LANE_LENGTH bytes side by side, and any bytes after the
// last whole block one after another. The lane count is the one that
// measured fastest on each target: 8 on 64-bit x86, 16 on 32-bit x86. ARM
// and s390x follow the same rule by pointer width, unmeasured: there was no
// such hardware to time, and times under an emulator mean nothing.
inline constexpr std::size_t CRC_BLOCK_SIZE = 4096;
inline constexpr std::size_t CRC_LANES = sizeof(void*) >= 8 ? 8 : 16;
inline constexpr std::size_t CRC_LANE_LENGTH = CRC_BLOCK_SIZE / CRC_LANES;
static_assert(CRC_LANE_LENGTH * CRC_LANES == CRC_BLOCK_SIZE);

// A state read as a polynomial of degree below 16 over GF(2), reflected as
// the state is: bit 15 is the coefficient of x^0, bit 0 that of x^15.
inline constexpr crc_state CRC_ONE = 0x8000;

// The product a * b modulo the polynomial, both operands and the result
// in the reflected order above.
constexpr crc_state crc_mulmod(crc_state a, crc_state b)
{
    unsigned product = 0;
    unsigned term = b; // b * x^i mod P, for i = 0, 1, ..., 15
    for (unsigned i = 0; i < 16; ++i) {
        if ((a & (CRC_ONE >> i)) != 0) {
            product ^= term;
        }
        term = (term & 1U) ? (term >> 1) ^ 0xA001U : term >> 1;
    }
    return static_cast<crc_state>(product);
}

// What `count` zero bytes make of `crc`: crc * x^(8 * count) mod P.
constexpr crc_state crc_shift(crc_state crc, std::size_t count)
{
    constexpr crc_state X8 = CRC_ONE >> 8; // x^8: one zero byte
    for (std::size_t i = 0; i < count; ++i) {
        crc = crc_mulmod(crc, X8);
    }
    return crc;
}

// Folds `count` bytes at `data`, in address order, into `crc` and returns the
// new state. Calls may follow one another: the state is all there is.
crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count);
