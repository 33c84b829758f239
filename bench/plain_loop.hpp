#pragma once
#include "crc16.hpp"

crc_state plain_loop(crc_state crc, const unsigned char* data, std::size_t count);
