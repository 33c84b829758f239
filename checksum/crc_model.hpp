// Every CRC-16: a model is its parameters as one plain value, with the table
// made for them, and the engine folds bytes by any model as crc_update does by
// CRC-16/ARC's. A computation starts from crc_start, goes on through any
// number of crc_update calls, and ends with crc_finish, which alone applies
// the final XOR.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crc16.hpp"

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

// The carry-less fold's constants (fold_x86.cpp): 16-byte blocks, each a
// polynomial of degree below 128, are carried forward across d blocks by
// multiplying each 64-bit half by x^(128d + 64) or x^(128d) mod P, in the
// lanes of `across[d - 1]` as the fold multiplies them: for a normal model,
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

// The parameters as the catalogue of CRC models gives them: the polynomial
// in its normal form (0x8005, not 0xA001); the initial value as the state
// starts in the normal form; whether the bytes go in reflected (refin) and
// whether the result comes out reflected (refout); the final XOR. The state
// is kept in the order of refin: reflected, it starts from the initial
// value's bit reversal (CRC-16/RIELLO's 0xB2AA starts a reflected state at
// 0x554D).
struct crc_model {
    const char* name; // the catalogue's name, or null for a model of one's own
    crc_state poly;
    crc_state init;
    bool refin;
    bool refout;
    crc_state xorout;
    crc_lookup table;        // for poly, in the order of refin, as crc_make_table makes it
    crc_state block_join;    // x^(8 * CRC_LANE_LENGTH) mod P, in the same order
    crc_fold_constants fold; // for the carry-less fold
};

// The model of these parameters, its table and its constants made now: at
// compile time for the catalogue, once where a model of one's own is read.
constexpr crc_model crc_make_model(const char* name, crc_state poly, crc_state init, bool refin, bool refout,
                                   crc_state xorout)
{
    crc_model model{name, poly, init, refin, refout, xorout, crc_make_table(poly, refin), 0, {}};
    model.block_join = refin ? crc_shift_factor<true>(model.table.data(), CRC_LANE_LENGTH)
                             : crc_shift_factor<false>(model.table.data(), CRC_LANE_LENGTH);
    model.fold = crc_make_fold_constants(poly, refin, model.table.data());
    return model;
}

// The state a computation starts from.
constexpr crc_state crc_start(const crc_model& model) { return model.refin ? crc_reflect(model.init) : model.init; }

// The checksum a state stands for: turned over where refout differs from
// refin, then the final XOR.
constexpr crc_state crc_finish(const crc_model& model, crc_state crc)
{
    return static_cast<crc_state>((model.refin != model.refout ? crc_reflect(crc) : crc) ^ model.xorout);
}

// The product a * b modulo the model's polynomial, in the order of its state.
constexpr crc_state crc_mulmod(const crc_model& model, crc_state a, crc_state b)
{
    return model.refin ? crc_mulmod<true>(model.table.data(), a, b) : crc_mulmod<false>(model.table.data(), a, b);
}

// x^(8 * count) mod the model's polynomial, in the order of its state.
constexpr crc_state crc_shift_factor(const crc_model& model, std::uint64_t count)
{
    return model.refin ? crc_shift_factor<true>(model.table.data(), count)
                       : crc_shift_factor<false>(model.table.data(), count);
}

// The state after A then B for any model, as crc_combine joins CRC-16/ARC's:
// `crc_a` is the state A leaves from wherever it started, `crc_b` the state
// B leaves when folded from CRC_ZERO. So the ranges of one input are folded
// apart, each from CRC_ZERO, and joined in order to crc_start's state: its
// part is carried through the whole length. crc_finish comes once, at the end.
constexpr crc_state crc_combine(const crc_model& model, crc_state crc_a, crc_state crc_b, std::uint64_t length_b)
{
    return static_cast<crc_state>(crc_mulmod(model, crc_a, crc_shift_factor(model, length_b)) ^ crc_b);
}

