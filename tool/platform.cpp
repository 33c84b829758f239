// Everything that differs between Windows and POSIX: how a path is opened and
// how a position beyond 2 GiB is sought and told.
#include "command.hpp"

#ifdef _WIN32

std::FILE* open_for_reading(const path_char* path)
{
    std::FILE* stream = nullptr;
    return _wfopen_s(&stream, path, L"rb") == 0 ? stream : nullptr;
}

static int seek_to(std::FILE* stream, int origin) { return _fseeki64(stream, 0, origin); }
static std::int64_t position(std::FILE* stream) { return _ftelli64(stream); }

#else

#include <sys/stat.h>
#include <sys/types.h>

static_assert(sizeof(off_t) == 8, "positions must be 64-bit: build with _FILE_OFFSET_BITS=64");

std::FILE* open_for_reading(const path_char* path)
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

static int seek_to(std::FILE* stream, int origin) { return fseeko(stream, 0, origin); }
static std::int64_t position(std::FILE* stream) { return ftello(stream); }

#endif

bool measure_size(std::FILE* stream, std::int64_t& size)
{
    size = SIZE_UNKNOWN;
    if (seek_to(stream, SEEK_END) != 0) {
        std::clearerr(stream);
        return true;
    }
    const std::int64_t end = position(stream);
    if (seek_to(stream, SEEK_SET) != 0) {
        return false;
    }
    if (end >= 0) {
        size = end;
    }
    return true;
}
