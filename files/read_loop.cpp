#include <cerrno>
#include <cstring>

#include "reading.hpp"

// The read loop of both programs: each of `models` folds what it reads into
// its own state in `crcs`, through `engine`, or, with no models, crc_update
// folds it into crcs[0] as CRC-16/ARC, for crc16. `processed` counts the
// bytes.
static bool read_stream(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                        crc_engine engine, crc_state* crcs, std::int64_t& processed, int& cause)
{
    unsigned char buffer[CHUNK_SIZE];
    processed = 0;
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
        if (models.empty()) {
            crcs[0] = crc_update(crcs[0], buffer, got);
        }
        for (std::size_t i = 0; i < models.size(); ++i) {
            crcs[i] = crc_update(*models[i], engine, crcs[i], buffer, got);
        }
        processed += static_cast<std::int64_t>(got);
        if (size == SIZE_UNKNOWN ? got < wanted : processed >= size) {
            return true;
        }
    }
}

// crc16sum's read of a regular file: `size` bytes, known and above 0, read
// straight from the system through `direct`, each read folded as it comes,
// the same as read_stream for what it gives. A file that ends before `size`
// fails as a short file does.
static bool read_direct(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                        crc_engine engine, unsigned char* direct, crc_state* crcs, std::int64_t& processed, int& cause)
{
    processed = 0;
    while (processed < size) {
        const auto left = static_cast<std::uint64_t>(size - processed);
        const std::size_t wanted = left < DIRECT_READ_SIZE ? static_cast<std::size_t>(left) : DIRECT_READ_SIZE;
        std::size_t got = 0;
        if (!read_directly(stream, direct, wanted, got, cause)) {
            return false;
        }
        if (got == 0) {
            cause = CAUSE_ENDED_EARLY;
            return false;
        }
        for (std::size_t i = 0; i < models.size(); ++i) {
            crcs[i] = crc_update(*models[i], engine, crcs[i], direct, got);
        }
        processed += static_cast<std::int64_t>(got);
    }
    return true;
}

bool checksum_stream(std::FILE* stream, std::int64_t size, crc_state& crc, int& cause)
{
    std::int64_t processed = 0;
    return read_stream(stream, size, {}, crc_engine::table, &crc, processed, cause);
}

// Reads the stream from where it stands, as read_stream does, and closes
// it, unless it is standard input: a result whose checksum is crcs[0], or
// why there is none.
// Reads the stream from where it stands, straight from the system through
// `direct` where it is given and the size is known, else by read_stream,
// and closes it, unless it is standard input: a result whose checksum is
// crcs[0], or why there is none.
static file_checksum read_and_close(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                                    crc_engine engine, unsigned char* direct, crc_state* crcs, std::int64_t& processed)
{
    file_checksum result{file_stage::checksummed, 0, CRC_ZERO};
    const bool read = direct != nullptr && size > 0
        ? read_direct(stream, size, models, engine, direct, crcs, processed, result.cause)
        : read_stream(stream, size, models, engine, crcs, processed, result.cause);
    if (!read) {
        result.stage = file_stage::not_read;
    }
    int cause = 0;
    if (!close_stream(stream, cause) && result.stage == file_stage::checksummed) {
        result = {file_stage::not_read, cause, CRC_ZERO};
    }
    if (result.stage == file_stage::checksummed) {
        result.crc = crcs[0];
    }
    return result;
}

// The same for one model, from the state `from`.
static file_checksum read_and_close(std::FILE* stream, std::int64_t size, const crc_model& model, crc_engine engine,
                                    unsigned char* direct, crc_state from)
{
    const crc_model* const models[] = {&model};
    std::int64_t processed = 0;
    return read_and_close(stream, size, models, engine, direct, &from, processed);
}

file_checksum finish_reading(std::FILE* stream, std::int64_t size, const crc_model& model, crc_engine engine,
                             unsigned char* direct)
{
    file_checksum result = read_and_close(stream, size, model, engine, direct, crc_start(model));
    if (result.stage == file_stage::checksummed) {
        result.crc = crc_finish(model, result.crc);
    }
    return result;
}

file_checksum fold_several(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                           crc_engine engine, unsigned char* direct, crc_state* crcs, std::int64_t& length)
{
    for (std::size_t i = 0; i < models.size(); ++i) {
        crcs[i] = CRC_ZERO;
    }
    return read_and_close(stream, size, models, engine, direct, crcs, length);
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
    crc_state crc = CRC_INIT;
    std::int64_t processed = 0;
    return opened.stage == file_stage::checksummed
        ? read_and_close(stream, size, {}, crc_engine::table, nullptr, &crc, processed)
        : opened;
}

std::FILE* open_measured_input(std::int64_t& size, file_checksum& failed)
{
    std::FILE* stream = open_standard_input();
    failed = measure_opened(stream, 0, size);
    return failed.stage == file_stage::checksummed ? stream : nullptr;
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
                             std::int64_t length, const crc_model& model, crc_engine engine, read_buffers& buffers)
{
    // The file was opened once already: whatever fails now is a failure to
    // read it, never a file that is not there.
    int cause = 0;
    file_identity now;
    std::FILE* stream = open_identified(name, buffers.stream, now, cause);
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
    return read_and_close(stream, length, model, engine, buffers.direct, CRC_ZERO);
}
