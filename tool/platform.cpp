// Everything that differs between Windows and POSIX: how a path is opened,
// which streams have a size worth measuring, how a position beyond 2 GiB is
// sought and told, and, on Windows, the stack protector's canary.

// Before the first system header: on Windows, rand_s for the stack
// protector's canary; elsewhere, 64-bit off_t for fseeko and ftello,
// whichever target builds this file.
#ifdef _WIN32
#define _CRT_RAND_S
#else
#define _FILE_OFFSET_BITS 64
#endif

#include "command.hpp"

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <windows.h>

// The stack protector's canary and its failure path. The compiler's support
// library has them too, but seeds the canary through a DLL the program does
// not otherwise import. The canary is set before main, from the system's
// random source; the function that sets it has no canary of its own, since
// it changes the value it would be checked against.
extern "C" {
void* __stack_chk_guard = nullptr;

// A smashed stack ends the process at once, with the status the system's own
// stack checks give, before anything it may have overwritten is used.
[[noreturn]] void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
}

[[gnu::constructor, gnu::no_stack_protector]] static void seed_stack_guard()
{
    unsigned parts[sizeof(void*) / sizeof(unsigned)] = {};
    for (unsigned& part : parts) {
        // Should the random source fail: a canary of the zero, line feed and
        // 0xFF bytes that end most string copies.
        if (rand_s(&part) != 0) {
            part = 0xFF0A0000U;
        }
    }
    std::memcpy(&__stack_chk_guard, parts, sizeof parts);
}

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
