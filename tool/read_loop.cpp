#include <cstring>

#include "command.hpp"

bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc)
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
        const std::size_t got = std::fread(buffer, 1, wanted, stream);
        if (got != wanted && (size != SIZE_UNKNOWN || std::ferror(stream) != 0)) {
            return false;
        }
        crc = crc_update(crc, buffer, got);
        processed += static_cast<std::int64_t>(got);
        if (size == SIZE_UNKNOWN ? got < wanted : processed >= size) {
            return true;
        }
    }
}
