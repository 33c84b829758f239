#include <cerrno>
#include <cstring>

#include "reading.hpp"

chunk_status next_chunk(chunk_reader& reader, std::size_t& got, int& cause)
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
