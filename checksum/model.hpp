// A model as the engine holds it: its parameters, and what is made from
// them once, at compile time for the catalogue and where a model of one's
// own is made: the table, the lanes' join constant and the folds'
// constants. Private to the engine.
#pragma once

#include <cstddef>
#include <string_view>

#include "arithmetic.hpp"
#include "crc_model.hpp"
#include "fold_constants.hpp"

// The table engine takes whole blocks of CRC_BLOCK_SIZE bytes as CRC_LANES
// stretches of CRC_LANE_LENGTH bytes side by side. What is left after the
// last whole block, when it is CRC_SHORT_MINIMUM bytes or more, goes as
// CRC_SHORT_LANES stretches of equal length, and the few bytes after those
// one after another. The counts are the ones that measured fastest on each
// target: for blocks, 8 lanes on 64-bit x86 and 16 on 32-bit x86; for the
// rest, 8 lanes on both, which beat the plain loop from about 200 bytes on.
// ARM and s390x follow the same rule by pointer width, unmeasured.
inline constexpr std::size_t CRC_LANES = sizeof(void*) >= 8 ? 8 : 16;
inline constexpr std::size_t CRC_LANE_LENGTH = CRC_BLOCK_SIZE / CRC_LANES;
static_assert(CRC_LANE_LENGTH * CRC_LANES == CRC_BLOCK_SIZE);
inline constexpr std::size_t CRC_SHORT_LANES = 8;
inline constexpr std::size_t CRC_SHORT_MINIMUM = 256;
static_assert(CRC_SHORT_MINIMUM >= CRC_SHORT_LANES && CRC_SHORT_MINIMUM < CRC_BLOCK_SIZE);

// The state is kept in the order of refin: reflected, it starts from the
// initial value's bit reversal (CRC-16/RIELLO's 0xB2AA starts a reflected
// state at 0x554D).
struct crc_model {
    const char* name;    // the catalogue's, or null for a model of one's own
    const char* aliases; // separated by commas
    crc_parameters parameters;
    crc_state check;
    crc_state residue;
    crc_lookup table;        // for poly, in the order of refin, as crc_make_table makes it
    crc_state block_join;    // x^(8 * CRC_LANE_LENGTH) mod P, in the same order
    crc_fold_constants fold; // for the 128-bit folds and those built on them
};

constexpr crc_state crc_start_of(const crc_parameters& p) { return p.refin ? crc_reflect(p.init) : p.init; }

// The checksum a state stands for, before the final XOR: turned over where
// refout differs from refin.
constexpr crc_state crc_turned(const crc_parameters& p, crc_state crc)
{
    return p.refin != p.refout ? crc_reflect(crc) : crc;
}

// The state after `bytes`, one step at a time, from `crc`.
constexpr crc_state crc_step_bytes(const crc_model& model, crc_state crc, std::string_view bytes)
{
    crc = model.parameters.refin ? crc : crc_swap(crc);
    for (const char byte : bytes) {
        crc = crc_step(model.table.data(), crc, static_cast<unsigned char>(byte));
    }
    return model.parameters.refin ? crc : crc_swap(crc);
}

// The one rule for the order of a stored checksum's bytes (crc_model.hpp).
constexpr bool crc_stored_low_first(const crc_parameters& p) { return p.refout; }

// The model of these parameters, its table and its constants made now, its
// check value and residue worked out one step at a time.
constexpr crc_model crc_make_model(const char* name, const char* aliases, const crc_parameters& p)
{
    crc_model model{name, aliases, p, 0, 0, crc_make_table(p.poly, p.refin), 0, {}};
    model.block_join = p.refin ? crc_shift_factor<true>(model.table.data(), CRC_LANE_LENGTH)
                               : crc_shift_factor<false>(model.table.data(), CRC_LANE_LENGTH);
    model.fold = crc_make_fold_constants(p.poly, p.refin, model.table.data());
    const crc_state digits = crc_step_bytes(model, crc_start_of(p), "123456789");
    model.check = static_cast<crc_state>(crc_turned(p, digits) ^ p.xorout);
    unsigned char stored[2] = {};
    crc_store(model.check, crc_stored_low_first(p), stored);
    const char bytes[] = {static_cast<char>(stored[0]), static_cast<char>(stored[1])};
    model.residue = crc_turned(p, crc_step_bytes(model, digits, std::string_view(bytes, 2)));
    return model;
}

// The table engine, by the model's table.
crc_state crc_table_update(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);

// The folds, each only where crc_engine_runs says so, each for a model
// whose fold constants hold.
crc_state crc_fold_128(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);
crc_state crc_fold_256(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);
crc_state crc_fold_512(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);
