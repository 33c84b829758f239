#include "file_sums.hpp"

static void take(std::span<const crc_model* const> models, crc_state* crcs, const unsigned char* data,
                 std::size_t count)
{
    for (std::size_t i = 0; i < models.size(); ++i) {
        crcs[i] = crc_update(*models[i], crcs[i], data, count);
    }
}

void take_bytes(std::span<const crc_model* const> models, crc_state* crcs, const unsigned char* data, std::size_t count,
                bool hold_back, file_checksum& result)
{
    if (!hold_back) {
        take(models, crcs, data, count);
        return;
    }
    unsigned char* tail = result.tail;
    if (count >= 2) {
        take(models, crcs, tail, result.tail_length);
        take(models, crcs, data, count - 2);
        tail[0] = data[count - 2];
        tail[1] = data[count - 1];
        result.tail_length = 2;
    } else if (count == 1 && result.tail_length < 2) {
        tail[result.tail_length++] = data[0];
    } else if (count == 1) {
        take(models, crcs, tail, 1);
        tail[0] = tail[1];
        tail[1] = data[0];
    }
}

void keep_bytes(kept_bytes* kept, const unsigned char* data, std::size_t count)
{
    if (kept == nullptr || !kept->whole) {
        return;
    }
    if (count > KEEP_LIMIT - kept->bytes.size()) {
        kept->whole = false;
        std::vector<unsigned char>().swap(kept->bytes);
        return;
    }
    kept->bytes.insert(kept->bytes.end(), data, data + count);
}

// Takes every chunk `reader` hands back into each model's state, holding
// back the last two bytes in `result` where `hold_back` is set, and keeps
// them in `kept` where it is given; the status it ended with.
[[gnu::always_inline]] static inline chunk_status take_chunks(chunk_reader& reader,
                                                              std::span<const crc_model* const> models, crc_state* crcs,
                                                              bool hold_back, file_checksum& result, int& cause,
                                                              kept_bytes* kept)
{
    chunk_status status = chunk_status::chunk;
    std::size_t got = 0;
    while ((status = next_chunk(reader, got, cause)) == chunk_status::chunk) {
        take_bytes(models, crcs, reader.buffer, got, hold_back, result);
        keep_bytes(kept, reader.buffer, got);
    }
    return status;
}

// Reads the stream from where it stands, straight from the system through
// `direct` where it is given and the size is known, else a chunk at a time
// through the stream, each of `models` taking every chunk into its own
// state in `crcs`; and closes it, unless it is standard input. A result
// whose checksum is crcs[0], or why there is none; `length`, the bytes read.
static file_checksum read_and_close(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                                    unsigned char* direct, crc_state* crcs, std::int64_t& length, bool hold_back,
                                    kept_bytes* kept)
{
    int cause = 0;
    chunk_status status = chunk_status::chunk;
    file_checksum result{file_stage::checksummed, 0, CRC_ZERO};
    if (direct != nullptr && size > 0) {
        chunk_reader reader{
            .stream = stream, .size = size, .buffer = direct, .buffer_size = DIRECT_READ_SIZE, .direct = true};
        status = take_chunks(reader, models, crcs, hold_back, result, cause, kept);
        length = reader.done;
    } else {
        // Its own buffer, whose size the reads are checked against.
        unsigned char chunk[CHUNK_SIZE];
        chunk_reader reader{.stream = stream, .size = size, .buffer = chunk, .buffer_size = sizeof chunk};
        status = take_chunks(reader, models, crcs, hold_back, result, cause, kept);
        length = reader.done;
    }
    if (status == chunk_status::failed) {
        result = {file_stage::not_read, cause, CRC_ZERO};
    }
    if (!close_stream(stream, cause) && result.stage == file_stage::checksummed) {
        result = {file_stage::not_read, cause, CRC_ZERO};
    }
    if (result.stage == file_stage::checksummed) {
        result.crc = crcs[0];
    }
    return result;
}

// The same for one model, from the state `from`.
static file_checksum read_and_close(std::FILE* stream, std::int64_t size, const crc_model& model, unsigned char* direct,
                                    crc_state from, bool hold_back)
{
    const crc_model* const models[] = {&model};
    std::int64_t length = 0;
    return read_and_close(stream, size, models, direct, &from, length, hold_back, nullptr);
}

file_checksum finish_reading(std::FILE* stream, std::int64_t size, const crc_model& model, unsigned char* direct,
                             bool hold_back)
{
    file_checksum result = read_and_close(stream, size, model, direct, crc_start(model), hold_back);
    if (result.stage == file_stage::checksummed) {
        result.crc = crc_finish(model, result.crc);
    }
    return result;
}

file_checksum read_by_several(std::FILE* stream, std::int64_t size, std::span<const crc_model* const> models,
                              unsigned char* direct, crc_state* crcs, std::int64_t& length, bool hold_back,
                              kept_bytes* kept)
{
    for (std::size_t i = 0; i < models.size(); ++i) {
        crcs[i] = CRC_ZERO;
    }
    file_checksum result = read_and_close(stream, size, models, direct, crcs, length, hold_back, kept);
    length -= static_cast<std::int64_t>(result.tail_length);
    if (kept != nullptr && kept->whole && length >= 0) {
        kept->bytes.resize(static_cast<std::size_t>(length));
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
                             std::int64_t length, const crc_model& model, read_buffers& buffers, bool hold_back)
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
    return read_and_close(stream, length, model, buffers.direct, CRC_ZERO, hold_back);
}
