// The engine's GF(2) arithmetic and its table step: private to the engine.
// A state is read as a polynomial of degree below 16 over GF(2). Reflected,
// bit 15 is the coefficient of x^0 and bit 0 that of x^15; normal, bit 0 is
// the coefficient of x^0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crc16.hpp"

// One byte stepped into a state through a table that crc_make_table made:
// the byte meets the state's low end, the state moves down by eight bits,
// and the entry comes in. For a reflected state that is the textbook step.
// A normal state steps as (crc << 8) ^ table[(crc >> 8) ^ byte], the byte
// meeting its high end; kept with its two bytes swapped, that step is this
// one, through the table of swapped entries. So both orders take the same
// three operations a byte.
constexpr crc_state crc_step(const crc_state* table, crc_state crc, unsigned char byte)
{
    return static_cast<crc_state>((crc >> 8) ^ table[(crc ^ byte) & 0xFFU]);
}

// A state as the step takes it, and back: the same for the reflected order,
// swapped for the normal one.
template <bool REFLECTED> constexpr crc_state crc_stepped(crc_state crc) { return REFLECTED ? crc : crc_swap(crc); }

// 1, in either order.
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

// What `count` zero bytes make of `crc`, one step at a time: the slow way,
// against which crc_shift_factor is checked.
constexpr crc_state crc_shift(const crc_state* table, crc_state crc, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        crc = crc_step(table, crc, 0);
    }
    return crc;
}

// GF(2) arithmetic in the normal order, bit k of a value the coefficient of
// x^k, modulo P = x^16 + poly: slow, bit by bit, for constants made once.
constexpr crc_state crc_mulmod_normal(crc_state poly, crc_state a, crc_state b)
{
    std::uint32_t product = 0;
    for (unsigned i = 0; i < 16; ++i) {
        product ^= (std::uint32_t{a} << i) & (0U - ((b >> i) & 1U));
    }
    for (unsigned k = 31; k >= 16; --k) {
        if (((product >> k) & 1U) != 0) {
            product ^= (0x10000U | poly) << (k - 16);
        }
    }
    return static_cast<crc_state>(product);
}

// x^e mod P, by square-and-multiply.
constexpr crc_state crc_xpow(crc_state poly, std::uint64_t e)
{
    crc_state result = 1;
    crc_state power = 2; // x
    for (; e != 0; e >>= 1, power = crc_mulmod_normal(poly, power, power)) {
        if ((e & 1U) != 0) {
            result = crc_mulmod_normal(poly, result, power);
        }
    }
    return result;
}

// floor(x^32 / P), by long division.
constexpr std::uint32_t crc_barrett_quotient(crc_state poly)
{
    std::uint64_t remainder = std::uint64_t{1} << 32;
    std::uint32_t quotient = 0;
    for (unsigned k = 32; k >= 16; --k) {
        if (((remainder >> k) & 1U) != 0) {
            quotient |= 1U << (k - 16);
            remainder ^= std::uint64_t{0x10000U | poly} << (k - 16);
        }
    }
    return quotient;
}
