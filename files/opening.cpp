// Opening a file and measuring it, on each system: how a path is opened,
// which streams have a size worth measuring, how a position beyond 2 GiB is
// sought and told, and which file an open stream reads.

// Before the first system header: 64-bit off_t for fseeko and ftello,
// whichever target builds this file.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64
#endif

#include "reading.hpp"

#include <cerrno>
#include <cstring>

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

static HANDLE handle_of(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

// Which file an open stream reads, as the system knows it by its handle.
static void identify(std::FILE* stream, file_identity& identity)
{
    identity = {};
    const HANDLE handle = handle_of(stream);
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    identity.regular = true;
    identity.device = info.dwVolumeSerialNumber;
    identity.file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    identity.size = static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
}

static std::FILE* open_path(const path_char* path, int& cause, file_identity* identity)
{
    std::FILE* stream = nullptr;
    cause = _wfopen_s(&stream, path, L"rb");
    if (cause == 0) {
        if (identity != nullptr) {
            identify(stream, *identity);
        }
        return stream;
    }
    // Windows refuses a directory as it refuses a file it may not read.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        cause = EISDIR;
    }
    return nullptr;
}

// A pipe or a console may appear to seek there; only a disk file's size is
// worth measuring.
static bool may_have_size(std::FILE* stream) { return GetFileType(handle_of(stream)) == FILE_TYPE_DISK; }

static int seek_to(std::FILE* stream, std::int64_t offset, int origin) { return _fseeki64(stream, offset, origin); }
static std::int64_t position(std::FILE* stream) { return _ftelli64(stream); }

static std::FILE* open_name(const std::string& name, int& cause, file_identity* identity)
{
    return open_path(utf16(name).c_str(), cause, identity);
}

static void read_binary(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

bool read_directly(std::FILE* stream, unsigned char* into, std::size_t count, std::size_t& got, int& cause)
{
    errno = 0;
    const int read = _read(_fileno(stream), into, static_cast<unsigned>(count < 0x40000000U ? count : 0x40000000U));
    if (read < 0) {
        cause = errno != 0 ? errno : EIO;
        return false;
    }
    got = static_cast<std::size_t>(read);
    return true;
}

#else

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "positions must be 64-bit");

static void identity_from(const struct stat& info, file_identity& identity)
{
    identity = {};
    if (S_ISREG(info.st_mode)) {
        identity.regular = true;
        identity.device = static_cast<std::uint64_t>(info.st_dev);
        identity.file = static_cast<std::uint64_t>(info.st_ino);
        identity.size = static_cast<std::int64_t>(info.st_size);
    }
}

static std::FILE* open_path(const path_char* path, int& cause, file_identity* identity)
{
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        cause = errno;
        return nullptr;
    }
    // A directory opens here but has no bytes to read; Windows refuses it at
    // the open, and so does this. What that tells of the file is kept.
    struct stat info {};
    if (fstat(fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) {
        cause = S_ISDIR(info.st_mode) ? EISDIR : errno;
        std::fclose(stream);
        return nullptr;
    }
    if (identity != nullptr) {
        identity_from(info, *identity);
    }
    return stream;
}

// Here a pipe, a FIFO or a terminal says so by refusing to seek.
static bool may_have_size(std::FILE*) { return true; }

static int seek_to(std::FILE* stream, std::int64_t offset, int origin) { return fseeko(stream, offset, origin); }
static std::int64_t position(std::FILE* stream) { return ftello(stream); }

// Names are bytes here, UTF-8 or not, passed on as they are.
static std::FILE* open_name(const std::string& name, int& cause, file_identity* identity)
{
    return open_path(name.c_str(), cause, identity);
}

static void read_binary(std::FILE*) {}

bool read_directly(std::FILE* stream, unsigned char* into, std::size_t count, std::size_t& got, int& cause)
{
    for (;;) {
        const ssize_t read_now = read(fileno(stream), into, count);
        if (read_now >= 0) {
            got = static_cast<std::size_t>(read_now);
            return true;
        }
        if (errno != EINTR) {
            cause = errno;
            return false;
        }
    }
}

#endif

// Gives the stream `buffer` to read through.
static std::FILE* behind(std::FILE* stream, stream_buffer& buffer)
{
    if (stream != nullptr) {
        // Should this fail, the stream keeps a buffer of its own: slower, same bytes.
        static_cast<void>(std::setvbuf(stream, buffer.bytes, _IOFBF, sizeof buffer.bytes));
    }
    return stream;
}

std::FILE* open_for_reading(const path_char* path, stream_buffer& buffer, int& cause)
{
    return behind(open_path(path, cause, nullptr), buffer);
}

bool measure_size(std::FILE* stream, std::int64_t& size, int& cause)
{
    size = SIZE_UNKNOWN;
    if (!may_have_size(stream) || seek_to(stream, 0, SEEK_END) != 0) {
        std::clearerr(stream);
        return true;
    }
    const std::int64_t end = position(stream);
    if (seek_to(stream, 0, SEEK_SET) != 0) {
        cause = errno != 0 ? errno : EIO;
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

bool seek_position(std::FILE* stream, std::int64_t offset, int& cause)
{
    errno = 0;
    if (seek_to(stream, offset, SEEK_SET) != 0) {
        cause = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

std::FILE* open_identified(const std::string& name, stream_buffer& buffer, file_identity& identity, int& cause)
{
    identity = {};
    return behind(open_name(name, cause, &identity), buffer);
}

std::FILE* open_named(const std::string& name, stream_buffer& buffer, int& cause)
{
    return behind(open_name(name, cause, nullptr), buffer);
}

std::FILE* open_standard_input()
{
    read_binary(stdin);
    std::clearerr(stdin); // read a second time, it reads on from where the first left off
    return stdin;
}

bool close_stream(std::FILE* stream, int& cause)
{
    if (stream == stdin) {
        return true;
    }
    errno = 0;
    if (std::fclose(stream) != 0) {
        cause = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

std::string describe_cause(int cause)
{
    if (cause == CAUSE_ENDED_EARLY) {
        return "File ended before its measured size";
    }
    if (cause == CAUSE_REPLACED) {
        return "File was replaced while it was read";
    }
    return std::strerror(cause);
}
