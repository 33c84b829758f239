// CRC-16 engine: folds bytes into a 16-bit state, one table look-up per byte.
//
// crc_update and crc_table are CRC-16/ARC's, which crc16 computes:
// polynomial 0x8005 processed bit-reflected (0xA001), input and output
// reflected, initial value 0x0000, final XOR 0x0000. Check value, over the
// nine ASCII digits "123456789": 0xBB3D.
//
// Every other CRC-16 is a crc_model (crc_model.hpp), folded by the same lanes
// in either bit order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using crc_state = std::uint16_t;
using crc_lookup = std::array<crc_state, 256>;

// The state a CRC-16/ARC computation starts from.
inline constexpr crc_state CRC_INIT = 0x0000;

// A state of all zeros: where each range of an input folded apart starts,
// whatever the state the whole computation starts from.
inline constexpr crc_state CRC_ZERO = 0x0000;

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
// - Reflected: entry n is the state that byte n leaves behind when folded
//   into state 0: start from n and run eight rounds of "shift right by one,
//   and XOR in the reflected polynomial when the bit shifted out was 1".
// - Normal: the same, from n times 256, with "shift left by one, and XOR in
//   the polynomial when the bit shifted out was 1"; each entry then has its
//   two bytes swapped (see crc_step).
constexpr crc_lookup crc_make_table(crc_state poly, bool reflected)
{
    crc_lookup table{};
    const unsigned backwards = crc_reflect(poly);
    for (unsigned n = 0; n < 256; ++n) {
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
    return table;
}

// CRC-16/ARC's table. Fixed when the program is built, and the only stored
// data on crc16's path.
inline constexpr crc_lookup crc_table = crc_make_table(0x8005, true);

// One byte folded into a state through a table that crc_make_table made:
// the byte meets the state's low end, the state moves down by eight bits,
// and the entry comes in. For a reflected state that is the textbook step.
// A normal state folds as (crc << 8) ^ table[(crc >> 8) ^ byte], the byte
// meeting its high end; kept with its two bytes swapped, as the lanes keep
// it, that step is this one, through the table of swapped entries. So both
// orders take the same three operations a byte.
constexpr crc_state crc_step(const crc_state* table, crc_state crc, unsigned char byte)
{
    return static_cast<crc_state>((crc >> 8) ^ table[(crc ^ byte) & 0xFFU]);
}

// A state as the step takes it, and back: the same for the reflected order,
// swapped for the normal one.
template <bool REFLECTED> constexpr crc_state crc_stepped(crc_state crc) { return REFLECTED ? crc : crc_swap(crc); }

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

// A state read as a polynomial of degree below 16 over GF(2). Reflected, bit
// 15 is the coefficient of x^0 and bit 0 that of x^15; normal, bit 0 is the
// coefficient of x^0. CRC_ONE is 1 in the reflected order, CRC-16/ARC's.
inline constexpr crc_state CRC_ONE = 0x8000;
constexpr crc_state crc_one(bool reflected) { return reflected ? CRC_ONE : crc_state{0x0001}; }

// The product a * b modulo the polynomial whose table `table` is, both
// operands and the result in the table's bit order. The carry-less product
// first: bit i of b adds a shifted by i, each term apart from the others.
// Normal, bit k of it holds the coefficient of x^k: its low half is x^0 to
// x^15, and its high half, read as a state, is carried through two zero
// bytes (times x^16) by the table. Reflected, bit 30 - k holds x^k; shifted
// by one more, its high half holds x^0 to x^15 and its low half x^16 to
// x^31, which the table carries through two zero bytes in the same way.
template <bool REFLECTED> constexpr crc_state crc_mulmod(const crc_state* table, crc_state a, crc_state b)
{
    std::uint32_t product = 0;
    for (unsigned i = 0; i < 16; ++i) {
        product ^= (std::uint32_t{a} << i) & (0U - ((b >> i) & 1U));
    }
    if constexpr (REFLECTED) {
        product <<= 1;
    }
    auto carried = crc_stepped<REFLECTED>(static_cast<crc_state>(REFLECTED ? product & 0xFFFFU : product >> 16));
    const auto kept = static_cast<crc_state>(REFLECTED ? product >> 16 : product & 0xFFFFU);
    carried = crc_stepped<REFLECTED>(crc_step(table, crc_step(table, carried, 0), 0));
    return static_cast<crc_state>(kept ^ carried);
}

// x^(8 * count) mod P, in the table's order: the factor that `count` zero
// bytes multiply a state by, in O(log count) products, square-and-multiply
// over the powers x^(8 * 2^k), each the square of the one before.
template <bool REFLECTED> constexpr crc_state crc_shift_factor(const crc_state* table, std::uint64_t count)
{
    crc_state factor = crc_one(REFLECTED);
    crc_state power = REFLECTED ? crc_state{CRC_ONE >> 8} : crc_state{0x0100}; // x^8: one zero byte
    for (; count != 0; count >>= 1, power = crc_mulmod<REFLECTED>(table, power, power)) {
        if ((count & 1U) != 0) {
            factor = crc_mulmod<REFLECTED>(table, factor, power);
        }
    }
    return factor;
}

// CRC-16/ARC's: the product modulo its polynomial, reflected.
constexpr crc_state crc_mulmod(crc_state a, crc_state b) { return crc_mulmod<true>(crc_table.data(), a, b); }

// What `count` zero bytes make of `crc`, one byte at a time: crc * x^(8 *
// count) mod P, the slow way, against which the fast one is checked.
constexpr crc_state crc_shift(crc_state crc, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        crc = crc_step(crc_table.data(), crc, 0);
    }
    return crc;
}

constexpr crc_state crc_shift_factor(std::uint64_t count) { return crc_shift_factor<true>(crc_table.data(), count); }

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
