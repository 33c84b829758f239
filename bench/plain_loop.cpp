// What the engine is measured against: the plain byte-table loop, one byte
// after another, written out here and built with -O2.
#include "plain_loop.hpp"

crc_state plain_loop(crc_state crc, const unsigned char* data, std::size_t count)
{
    while (count-- > 0) {
        crc = static_cast<crc_state>((crc >> 8) ^ crc_table[(crc ^ *data++) & 0xFF]);
    }
    return crc;
}
