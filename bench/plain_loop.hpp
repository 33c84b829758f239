#pragma once
#include <vector>

#include "crc16.hpp"

// The plain byte-table loops, one byte after another, built with -O2
// whatever the build type: CRC-16/ARC's, reflected, and one through any
// table of the normal order.
crc_state plain_loop(crc_state crc, const unsigned char* data, std::size_t count);
crc_state plain_loop_normal(const crc_lookup& table, crc_state crc, const unsigned char* data, std::size_t count);

// `size` bytes that look random, the same on every run and every target.
std::vector<unsigned char> bench_bytes(std::size_t size);
