// crc16sum's reading of files: each opened and measured through files/, read
// chunk after chunk (next_chunk), and taken by the engine, whole, in ranges,
// or by several models at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "crc16.hpp"
#include "crc_model.hpp"
#include "reading.hpp"

// A regular file whose size is known is read straight from the system, in
// reads of this many bytes into a buffer of the job's own, with no copy
// through a stream's buffer and nothing cleared: the checksum is then a
// small part of the cost of reading a file in the page cache. Each read
// costs a system call whatever its size, which on a processor with its
// mitigations on weighs as much as copying tens of kilobytes; a mebibyte a
// read beat 128, 256 and 512 KiB, and 2 MiB, which no longer stays in the
// core's cache for the fold (doc/performance.md). A whole number of the
// engine's blocks and of what each fold takes a step.
inline constexpr std::size_t DIRECT_READ_SIZE = 1 << 20;
static_assert(DIRECT_READ_SIZE % CRC_BLOCK_SIZE == 0);

// Where the buffers a read copies into begin: on a page, as cat's and dd's
// do. The system's copy out of the page cache slows where the destination
// does not start on a cache line: on an AMD EPYC (Zen 4), a buffer 16 bytes
// past a page, where the heap put a job's, cost a quarter more system time
// than the same reads into one on a page (doc/performance.md).
inline constexpr std::size_t READ_ALIGNMENT = 4096;

// The buffers one job reads through: its own, for a regular file, and,
// after it and so on a page too, the one behind a stream, for the plain
// loop. Made on the heap, the allocator is asked for the alignment; made
// for overwriting, nothing is cleared, and a page of them is taken from the
// system only when a read first reaches it.
struct alignas(READ_ALIGNMENT) read_buffers {
    unsigned char direct[DIRECT_READ_SIZE];
    stream_buffer stream;
};
static_assert(DIRECT_READ_SIZE % READ_ALIGNMENT == 0);

// What became of one file: its checksum, or the step that failed and why.
enum class file_stage { checksummed, not_opened, not_read };
struct file_checksum {
    file_stage stage;
    int cause; // 0 when checksummed
    crc_state crc;
    // Read holding back a checksum stored at the end: its two bytes, which
    // the checksum leaves out, and how many there were (fewer than two only
    // where the whole input was that short).
    unsigned char tail[2] = {};
    std::size_t tail_length = 0;
};

// The bytes of an input kept as they are read, for --identify --search,
// which reads them again by every polynomial: KEEP_LIMIT at most, beyond
// which none are kept and `whole` is false.
inline constexpr std::size_t KEEP_LIMIT = std::size_t{64} << 20;
struct kept_bytes {
    std::vector<unsigned char> bytes;
    bool whole = true;
};

// Keeps `count` more bytes in `kept`, where it is given.
void keep_bytes(kept_bytes* kept, const unsigned char* data, std::size_t count);

// Takes `count` bytes into each of `models`' states, holding back the last
// two bytes of all taken so far in `result` where `hold_back` is set.
void take_bytes(std::span<const crc_model* const> models, crc_state* crcs, const unsigned char* data, std::size_t count,
                bool hold_back, file_checksum& result);

// Opens the file a name in UTF-8 names and measures it, behind `buffer`.
// Null, with `failed` saying why, where that fails.
std::FILE* open_measured(const std::string& name, stream_buffer& buffer, file_identity& identity,
                         file_checksum& failed);

// Standard input, from where it stands, measured as open_measured measures
// a file; null, with `failed` saying why, where that fails.
std::FILE* open_measured_input(std::int64_t& size, file_checksum& failed);

// Reads what was opened, from where it stands, for `size` bytes
// (SIZE_UNKNOWN: to its end), and closes it, unless it is standard input:
// its checksum by `model`, from crc_start to crc_finish. With `direct`, a
// stream of known size is read straight from the system through it, in
// reads of DIRECT_READ_SIZE; without, through the stream, a chunk at a time.
file_checksum finish_reading(std::FILE* stream, std::int64_t size, const crc_model& model, unsigned char* direct,
                             bool hold_back = false);

// Reads what was opened, as finish_reading does, by each of `models` at
// once, each from CRC_ZERO into its own state in `crcs`, unfinished; and
// `length`, how many bytes it held: what each model makes of a file read
// once, whatever its initial value and final XOR. Its bytes, but for those
// held back, go into `kept` too, where it is given.
file_checksum read_by_several(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                              unsigned char* direct, crc_state* crcs, std::int64_t& length, bool hold_back = false,
                              kept_bytes* kept = nullptr);

// The state that `length` bytes at `offset` of the file `name` named when
// `identity` was taken leave when taken by `model` from CRC_ZERO, for
// crc_combine to join: the file opened again, and refused with
// CAUSE_REPLACED unless it is still the same file with the same size. A
// range that comes up short fails as a short file does.
file_checksum checksum_range(const std::string& name, const file_identity& identity, std::int64_t offset,
                             std::int64_t length, const crc_model& model, read_buffers& buffers,
                             bool hold_back = false);
