#include <cerrno>
#include <cstring>

#include "reading.hpp"

// The read loop of both programs: `model` folds what it reads, or, null,
// crc_update folds it as CRC-16/ARC, for crc16.
static bool read_stream(std::FILE* stream, std::int64_t size, const crc_model* model, crc_state& crc, int& cause)
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
        crc = model == nullptr ? crc_update(crc, buffer, got) : crc_update(*model, crc, buffer, got);
        processed += static_cast<std::int64_t>(got);
        if (size == SIZE_UNKNOWN ? got < wanted : processed >= size) {
            return true;
        }
    }
}

bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc, int& cause)
{
    return read_stream(stream, size, nullptr, crc, cause);
}

bool checksum_stream(std::FILE* stream, std::int64_t size, const crc_model& model, crc_state& crc, int& cause)
{
    return read_stream(stream, size, &model, crc, cause);
}

// Reads the stream from where it stands, as read_stream does from the state
// `from`, and closes it, unless it is standard input: the state it leaves,
// or why there is none.
static file_checksum read_and_close(std::FILE* stream, std::int64_t size, const crc_model* model, crc_state from)
{
    file_checksum result{file_stage::checksummed, 0, from};
    if (!read_stream(stream, size, model, result.crc, result.cause)) {
        result.stage = file_stage::not_read;
    }
    int cause = 0;
    if (!close_stream(stream, cause) && result.stage == file_stage::checksummed) {
        result = {file_stage::not_read, cause, CRC_ZERO};
    }
    return result;
}

file_checksum finish_reading(std::FILE* stream, std::int64_t size, const crc_model& model)
{
    file_checksum result = read_and_close(stream, size, &model, crc_start(model));
    if (result.stage == file_stage::checksummed) {
        result.crc = crc_finish(model, result.crc);
    }
    return result;
}

// A stream just opened, or null (then `cause` says why), measured: a result
// still marked checksummed where it may be read, else why not, the stream
// then closed.
static file_checksum measure_opened(std::FILE* stream, int cause, std::int64_t& size)
{
    if (stream == nullptr) {
        return {file_stage::not_opened, cause, CRC_ZERO};
    }
    if (!measure_size(stream, size, cause)) {
        static_cast<void>(close_stream(stream, cause));
        return {file_stage::not_read, cause, CRC_ZERO};
    }
    return {file_stage::checksummed, 0, CRC_ZERO};
}

file_checksum checksum_file(const path_char* path, stream_buffer& buffer)
{
    int cause = 0;
    std::FILE* stream = open_for_reading(path, buffer, cause);
    std::int64_t size = SIZE_UNKNOWN;
    const file_checksum opened = measure_opened(stream, cause, size);
    return opened.stage == file_stage::checksummed ? read_and_close(stream, size, nullptr, CRC_INIT) : opened;
}

file_checksum checksum_standard_input(const crc_model& model)
{
    std::FILE* stream = open_standard_input();
    std::int64_t size = SIZE_UNKNOWN;
    const file_checksum opened = measure_opened(stream, 0, size);
    return opened.stage == file_stage::checksummed ? finish_reading(stream, size, model) : opened;
}

std::FILE* open_measured(const std::string& name, stream_buffer& buffer, file_identity& identity, file_checksum& failed)
{
    int cause = 0;
    std::FILE* stream = open_identified(name, buffer, identity, cause);
    // A regular file's size is known from its open; anything else, or a
    // file that reports 0 bytes, such as those of /proc, is measured.
    if (stream != nullptr && identity.regular && identity.size > 0) {
        failed = {file_stage::checksummed, 0, CRC_ZERO};
        return stream;
    }
    identity.regular = false;
    failed = measure_opened(stream, cause, identity.size);
    return failed.stage == file_stage::checksummed ? stream : nullptr;
}

file_checksum checksum_range(const std::string& name, const file_identity& identity, std::int64_t offset,
                             std::int64_t length, const crc_model& model, stream_buffer& buffer)
{
    // The file was opened once already: whatever fails now is a failure to
    // read it, never a file that is not there.
    int cause = 0;
    file_identity now;
    std::FILE* stream = open_identified(name, buffer, now, cause);
    if (stream == nullptr) {
        return {file_stage::not_read, cause, CRC_ZERO};
    }
    if (!now.regular || now.device != identity.device || now.file != identity.file || now.size != identity.size) {
        static_cast<void>(close_stream(stream, cause));
        return {file_stage::not_read, CAUSE_REPLACED, CRC_ZERO};
    }
    if (!seek_position(stream, offset, cause)) {
        static_cast<void>(close_stream(stream, cause));
        return {file_stage::not_read, cause, CRC_ZERO};
    }
    return read_and_close(stream, length, &model, CRC_ZERO);
}
