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

// The state a CRC-16/ARC computation starts from.
inline constexpr crc_state CRC_INIT = 0x0000;

// A state of all zeros: where each range of an input folded apart starts,
// whatever the state the whole computation starts from.
inline constexpr crc_state CRC_ZERO = 0x0000;

// Entry n: start from n and run eight rounds of "shift right by one, and
// XOR in the reflected polynomial when the bit shifted out was 1".
constexpr std::array<crc_state, 256> crc_make_table()
{
    std::array<crc_state, 256> table{};
    for (unsigned n = 0; n < 256; ++n) {
        unsigned value = n;
        for (int round = 0; round < 8; ++round) {
            value = (value & 1U) ? (value >> 1) ^ 0xA001U : value >> 1;
        }
        table[n] = static_cast<crc_state>(value);
    }
    return table;
}

// Entry n is the state that byte n leaves behind when folded into state 0.
// Fixed when the program is built, and the engine's only stored data.
inline constexpr std::array<crc_state, 256> crc_table = crc_make_table();

// crc_update folds whole blocks of CRC_BLOCK_SIZE bytes as CRC_LANES
// stretches of CRC_LANE_LENGTH bytes side by side. What is left after the
// last whole block, when it is CRC_SHORT_MINIMUM bytes or more, goes as
// CRC_SHORT_LANES stretches of equal length, and the few bytes after those
// one after another. The counts are the ones that measured fastest on each
// target: for blocks, 8 lanes on 64-bit x86 and 16 on 32-bit x86; for the
// rest, 8 lanes on both, which beat the plain loop from about 200 bytes on.
// ARM and s390x follow the same rule by pointer width, unmeasured: there was
// no such hardware to time, and times under an emulator mean nothing.
inline constexpr std::size_t CRC_BLOCK_SIZE = 4096;
inline constexpr std::size_t CRC_LANES = sizeof(void*) >= 8 ? 8 : 16;
inline constexpr std::size_t CRC_LANE_LENGTH = CRC_BLOCK_SIZE / CRC_LANES;
static_assert(CRC_LANE_LENGTH * CRC_LANES == CRC_BLOCK_SIZE);
inline constexpr std::size_t CRC_SHORT_LANES = 8;
inline constexpr std::size_t CRC_SHORT_MINIMUM = 256;
static_assert(CRC_SHORT_MINIMUM >= CRC_SHORT_LANES && CRC_SHORT_MINIMUM < CRC_BLOCK_SIZE);

// A state read as a polynomial of degree below 16 over GF(2), reflected as
// the state is: bit 15 is the coefficient of x^0, bit 0 that of x^15.
inline constexpr crc_state CRC_ONE = 0x8000;

// The product a * b modulo the polynomial, both operands and the result
// in the reflected order above. The carry-less product first: bit i of b
// adds a shifted by i, each term apart from the others. In this order, bit
// 30 - k of it holds the coefficient of x^k; shifted by one more, its high
// half holds x^0 to x^15 and its low half x^16 to x^31, which, read as a
// state, is carried through two zero bytes (times x^16) by the table.
constexpr crc_state crc_mulmod(crc_state a, crc_state b)
{
    std::uint32_t product = 0;
    for (unsigned i = 0; i < 16; ++i) {
        product ^= (std::uint32_t{a} << i) & (0U - ((b >> i) & 1U));
    }
    product <<= 1;
    unsigned low = product & 0xFFFFU;
    for (int zero_byte = 0; zero_byte < 2; ++zero_byte) {
        low = (low >> 8) ^ crc_table[low & 0xFFU];
    }
    return static_cast<crc_state>((product >> 16) ^ low);
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

// x^(8 * count) mod P, the factor that `count` zero bytes multiply a state
// by, in O(log count) products: square-and-multiply over the powers
// x^(8 * 2^k), each the square of the one before.
constexpr crc_state crc_shift_factor(std::uint64_t count)
{
    crc_state factor = CRC_ONE;
    for (crc_state power = CRC_ONE >> 8; count != 0; count >>= 1, power = crc_mulmod(power, power)) {
        if ((count & 1U) != 0) {
            factor = crc_mulmod(factor, power);
        }
    }
    return factor;
}

// The state after bytes A then B, from the state A leaves (`crc_a`), the
// state B leaves when folded into 0 (`crc_b`) and B's length: A's state
// carried through as many zero bytes as B has, XOR B's. So the ranges of one
// input can be folded apart, each from 0, and joined in order.
constexpr crc_state crc_combine(crc_state crc_a, crc_state crc_b, std::uint64_t length_b)
{
    return static_cast<crc_state>(crc_mulmod(crc_a, crc_shift_factor(length_b)) ^ crc_b);
}

// Folds `count` bytes at `data`, in address order, into `crc` and returns the
// new state. Calls may follow one another: the state is all there is.
crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count);
