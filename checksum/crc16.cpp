// Why the lanes give the same checksum as one byte after another.
//
// With the initial value 0 and no final XOR, the checksum is linear: the
// state after bytes A then B is shift(state after A, |B|) XOR (the state B
// leaves when folded into 0), where shift carries a state through |B| zero
// bytes and equals a multiplication by x^(8|B|) modulo the polynomial.
// So a block cut into CRC_LANES stretches of CRC_LANE_LENGTH bytes can be
// folded as independent chains: the first from the caller's state, the rest
// from 0. They are then joined in order: state = lane 0, and for each later
// lane, state = state * x^(8 * CRC_LANE_LENGTH) XOR that lane. Each byte
// still costs one look-up, one shift and two XORs on the same table; only the
// order of the look-ups changes, so that several are in flight at once
// instead of each waiting for the one before.
#include "crc16.hpp"

namespace {

constexpr crc_state REFLECTED_POLY = 0xA001;

// Entry n: start from n and run eight rounds of "shift right by one, and
// XOR in the reflected polynomial when the bit shifted out was 1".
constexpr std::array<crc_state, 256> make_table()
{
    std::array<crc_state, 256> table{};
    for (unsigned n = 0; n < 256; ++n) {
        unsigned value = n;
        for (int round = 0; round < 8; ++round) {
            value = (value & 1U) ? (value >> 1) ^ REFLECTED_POLY : value >> 1;
        }
        table[n] = static_cast<crc_state>(value);
    }
    return table;
}

} // namespace

constexpr std::array<crc_state, 256> crc_table = make_table();

static_assert(sizeof(crc_table) == 512);
static_assert(crc_table[0] == 0x0000 && crc_table[1] == 0xC0C1 && crc_table[2] == 0xC181);
static_assert(crc_table[3] == 0x0140 && crc_table[128] == 0xA001 && crc_table[255] == 0x4040);

namespace {

// One byte: the step of the plain loop, and of every lane.
constexpr crc_state step(crc_state crc, unsigned char byte)
{
    return static_cast<crc_state>((crc >> 8) ^ crc_table[(crc ^ byte) & 0xFFU]);
}

// The join constant, x^(8 * CRC_LANE_LENGTH) mod P, from the polynomial...
constexpr crc_state JOIN = crc_shift(CRC_ONE, CRC_LANE_LENGTH);

// ...and, independently, from the table: CRC_ONE carried through the same
// number of zero bytes by the byte step.
constexpr crc_state through_zero_bytes(crc_state crc, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        crc = step(crc, 0);
    }
    return crc;
}

static_assert(JOIN == through_zero_bytes(CRC_ONE, CRC_LANE_LENGTH));
static_assert(crc_mulmod(CRC_ONE, JOIN) == JOIN && crc_mulmod(JOIN, CRC_ONE) == JOIN);

} // namespace

crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count)
{
    for (; count >= CRC_BLOCK_SIZE; data += CRC_BLOCK_SIZE, count -= CRC_BLOCK_SIZE) {
        crc_state lane[CRC_LANES] = {crc};
        for (std::size_t i = 0; i < CRC_LANE_LENGTH; ++i) {
#pragma GCC unroll 16
            for (std::size_t n = 0; n < CRC_LANES; ++n) {
                lane[n] = step(lane[n], data[n * CRC_LANE_LENGTH + i]);
            }
        }
        crc = lane[0];
        for (std::size_t n = 1; n < CRC_LANES; ++n) {
            crc = static_cast<crc_state>(crc_mulmod(crc, JOIN) ^ lane[n]);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        crc = step(crc, data[i]);
    }
    return crc;
}
