// Every CRC-16, as a model: the catalogue's by name, or one of one's own
// made from its parameters. A model is opaque: what is derived from its
// parameters (its table and its constants) is the engine's own. A
// computation starts from crc_start, goes on through any number of
// crc_update calls, and ends with crc_finish, which alone applies the final
// XOR. The engine that takes the bytes is chosen once, inside the engine
// (crc_engine.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crc16.hpp"

// The parameters as the catalogue of CRC models gives them: the polynomial
// in its normal form (0x8005, not 0xA001); the initial value as the state
// starts in the normal form; whether the bytes go in reflected (refin) and
// whether the result comes out reflected (refout); the final XOR.
struct crc_parameters {
    crc_state poly = 0;
    crc_state init = 0;
    bool refin = false;
    bool refout = false;
    crc_state xorout = 0;
};

constexpr bool operator==(const crc_parameters& a, const crc_parameters& b)
{
    return a.poly == b.poly && a.init == b.init && a.refin == b.refin && a.refout == b.refout && a.xorout == b.xorout;
}

struct crc_model;

crc_state crc_start(const crc_model& model);

// Takes `count` bytes at `data` into the state `crc`, by the model.
crc_state crc_update(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count);

crc_state crc_finish(const crc_model& model, crc_state crc);

// The state after bytes A then B: `crc_a` is the state A leaves from
// wherever it started, `crc_b` the state B leaves when taken from CRC_ZERO,
// `length_b` B's length. So the ranges of one input are read apart, each
// from CRC_ZERO, and joined in order to crc_start's state; and a state
// carried through `length_b` zero bytes is crc_combine(model, crc, CRC_ZERO,
// length_b).
crc_state crc_combine(const crc_model& model, crc_state crc_a, crc_state crc_b, std::uint64_t length_b);

const crc_parameters& crc_parameters_of(const crc_model& model);

// The catalogue's name, or null for a model of one's own.
const char* crc_name_of(const crc_model& model);

// The other names a catalogued model is known by, separated by commas; ""
// where there are none, and for a model of one's own.
const char* crc_aliases_of(const crc_model& model);

// The checksum of the nine ASCII digits "123456789".
crc_state crc_check_of(const crc_model& model);

// What the register holds, before the final XOR, after an input followed
// by its own checksum stored in the model's byte order.
crc_state crc_residue_of(const crc_model& model);

// Whether a checksum stored after its input goes low byte first: for a
// model whose output is reflected, as MODBUS, KERMIT and X-25 store theirs;
// else high byte first, as XMODEM and IBM-3740 do. Stored so, the checksum
// leaves the model's residue. For a model whose input and output orders
// differ, which none in the catalogue does, this is only a convention.
bool crc_stored_low_first(const crc_model& model);

// A checksum's two bytes in the order they are stored, low byte first or not.
constexpr void crc_store(crc_state crc, bool low_first, unsigned char (&bytes)[2])
{
    const auto low = static_cast<unsigned char>(crc & 0xFFU), high = static_cast<unsigned char>(crc >> 8);
    bytes[0] = low_first ? low : high;
    bytes[1] = low_first ? high : low;
}

// The checksum two stored bytes hold, low byte first or not.
constexpr crc_state crc_stored(const unsigned char (&bytes)[2], bool low_first)
{
    return static_cast<crc_state>(low_first ? bytes[0] | bytes[1] << 8 : bytes[0] << 8 | bytes[1]);
}

// The catalogue, in its order (by name), CRC-16/ARC first.
std::size_t crc_catalogue_size();
const crc_model& crc_catalogue_model(std::size_t index);

const crc_model& crc_arc();

// The catalogued model whose name or one of whose aliases is `name`, in any
// case; null where there is none.
const crc_model* crc_find_model(std::string_view name);

// The catalogued model of these parameters; null where there is none.
const crc_model* crc_catalogued_model(const crc_parameters& parameters);

// A model of one's own, made from its parameters, which crc_free_model
// frees; null where there is no memory for it.
crc_model* crc_new_model(const crc_parameters& parameters);
void crc_free_model(crc_model* model);