// Folds `count` bytes at `data` into the state `crc`, by the model, through
// the same lanes as crc_update.
crc_state crc_update(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);

// What folds a model's bytes: the table's lanes; the carry-less fold, 16
// bytes at a time, where the processor has a carry-less multiply; or the
// same fold 32 or 64 bytes at a time, where it multiplies two or four pairs
// at once.
enum class crc_engine { table, fold, wide_fold, widest_fold };

// Whether this processor, and its system, run the engine; asked of the
// processor each time, so ask once.
bool crc_engine_runs(crc_engine engine);

// The fastest engine that runs here.
crc_engine crc_fastest_engine();

// The words crc16sum --debug says an engine in.
const char* crc_engine_name(crc_engine engine);

// The same as crc_update by the model, by the carry-less fold, by the wide
// one and by the widest. Each only where crc_engine_runs says so.
crc_state crc_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);
crc_state crc_wide_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);
crc_state crc_widest_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);

// crc_update by the model, through `engine`. The table serves a model whose
// fold constants did not check out, which no catalogued one is.
inline crc_state crc_update(const crc_model& model, crc_engine engine, crc_state crc, const unsigned char* data,
                            std::size_t count)
{
    if (!model.fold.hold || engine == crc_engine::table) {
        return crc_update(model, crc, data, count);
    }
    switch (engine) {
    case crc_engine::widest_fold: return crc_widest_fold(model, crc, data, count);
    case crc_engine::wide_fold: return crc_wide_fold(model, crc, data, count);
    default: return crc_fold(model, crc, data, count);
    }
}

// The state that the nine ASCII digits "123456789" leave, one byte at a
// time, then the bytes that follow them: in the order of the model's state,
// as crc_finish takes it.
constexpr crc_state crc_digits_stepped(const crc_model& model, std::span<const unsigned char> after)
{
    crc_state crc = model.refin ? crc_start(model) : crc_swap(crc_start(model));
    for (const char digit : std::string_view("123456789")) {
        crc = crc_step(model.table.data(), crc, static_cast<unsigned char>(digit));
    }
    for (const unsigned char byte : after) {
        crc = crc_step(model.table.data(), crc, byte);
    }
    return model.refin ? crc : crc_swap(crc);
}

// The check value: the checksum of the nine digits.
constexpr crc_state crc_check_value(const crc_model& model) { return crc_finish(model, crc_digits_stepped(model, {})); }

// The residue, as the catalogue gives it: the state that a message followed
// by its checksum leaves, before the final XOR, turned over as the checksum
// is. The checksum follows in the order it is sent: its low byte first where
// it comes out reflected, its high byte first otherwise. Where refin and
// refout agree, every message leaves the same, the final XOR carried through
// sixteen more bits: 0x0000 for a model without one. The message here is the
// nine digits.
constexpr crc_state crc_residue(const crc_model& model)
{
    const crc_state check = crc_check_value(model);
    const auto high = static_cast<unsigned char>(check >> 8), low = static_cast<unsigned char>(check & 0xFFU);
    const std::array<unsigned char, 2> sent = model.refout ? std::array{low, high} : std::array{high, low};
    return static_cast<crc_state>(crc_finish(model, crc_digits_stepped(model, sent)) ^ model.xorout);
}

// A row of the catalogue of CRC-16 models: the model (named), the other
// names it is known by, separated by commas, and its published check value
// and residue.
struct crc_catalogue_entry {
    crc_model model;
    const char* aliases;
    crc_state check;
    crc_state residue;
};

// The catalogue's CRC-16 models (checksum/catalogue.tsv), in its order (by
// name), CRC-16/ARC first.
std::span<const crc_catalogue_entry> crc_catalogue();

// CRC-16/ARC, as a model.
const crc_model& crc_arc();

// The catalogued model whose name or one of whose aliases is `name`, in any
// case; null where there is none.
const crc_model* crc_find_model(std::string_view name);
