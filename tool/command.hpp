// The pieces of the crc16 command: the platform layer that opens and
// measures the file, and the read loop that folds it into a checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "crc16.hpp"

#ifdef _WIN32
using path_char = wchar_t; // Windows hands the command line over as UTF-16
#else
using path_char = char;
#endif

// The most bytes one read asks for, and the size of the buffer it reads into.
// Whole blocks of the engine, so that each full chunk is folded lane by lane.
inline constexpr std::size_t CHUNK_SIZE = 4096;
static_assert(CHUNK_SIZE % CRC_BLOCK_SIZE == 0);

// The buffer behind the file stream: the system is asked for this much at a
// time, while each read of the loop still asks for one chunk. Large enough
// to make system calls rare, small enough that memory stays flat.
inline constexpr std::size_t STREAM_BUFFER_SIZE = 32768;

// The size of a stream that cannot seek: a pipe, a FIFO, a terminal.
inline constexpr std::int64_t SIZE_UNKNOWN = -1;

// Opens `path` for reading in binary mode, behind a stream buffer of
// STREAM_BUFFER_SIZE bytes. Null when it cannot be opened or names a
// directory. One stream at a time: the buffer is shared.
std::FILE* open_for_reading(const path_char* path);

// Sets `size` to the stream's length and leaves the stream at its start;
// SIZE_UNKNOWN where it cannot seek, is not a disk file (Windows) or reports a
// length of 0. False when it cannot be put back at its start.
bool measure_size(std::FILE* stream, std::int64_t& size);

// Folds the first `size` bytes of `stream` into `crc`, or, with SIZE_UNKNOWN,
// every byte up to its end. False on a read error, or when the stream ends
// before `size` bytes: a short file never passes for one padded with zeros.
bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc);
