#include <cerrno>
#include <cstring>

#include "files.hpp"

bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc, int& cause)
{
    unsigned char buffer[CHUNK_SIZE];
    std::int64_t processed = 0;
    // Runs at least once, so an empty file still makes one read of 0 bytes.
    for (;;) {
        std::size_t wanted = CHUNK_SIZE;
        if (size != SIZE_UNKNOWN && size - processed < static_cast<std::int64_t>(CHUNK_SIZE)) {
            wanted = static_cast<std::size_t>(size - processed);
        }
        std::memset(buffer, 0, sizeof buffer);
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, wanted, stream);
        if (got != wanted) {
            if (std::ferror(stream) != 0) {
                cause = errno != 0 ? errno : EIO;
                return false;
            }
            if (size != SIZE_UNKNOWN) {
                cause = CAUSE_ENDED_EARLY;
                return false;
            }
        }
        crc = crc_update(crc, buffer, got);
        processed += static_cast<std::int64_t>(got);
        if (size == SIZE_UNKNOWN ? got < wanted : processed >= size) {
            return true;
        }
    }
}

// What `stream`, opened or not (then `cause` says why), gives: measured,
// read, and closed, unless it is standard input.
static file_checksum checksum_and_close(std::FILE* stream, int cause)
{
    if (stream == nullptr) {
        return {file_stage::not_opened, cause, CRC_INIT};
    }
    file_checksum result{file_stage::checksummed, 0, CRC_INIT};
    std::int64_t size = SIZE_UNKNOWN;
    if (!measure_size(stream, size, result.cause) || !checksum_stream(stream, size, result.crc, result.cause)) {
        result.stage = file_stage::not_read;
    }
    if (!close_named(stream, cause) && result.stage == file_stage::checksummed) {
        result = {file_stage::not_read, cause, CRC_INIT};
    }
    return result;
}

file_checksum checksum_file(const path_char* path, stream_buffer& buffer)
{
    int cause = 0;
    std::FILE* stream = open_for_reading(path, buffer, cause);
    return checksum_and_close(stream, cause);
}

file_checksum checksum_named(const std::string& name, stream_buffer& buffer)
{
    int cause = 0;
    std::FILE* stream = open_named(name, buffer, cause);
    return checksum_and_close(stream, cause);
}
