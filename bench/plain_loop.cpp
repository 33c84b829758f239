// What the engine is measured against: the plain byte-table loop, one byte
// after another, written out here and built with -O2; and the bytes both are
// measured over.
#include "plain_loop.hpp"

crc_state plain_loop(crc_state crc, const unsigned char* data, std::size_t count)
{
    while (count-- > 0) {
        crc = static_cast<crc_state>((crc >> 8) ^ crc_table[(crc ^ *data++) & 0xFF]);
    }
    return crc;
}

crc_state plain_loop_normal(const crc_lookup& table, crc_state crc, const unsigned char* data, std::size_t count)
{
    while (count-- > 0) {
        crc = static_cast<crc_state>((crc << 8) ^ table[((crc >> 8) ^ *data++) & 0xFF]);
    }
    return crc;
}

std::vector<unsigned char> bench_bytes(std::size_t size)
{
    std::vector<unsigned char> bytes(size);
    unsigned value = 12345;
    for (auto& byte : bytes) {
        value = value * 1103515245U + 12345U;
        byte = static_cast<unsigned char>(value >> 16);
    }
    return bytes;
}
