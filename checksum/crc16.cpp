// The table engine: CRC-16/ARC's crc_update, crc16's whole engine, and every
// model's where no fold runs. Why its lanes give the same checksum as one
// byte after another:
//
// From a state of zero and with no final XOR, the checksum is linear: the
// state after bytes A then B is shift(state after A, |B|) XOR (the state B
// leaves from 0), where shift carries a state through |B| zero
// bytes and equals a multiplication by x^(8|B|) modulo the polynomial.
// So a block cut into CRC_LANES stretches of CRC_LANE_LENGTH bytes can be
// taken as independent chains: the first from the caller's state, the rest
// from 0. They are then joined in order: state = lane 0, and for each later
// lane, state = state * x^(8 * CRC_LANE_LENGTH) XOR that lane. Each byte
// still costs one look-up, one shift and two XORs on the same table; only the
// order of the look-ups changes, so that several are in flight at once
// instead of each waiting for the one before. The initial value and the
// final XOR stay outside: the caller's state carries the one in, and
// crc_finish applies the other.
//
// What is left after the whole blocks, a short input's every byte among
// them, takes lanes the same way when it is long enough: CRC_SHORT_LANES
// stretches of remainder / CRC_SHORT_LANES bytes each. That length changes
// from call to call, so its join constant is worked out at run time, by
// square-and-multiply (crc_shift_factor), in about a dozen products; below
// CRC_SHORT_MINIMUM bytes those and the joins would cost more than the
// lanes save. The bytes that do not fill a lane go one after another.
//
// The same code serves both bit orders, as a template over the order, with
// the table and the block's join constant handed in: CRC-16/ARC's own for
// crc_update, a model's for every other.
#include "model.hpp"

static_assert(sizeof(crc_table) == 512);
static_assert(crc_table[0] == 0x0000 && crc_table[1] == 0xC0C1 && crc_table[2] == 0xC181);
static_assert(crc_table[3] == 0x0140 && crc_table[128] == 0xA001 && crc_table[255] == 0x4040);

namespace {

// CRC-16/ARC's join constant, x^(8 * CRC_LANE_LENGTH) mod P, from products...
constexpr crc_state JOIN = crc_shift_factor<true>(crc_table.data(), CRC_LANE_LENGTH);

// ...and, another way, from the byte step: CRC_ONE carried through the same
// number of zero bytes.
static_assert(JOIN == crc_shift(crc_table.data(), CRC_ONE, CRC_LANE_LENGTH));
static_assert(crc_mulmod<true>(crc_table.data(), CRC_ONE, JOIN) == JOIN);

// LANES stretches of `length` bytes from `data`, side by side: the first
// carries `crc` on, the others start from 0; then joined in order, each
// multiplied by `join`, which must be x^(8 * length), before the next is
// added.
template <bool REFLECTED, std::size_t LANES>
[[gnu::always_inline]] inline crc_state take_lanes(const crc_state* table, crc_state crc, const unsigned char* data,
                                                   std::size_t length, crc_state join)
{
    crc_state lane[LANES] = {crc};
    for (std::size_t i = 0; i < length; ++i) {
#pragma GCC unroll 16
        for (std::size_t n = 0; n < LANES; ++n) {
            lane[n] = crc_step(table, lane[n], data[n * length + i]);
        }
    }
    crc = crc_stepped<REFLECTED>(lane[0]);
    for (std::size_t n = 1; n < LANES; ++n) {
        crc = static_cast<crc_state>(crc_mulmod<REFLECTED>(table, crc, join) ^ crc_stepped<REFLECTED>(lane[n]));
    }
    return crc_stepped<REFLECTED>(crc);
}

// The whole of crc_update, in one bit order; `block_join` is the table's
// x^(8 * CRC_LANE_LENGTH). The state goes through it as crc_step takes it.
template <bool REFLECTED>
[[gnu::always_inline]] inline crc_state update(const crc_state* table, crc_state block_join, crc_state crc,
                                               const unsigned char* data, std::size_t count)
{
    crc = crc_stepped<REFLECTED>(crc);
    for (; count >= CRC_BLOCK_SIZE; data += CRC_BLOCK_SIZE, count -= CRC_BLOCK_SIZE) {
        crc = take_lanes<REFLECTED, CRC_LANES>(table, crc, data, CRC_LANE_LENGTH, block_join);
    }
    if (count >= CRC_SHORT_MINIMUM) {
        const std::size_t length = count / CRC_SHORT_LANES;
        crc = take_lanes<REFLECTED, CRC_SHORT_LANES>(table, crc, data, length,
                                                     crc_shift_factor<REFLECTED>(table, length));
        data += length * CRC_SHORT_LANES;
        count -= length * CRC_SHORT_LANES;
    }
    for (std::size_t i = 0; i < count; ++i) {
        crc = crc_step(table, crc, data[i]);
    }
    return crc_stepped<REFLECTED>(crc);
}

} // namespace

crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count)
{
    return update<true>(crc_table.data(), JOIN, crc, data, count);
}

crc_state crc_table_update(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (model.parameters.refin) {
        return update<true>(model.table.data(), model.block_join, crc, data, count);
    }
    return update<false>(model.table.data(), model.block_join, crc, data, count);
}
