// The constants of the 128-bit carry-less folds, laid out as the x86 and
// arm64 folds load them: private to the engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arithmetic.hpp"

// 16-byte blocks, each a polynomial of degree below 128, are carried forward
// across d blocks by multiplying each 64-bit half by x^(128d + 64) or
// x^(128d) mod P, in the two halves of `across[d - 1]` as the fold
// multiplies them: for a normal model,
// {x^(128d), x^(128d + 64)}; for a reflected one, whose blocks are read
// with their bits reversed, {x^(128d + 63), x^(128d - 1)}, each reversed
// into the top of its 64 bits, since a product of reversed operands comes
// out one place further along. Then, in the normal order: x^64 and x^48 mod
// P, which bring the last block down to 48 bits; x^32 mod P, which brings it
// to 32; floor(x^32 / P) for the Barrett step that divides by P; and P
// itself, with its x^16.
inline constexpr std::size_t CRC_FOLD_DISTANCES = 16;
struct crc_fold_constants {
    std::uint64_t across[CRC_FOLD_DISTANCES][2];
    std::uint64_t down[2];    // x^64, x^48
    std::uint64_t barrett[2]; // x^32, floor(x^32 / P)
    std::uint64_t p[2];       // P, 0
    bool hold;                // each agrees with crc_shift_factor, as checked when made
};

// x^(8 * bytes) mod P as crc_shift_factor gives it through `table`, in the
// normal order whatever the table's.
constexpr crc_state crc_shift_normal(const crc_state* table, bool reflected, std::uint64_t bytes)
{
    return reflected ? crc_reflect(crc_shift_factor<true>(table, bytes)) : crc_shift_factor<false>(table, bytes);
}

// The fold's constants for `poly` in the order of `reflected`, each checked
// against crc_shift_factor through `table`, the model's: x^e mod P for a
// whole number of bytes is that factor, and one power less times x is it.
constexpr crc_fold_constants crc_make_fold_constants(crc_state poly, bool reflected, const crc_state* table)
{
    crc_fold_constants made{};
    made.hold = true;
    // x^(128d) from x^(128(d - 1)), one product a step; one power less from
    // the power before times x^127.
    const crc_state x64 = crc_xpow(poly, 64), x127 = crc_xpow(poly, 127), x128 = crc_xpow(poly, 128);
    crc_state before = 1;
    for (std::size_t d = 1; d <= CRC_FOLD_DISTANCES; before = crc_mulmod_normal(poly, before, x128), ++d) {
        const crc_state low = crc_mulmod_normal(poly, before, x128), high = crc_mulmod_normal(poly, low, x64);
        const crc_state low_less = crc_mulmod_normal(poly, before, x127);
        const crc_state high_less = crc_mulmod_normal(poly, low_less, x64);
        made.hold = made.hold && low == crc_shift_normal(table, reflected, 16 * d) &&
            high == crc_shift_normal(table, reflected, 16 * d + 8) && crc_mulmod_normal(poly, low_less, 2) == low &&
            crc_mulmod_normal(poly, high_less, 2) == high;
        if (reflected) {
            made.across[d - 1][0] = std::uint64_t{crc_reflect(high_less)} << 48;
            made.across[d - 1][1] = std::uint64_t{crc_reflect(low_less)} << 48;
        } else {
            made.across[d - 1][0] = low;
            made.across[d - 1][1] = high;
        }
    }
    made.down[0] = crc_xpow(poly, 64);
    made.down[1] = crc_xpow(poly, 48);
    made.barrett[0] = crc_xpow(poly, 32);
    made.barrett[1] = crc_barrett_quotient(poly);
    made.p[0] = 0x10000U | poly;
    made.hold = made.hold && made.down[0] == crc_shift_normal(table, reflected, 8) &&
        made.down[1] == crc_shift_normal(table, reflected, 6) &&
        made.barrett[0] == crc_shift_normal(table, reflected, 4);
    return made;
}
