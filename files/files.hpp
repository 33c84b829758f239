// The layer that opens and reads files, shared by crc16 and crc16sum: the
// platform layer that opens and measures a file, the read loop that folds
// it into a checksum, and, for crc16sum, names and output as UTF-8 on every
// system. Every difference between Windows and POSIX is kept here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

// The buffer behind a file stream: the system is asked for this much at a
// time, while each read of the loop still asks for one chunk. Large enough
// to make system calls rare, small enough that memory stays flat. Each open
// stream has one of its own, which its reader keeps until the stream is
// closed.
inline constexpr std::size_t STREAM_BUFFER_SIZE = 32768;
struct stream_buffer {
    char bytes[STREAM_BUFFER_SIZE];
};

// The size of a stream that cannot seek: a pipe, a FIFO, a terminal.
inline constexpr std::int64_t SIZE_UNKNOWN = -1;

// Why a file gave no checksum: a system error number (errno), or one of
// these: a file that ended before the size it was measured at, or a name
// that, opened again to read a range, no longer named the same file.
inline constexpr int CAUSE_ENDED_EARLY = -1;
inline constexpr int CAUSE_REPLACED = -2;

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
// every byte up to its end. False, with `cause`, on a read error, or when the
// stream ends before `size` bytes: a short file never passes for one padded
// with zeros.
bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc, int& cause);

// What became of one file: its checksum, or the step that failed and why.
enum class file_stage { checksummed, not_opened, not_read };
struct file_checksum {
    file_stage stage;
    int cause; // 0 when checksummed
    crc_state crc;
};

// The whole of one file: opened, measured, read and closed.
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

// open_named, and the identity of what it opened, from what the open itself
// learnt where it can: standard input is never `regular`.
std::FILE* open_identified(const std::string& name, stream_buffer& buffer, file_identity& identity, int& cause);

// Opens a name in UTF-8 ("-": standard input) and measures it, behind
// `buffer`. Null, with `failed` saying why, where that fails.
std::FILE* open_measured(const std::string& name, stream_buffer& buffer, file_identity& identity,
                         file_checksum& failed);

// Reads what open_measured opened, from where it stands, for `size` bytes
// (SIZE_UNKNOWN: to its end), and closes it, unless it is standard input.
file_checksum finish_reading(std::FILE* stream, std::int64_t size);

// The checksum, from CRC_INIT, of `length` bytes at `offset` of the file
// `name` named when `identity` was taken: opened again, and refused with
// CAUSE_REPLACED unless it is still the same file with the same size. A
// range that comes up short fails as a short file does.
file_checksum checksum_range(const std::string& name, const file_identity& identity, std::int64_t offset,
                             std::int64_t length, stream_buffer& buffer);

// The same for a name in UTF-8, the form crc16sum holds every name in, or,
// for "-", standard input, read in binary mode and left open.
file_checksum checksum_named(const std::string& name, stream_buffer& buffer);

// Whether a name stands for standard input: "-".
inline bool names_standard_input(const std::string& name) { return name == "-"; }

// Opens a name in UTF-8 ("-": standard input, in binary mode) for reading
// behind `buffer`; null, with `cause`, where it cannot be read.
std::FILE* open_named(const std::string& name, stream_buffer& buffer, int& cause);

// Closes what open_named opened; standard input stays open. False, with
// `cause`, where the close reports an error.
bool close_named(std::FILE* stream, int& cause);

// The words for a cause: the system's own, or the layer's.
std::string describe_cause(int cause);

// The command line as UTF-8, the program's name first.
std::vector<std::string> utf8_arguments(int argc, path_char* argv[]);

// How crc16sum's lines end: CRLF on Windows, as its other programs' lines
// do there, and LF elsewhere.
#ifdef _WIN32
inline constexpr std::string_view LINE_END = "\r\n";
#else
inline constexpr std::string_view LINE_END = "\n";
#endif

// A name as crc16sum writes it: with / between its parts on every system,
// so that a list made on one checks on another.
std::string portable_name(std::string name);

// Sets standard output to write bytes as they are given, so that the lines
// end as LINE_END says and a NUL stays a NUL.
void use_binary_output();

// Writes UTF-8 text to `stream` whole, or shown as the characters it holds
// where the stream is a console. False, with `cause`, where it fails.
bool write_text(std::FILE* stream, std::string_view text, int& cause);

// One entry of a folder that crc16sum -r walks: a file to read (a regular
// file, or a link to anything that is not a folder) or a subfolder (never
// one reached through a link, which also rules out loops).
struct folder_entry {
    std::string name;
    bool folder;
};

// Whether a name in UTF-8 names a folder, through links.
bool names_folder(const std::string& name);

// The names of the files under a folder operand begin with this: the
// operand with one '/' after it, however many separators it ended in.
std::string folder_prefix(const std::string& operand);

// The entries of the folder `prefix` names (as folder_prefix gives it), in
// the order crc16sum -r lists them: by the bytes of their names, each
// subfolder's as if it ended in '/', so that the full names come in the
// order of their bytes. Links to folders, and what is neither a file nor a
// folder, are left out. False, with `cause`, where it cannot be read.
bool list_folder(const std::string& prefix, std::vector<folder_entry>& entries, int& cause);

// Puts entries in that order.
void sort_entries(std::vector<folder_entry>& entries);

// How many processors this process may run on: its affinity where the
// system has one, else every processor there is.
std::size_t processors_available();
