// Every CRC-16: a model is its parameters as one plain value, with the table
// made for them, and the engine folds bytes by any model as crc_update does by
// CRC-16/ARC's. A computation starts from crc_start, goes on through any
// number of crc_update calls, and ends with crc_finish, which alone applies
// the final XOR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crc16.hpp"

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
    crc_lookup table;     // for poly, in the order of refin, as crc_make_table makes it
    crc_state block_join; // x^(8 * CRC_LANE_LENGTH) mod P, in the same order
};

// The model of these parameters, its table and its constants made now: at
// compile time for the catalogue, once where a model of one's own is read.
constexpr crc_model crc_make_model(const char* name, crc_state poly, crc_state init, bool refin, bool refout,
                                   crc_state xorout)
{
    crc_model model{name, poly, init, refin, refout, xorout, crc_make_table(poly, refin), 0};
    model.block_join = refin ? crc_shift_factor<true>(model.table.data(), CRC_LANE_LENGTH)
                             : crc_shift_factor<false>(model.table.data(), CRC_LANE_LENGTH);
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

// The check value: the checksum of the nine ASCII digits "123456789", one
// byte at a time.
constexpr crc_state crc_check_value(const crc_model& model)
{
    crc_state crc = model.refin ? crc_start(model) : crc_swap(crc_start(model));
    for (const char digit : std::string_view("123456789")) {
        crc = crc_step(model.table.data(), crc, static_cast<unsigned char>(digit));
    }
    return crc_finish(model, model.refin ? crc : crc_swap(crc));
}

// A row of the catalogue of CRC-16 models: the model (named), the other
// names it is known by, separated by commas, and its published check value.
struct crc_catalogue_entry {
    crc_model model;
    const char* aliases;
    crc_state check;
};

// The catalogue's 31 CRC-16 models, in its order (by name), CRC-16/ARC first.
std::span<const crc_catalogue_entry> crc_catalogue();

// CRC-16/ARC, as a model.
const crc_model& crc_arc();

// The catalogued model whose name or one of whose aliases is `name`, in any
// case; null where there is none.
const crc_model* crc_find_model(std::string_view name);
