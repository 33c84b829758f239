// The layer that opens and reads files, shared by crc16 and crc16sum: a file
// opened and measured, and read chunk after chunk, each handed back to the caller.
// Every difference between Windows and POSIX in these is kept in
// opening.cpp.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform.hpp"

// The chunk the programs read a stream in: the most bytes one read through
// the stream asks for, and the size of the buffer it reads into.
inline constexpr std::size_t CHUNK_SIZE = 4096;

// The buffer behind a file stream: the system is asked for this much at a
// time, while each read through the stream still asks for one chunk. Large
// enough to make system calls rare, small enough that memory stays flat.
// Each open stream has one of its own, which its reader keeps until the
// stream is closed.
inline constexpr std::size_t STREAM_BUFFER_SIZE = 32768;
struct stream_buffer {
    char bytes[STREAM_BUFFER_SIZE];
};

// Reads up to `count` bytes from the stream's file, from where it stands,
// straight from the system; nothing may have been read through the stream.
// `got` is 0 at the end. False, with `cause`, on a read error.
bool read_directly(std::FILE* stream, unsigned char* into, std::size_t count, std::size_t& got, int& cause);

// The size of a stream that cannot seek: a pipe, a FIFO, a terminal.
inline constexpr std::int64_t SIZE_UNKNOWN = -1;

// Why a file could not be read: a system error number (errno), or one of
// these: a file that ended before the size it was measured at, or a name
// that, opened again, no longer named the same file.
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

// A stream read chunk by chunk, from where it stands, for `size` bytes or,
// with SIZE_UNKNOWN, to its end. Each read asks for `buffer_size` bytes, or
// for what is left of `size` where that is fewer, into `buffer`:
// - through the stream (fread), the buffer cleared before each read; at
//   least one read is made, of 0 bytes for an empty stream;
// - `direct`: straight from the system (read_directly), nothing cleared, and
//   no read once `size` bytes are in. Only for a stream nothing was read from
//   through its buffer.
struct chunk_reader {
    std::FILE* stream = nullptr;
    std::int64_t size = SIZE_UNKNOWN;
    unsigned char* buffer = nullptr;
    std::size_t buffer_size = CHUNK_SIZE; // the bytes at `buffer`
    bool direct = false;
    std::int64_t done = 0; // bytes handed back so far
    bool ended = false;    // the last chunk is handed back
};

// What next_chunk gives: `got` bytes in the reader's buffer, perhaps none;
// the end, with no bytes; or a failure, with `cause`: a read error, or
// CAUSE_ENDED_EARLY where the stream ends before `size` bytes, so that a
// short file never passes for one padded with zeros.
enum class chunk_status { chunk, end, failed };

// Defined here, so that where it is inlined into the function whose buffer
// it reads into, the compiler knows the buffer's size and checks each read
// against it (_FORTIFY_SOURCE).
[[gnu::always_inline]] inline chunk_status next_chunk(chunk_reader& reader, std::size_t& got, int& cause)
{
    got = 0;
    if (reader.ended) {
        return chunk_status::end;
    }
    const bool known = reader.size != SIZE_UNKNOWN;
    std::size_t wanted = reader.buffer_size;
    if (known && reader.size - reader.done < static_cast<std::int64_t>(wanted)) {
        wanted = static_cast<std::size_t>(reader.size - reader.done);
    }
    if (reader.direct) {
        if (known && wanted == 0) {
            reader.ended = true;
            return chunk_status::end;
        }
        if (!read_directly(reader.stream, reader.buffer, wanted, got, cause)) {
            return chunk_status::failed;
        }
        if (got == 0) {
            if (known) {
                cause = CAUSE_ENDED_EARLY;
                return chunk_status::failed;
            }
            reader.ended = true;
            return chunk_status::end;
        }
    } else {
        std::memset(reader.buffer, 0, reader.buffer_size);
        errno = 0;
        got = std::fread(reader.buffer, 1, wanted, reader.stream);
        if (got != wanted) {
            if (std::ferror(reader.stream) != 0) {
                cause = errno != 0 ? errno : EIO;
                return chunk_status::failed;
            }
            if (known) {
                cause = CAUSE_ENDED_EARLY;
                return chunk_status::failed;
            }
        }
        // The last chunk: the one that brings the last of `size`, or one that
        // comes up short at the stream's end.
        reader.ended = known ? reader.done + static_cast<std::int64_t>(got) >= reader.size : got < wanted;
    }
    reader.done += static_cast<std::int64_t>(got);
    return chunk_status::chunk;
}

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
