// Linear equations over GF(2) in sixteen unknowns, the bits of a state,
// taken one at a time: private to the engine. An equation is a row: bit j
// (0 to 15) is the coefficient of unknown j, and the bits from 16 up are
// its right-hand sides, one for each of several systems that share their
// coefficients and are solved together.
#pragma once

#include <bit>
#include <cstdint>

#include "crc16.hpp"

inline constexpr std::uint32_t CRC_COEFFICIENTS = 0xFFFFU;

// The rows taken so far, reduced: rows[p], where it is not zero, has its
// lowest coefficient at bit p and none below it. `conflicts` has a bit for
// each right-hand side (bit 0 for row bit 16) that some row reduced to
// 0 = 1: that system has no solution.
struct crc_system {
    std::uint32_t rows[16] = {};
    std::uint32_t conflicts = 0;
};

// Takes one more equation: each coefficient below the row's lowest left is
// cleared by the row kept there, until it finds a place of its own or has
// none left.
constexpr void crc_system_add(crc_system& system, std::uint32_t row)
{
    while ((row & CRC_COEFFICIENTS) != 0) {
        const int lowest = std::countr_zero(row & CRC_COEFFICIENTS);
        if (system.rows[lowest] == 0) {
            system.rows[lowest] = row;
            return;
        }
        row ^= system.rows[lowest];
    }
    system.conflicts |= row >> 16;
}

// How many of the equations taken are independent.
constexpr unsigned crc_system_rank(const crc_system& system)
{
    unsigned rank = 0;
    for (const std::uint32_t row : system.rows) {
        rank += row != 0 ? 1U : 0U;
    }
    return rank;
}

// The solution of system `which` that is the smallest number, unknown 15
// its most significant bit, where it has one: from the top down, an unknown
// no row starts at is 0, and one a row starts at is what that row's
// right-hand side and the unknowns above it make.
constexpr crc_state crc_system_least(const crc_system& system, unsigned which)
{
    std::uint32_t solution = 0;
    for (int p = 15; p >= 0; --p) {
        const std::uint32_t row = system.rows[p];
        if (row != 0) {
            const std::uint32_t above = row & CRC_COEFFICIENTS & ~(1U << p) & solution;
            const std::uint32_t bit = ((row >> (16 + which)) ^ static_cast<std::uint32_t>(std::popcount(above))) & 1U;
            solution |= bit << p;
        }
    }
    return static_cast<crc_state>(solution);
}

// The sixteen equations "a * factor = product" in the unknown a, modulo
// x^16 + poly, in the normal order: equation k says bit k of the product.
// Its coefficient of unknown j is bit k of x^j * factor. `products` holds
// the product of each of `sides` systems (at most 16), system s's at [s].
constexpr void crc_system_add_product(crc_system& system, crc_state poly, crc_state factor, const crc_state* products,
                                      unsigned sides)
{
    crc_state columns[16] = {};
    crc_state column = factor;
    for (unsigned j = 0; j < 16; ++j) {
        columns[j] = column;
        column = static_cast<crc_state>((unsigned{column} << 1U) ^
                                        ((column & 0x8000U) != 0 ? unsigned{poly} : 0U)); // times x
    }
    for (unsigned k = 0; k < 16; ++k) {
        std::uint32_t row = 0;
        for (unsigned j = 0; j < 16; ++j) {
            row |= static_cast<std::uint32_t>((columns[j] >> k) & 1U) << j;
        }
        for (unsigned s = 0; s < sides; ++s) {
            row |= static_cast<std::uint32_t>((products[s] >> k) & 1U) << (16 + s);
        }
        crc_system_add(system, row);
    }
}
