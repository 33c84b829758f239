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

crc_state crc_update(crc_state crc, const unsigned char* data, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<crc_state>((crc >> 8) ^ crc_table[(crc ^ data[i]) & 0xFFU]);
    }
    return crc;
}
