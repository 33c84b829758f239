// The layer that opens and reads files, shared by crc16 and crc16sum: a file
// opened and measured, the read loop that folds it into a checksum, and the
// ranges of one file that crc16sum reads apart. Every difference between
// Windows and POSIX in these is kept in opening.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "crc16.hpp"
#include "crc_model.hpp"
#include "platform.hpp"

// The most bytes one read asks for, and the size of the buffer it reads into.
// Whole blocks of the engine, so that each full chunk is folded lane by lane.
inline constexpr std::size_t CHUNK_SIZE = 4096;
static_assert(CHUNK_SIZE % CRC_BLOCK_SIZE == 0);

// The buffer behind a file stream: the system is asked for this much at a
// time, while each read of the loop still asks for one chunk. Large enough
// to make system calls rare, small enough that memory stays flat. Each open
// stream has one of its own, which its reader keeps until the stream is
// closed.
inline constexpr std::size_t STREAM_BUFFER_SIZE = 32768;
struct stream_buffer {
    char bytes[STREAM_BUFFER_SIZE];
};

// crc16sum reads a regular file whose size it knows straight from the
// system, in reads of this many bytes into a buffer of its own, with no
// copy through a stream's buffer and nothing cleared: the checksum is then a
// small part of the cost of reading a file in the page cache. A whole
// number of the engine's blocks and of the folds' groups.
inline constexpr std::size_t DIRECT_READ_SIZE = 128 << 10;
static_assert(DIRECT_READ_SIZE % CRC_BLOCK_SIZE == 0);

// The buffers one of crc16sum's jobs reads through: behind a stream, for the
// plain loop, and its own, for a regular file.
struct read_buffers {
    stream_buffer stream;
    unsigned char direct[DIRECT_READ_SIZE];
};

// Reads up to `count` bytes from the stream's file, from where it stands,
// straight from the system; nothing may have been read through the stream.
// `got` is 0 at the end. False, with `cause`, on a read error.
bool read_directly(std::FILE* stream, unsigned char* into, std::size_t count, std::size_t& got, int& cause);

// The size of a stream that cannot seek: a pipe, a FIFO, a terminal.
inline constexpr std::int64_t SIZE_UNKNOWN = -1;

// Why a file gave no checksum: a system error number (errno), or one of
// these: a file that ended before the size it was measured at, or a name
// that, opened again to read a range, no longer named the same file.
inline constexpr int CAUSE_ENDED_EARLY = -1;
inline constexpr int CAUSE_REPLACED = -2;

// The words for a cause: the system's own, or the layer's.
std::string describe_cause(int cause);

// Opens `path` for reading in binary mode, behind `buffer`. Null when it
// cannot be opened or names a directory, with `cause` set.
std::FILE* open_for_reading(const path_char* path, stream_buffer& buffer, int& cause);

// Sets `size` to the stream's length and leaves the stream at its start;
// SIZE_UNKNOWN where it cannot seek, is not a disk file (Windows) or reports a
// length of 0. False, with `cause`, when it cannot be put back at its start.
bool measure_size(std::FILE* stream, std::int64_t& size, int& cause);

// Puts the stream at `offset` bytes from its start, past 4 GiB as well.
bool seek_position(std::FILE* stream, std::int64_t offset, int& cause);

// Folds the first `size` bytes of `stream` into `crc`, or, with SIZE_UNKNOWN,
// every byte up to its end, as CRC-16/ARC (crc_update). False, with `cause`,
// on a read error, or when the stream ends before `size` bytes: a short file
// never passes for one padded with zeros. The functions below that take a
// model read through the same loop, by that model, through `engine`.
bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc, int& cause);

// What became of one file: its checksum, or the step that failed and why.
enum class file_stage { checksummed, not_opened, not_read };
struct file_checksum {
    file_stage stage;
    int cause; // 0 when checksummed
    crc_state crc;
};

// The whole of one file, for crc16: opened, measured, read and closed; its
// CRC-16/ARC.
file_checksum checksum_file(const path_char* path, stream_buffer& buffer);

// Which file a stream reads, and how long it is: the device and the inode
// (on Windows, the volume and the file ID), and the size. `regular` holds
// only for a regular file, which alone can be opened again by name and
// read in ranges; a pipe, a device, standard input never can.
struct file_identity {
    bool regular = false;
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::int64_t size = SIZE_UNKNOWN;
};

// Opens the file a name in UTF-8 names, behind `buffer`, and learns its
// identity from the open itself. Null, with `cause`, where it cannot be
// read.
std::FILE* open_identified(const std::string& name, stream_buffer& buffer, file_identity& identity, int& cause);

// The same, without the identity: for a list of checksums.
std::FILE* open_named(const std::string& name, stream_buffer& buffer, int& cause);

// Standard input, in binary mode, read on from wherever it stands.
std::FILE* open_standard_input();

// Closes what was opened here; standard input stays open. False, with
// `cause`, where the close reports an error.
bool close_stream(std::FILE* stream, int& cause);

// Opens the file a name in UTF-8 names and measures it, behind `buffer`.
// Null, with `failed` saying why, where that fails.
std::FILE* open_measured(const std::string& name, stream_buffer& buffer, file_identity& identity,
                         file_checksum& failed);

// Reads what was opened, from where it stands, for `size` bytes
// (SIZE_UNKNOWN: to its end), and closes it, unless it is standard input:
// its checksum by `model`, from crc_start to crc_finish. With `direct`, a
// regular file of known size is read straight from the system through it
// (read_directly); without, through the stream, by the plain loop.
file_checksum finish_reading(std::FILE* stream, std::int64_t size, const crc_model& model, crc_engine engine,
                             unsigned char* direct);

// The state that `length` bytes at `offset` of the file `name` named when
// `identity` was taken leave when folded by `model` from CRC_ZERO, for
// crc_combine to join: the file opened again, and refused with
// CAUSE_REPLACED unless it is still the same file with the same size. A
// range that comes up short fails as a short file does.
file_checksum checksum_range(const std::string& name, const file_identity& identity, std::int64_t offset,
                             std::int64_t length, const crc_model& model, crc_engine engine, read_buffers& buffers);

// Standard input, from where it stands, measured as open_measured measures
// a file; null, with `failed` saying why, where that fails.
std::FILE* open_measured_input(std::int64_t& size, file_checksum& failed);

// Reads what was opened, as finish_reading does, by each of `models` at
// once, each from CRC_ZERO into its own state in `crcs`, unfinished; and
// `length`, how many bytes it held: what each model makes of a file read
// once, whatever its initial value and final XOR.
file_checksum fold_several(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                           crc_engine engine, unsigned char* direct, crc_state* crcs, std::int64_t& length);
