// Everything that differs between Windows and POSIX: how a path is opened,
// which streams have a size worth measuring, and how a position beyond 2 GiB
// is sought and told.

// 64-bit off_t for fseeko and ftello, whichever target builds this file; it
// must come before the first system header.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64
#endif

#include "command.hpp"

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

static std::FILE* open_path(const path_char* path)
{
    std::FILE* stream = nullptr;
    return _wfopen_s(&stream, path, L"rb") == 0 ? stream : nullptr;
}

// A pipe or a console may appear to seek there; only a disk file's size is
// worth measuring.
static bool may_have_size(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return GetFileType(handle) == FILE_TYPE_DISK;
}

static int seek_to(std::FILE* stream, int origin) { return _fseeki64(stream, 0, origin); }
static std::int64_t position(std::FILE* stream) { return _ftelli64(stream); }

#else

#include <sys/stat.h>
#include <sys/types.h>

static_assert(sizeof(off_t) == 8, "positions must be 64-bit");

static std::FILE* open_path(const path_char* path)
{
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return nullptr;
    }
    // A directory opens here but has no bytes to read; Windows refuses it at
    // the open, and so does this.
    struct stat info {};
    if (fstat(fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

// Here a pipe, a FIFO or a terminal says so by refusing to seek.
static bool may_have_size(std::FILE*) { return true; }

static int seek_to(std::FILE* stream, int origin) { return fseeko(stream, 0, origin); }
static std::int64_t position(std::FILE* stream) { return ftello(stream); }

#endif

std::FILE* open_for_reading(const path_char* path)
{
    std::FILE* stream = open_path(path);
    if (stream != nullptr) {
        // Should this fail, the stream keeps a buffer of its own: slower, same bytes.
        static char stream_buffer[STREAM_BUFFER_SIZE];
        static_cast<void>(std::setvbuf(stream, stream_buffer, _IOFBF, sizeof stream_buffer));
    }
    return stream;
}

bool measure_size(std::FILE* stream, std::int64_t& size)
{
    size = SIZE_UNKNOWN;
    if (!may_have_size(stream) || seek_to(stream, SEEK_END) != 0) {
        std::clearerr(stream);
        return true;
    }
    const std::int64_t end = position(stream);
    if (seek_to(stream, SEEK_SET) != 0) {
        return false;
    }
    // A size of 0 is no proof of emptiness: the files of /proc and devices
    // such as /dev/urandom report it and still have bytes to read. An empty
    // file read to its end gives the same checksum as one trusted to be empty.
    if (end > 0) {
        size = end;
    }
    return true;
}
