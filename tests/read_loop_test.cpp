// This file defines fread itself (below), which the C library's checked
// inline variant would otherwise stand in the way of.
#undef _FORTIFY_SOURCE

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "file_sums.hpp"
#include "reading.hpp"

// With the GNU C library, every read of the test program, the read loop's
// included, passes through here and is counted before the C library serves
// it: fread, or its checked variant where the buffer's size is known at
// compile time.
std::vector<std::size_t> read_requests;
#ifdef __GLIBC__
extern "C" std::size_t fread(void* into, std::size_t size, std::size_t count, std::FILE* stream)
{
    read_requests.push_back(size * count);
    return fread_unlocked(into, size, count, stream);
}

extern "C" std::size_t __fread_chk(void* into, std::size_t, std::size_t size, std::size_t count, std::FILE* stream)
{
    return fread(into, size, count, stream);
}
#endif

namespace {

std::FILE* stream_holding(const std::string& bytes)
{
    std::FILE* stream = std::tmpfile();
    if (stream != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::rewind(stream);
    }
    return stream;
}

crc_state crc_of(const std::string& bytes)
{
    return crc_update(CRC_INIT, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// What a reader gave, pulled to its end or its failure: the bytes of every
// chunk, each chunk's size, and how it stopped.
struct pulled {
    std::string bytes;
    std::vector<std::size_t> chunks;
    chunk_status last = chunk_status::chunk; // still chunks after far too many
    int cause = 0;
};

pulled pull_all(chunk_reader& reader)
{
    pulled result;
    while (result.chunks.size() < 1000) {
        std::size_t got = 0;
        const chunk_status status = next_chunk(reader, got, result.cause);
        if (status != chunk_status::chunk) {
            result.last = status;
            return result;
        }
        result.bytes.append(reinterpret_cast<const char*>(reader.buffer), got);
        result.chunks.push_back(got);
    }
    return result;
}

// Whether every byte of `buffer` from `from` on is `value`.
bool all_bytes_from(const std::vector<unsigned char>& buffer, std::size_t from, unsigned char value)
{
    return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(from), buffer.end(),
                       [value](unsigned char byte) { return byte == value; });
}

std::string text_of_length(std::size_t length)
{
    std::string text;
    for (int i = 0; text.size() < length; ++i) {
        text += std::to_string(i);
    }
    return text.substr(0, length);
}

// Through the stream: the size of each fread, one chunk at most; the bytes
// handed back; a stream shorter than its size refused; the buffer cleared
// before each read; and, once the end is given, no read more.
TEST(next_chunk, through_the_stream_reads_chunks_of_the_given_size_and_refuses_short_streams)
{
    const std::string long_text = text_of_length(10000);
    const struct {
        std::string content;
        std::int64_t size;
        bool ok;
        std::string counted;
        std::vector<std::size_t> reads;
    } cases[] = {
        {"", 0, true, "", {0}},
        {"", SIZE_UNKNOWN, true, "", {4096}},
        {"123456789", 9, true, "123456789", {9}},
        {"123456789", SIZE_UNKNOWN, true, "123456789", {4096}},
        {long_text, SIZE_UNKNOWN, true, long_text, {4096, 4096, 4096}},
        {long_text.substr(0, 8192), SIZE_UNKNOWN, true, long_text.substr(0, 8192), {4096, 4096, 4096}},
        {"123456789", 3, true, "123", {3}}, // grew after it was measured
        {long_text, 9000, true, long_text.substr(0, 9000), {4096, 4096, 808}},
        {long_text.substr(0, 4096), 4096, true, long_text.substr(0, 4096), {4096}},
        {long_text.substr(0, 8192), 8192, true, long_text.substr(0, 8192), {4096, 4096}},
        {"123456789", 12, false, "", {12}}, // truncated after it was measured
        {long_text.substr(0, 4096), 4097, false, "", {4096, 1}},
        {long_text.substr(0, 8192), 10000, false, "", {4096, 4096, 1808}},
    };
    for (const auto& c : cases) {
        const auto what = std::to_string(c.content.size()) + " bytes, size " + std::to_string(c.size);
        std::FILE* stream = stream_holding(c.content);
        ASSERT_NE(stream, nullptr);
        std::vector<unsigned char> buffer(CHUNK_SIZE, 0xAA);
        chunk_reader reader{.stream = stream, .size = c.size, .buffer = buffer.data(), .buffer_size = buffer.size()};
        read_requests.clear();
        const pulled got = pull_all(reader);
        const std::vector<std::size_t> reads = read_requests;
        if (c.ok) {
            EXPECT_EQ(got.last, chunk_status::end) << what;
            EXPECT_EQ(got.bytes, c.counted) << what;
            EXPECT_EQ(reader.done, static_cast<std::int64_t>(c.counted.size())) << what;
            const std::size_t last = got.chunks.empty() ? 0 : got.chunks.back();
            EXPECT_TRUE(all_bytes_from(buffer, last, 0)) << what << ": the buffer past the last chunk";
            std::size_t after = 1;
            int cause = 0;
            EXPECT_EQ(next_chunk(reader, after, cause), chunk_status::end) << what << ", once more";
            EXPECT_EQ(after, 0U) << what << ", once more";
        } else {
            EXPECT_EQ(got.last, chunk_status::failed) << what;
            EXPECT_EQ(got.cause, CAUSE_ENDED_EARLY) << what;
        }
#ifdef __GLIBC__
        EXPECT_EQ(reads, c.reads) << what;
        EXPECT_EQ(read_requests, c.reads) << what << ": read again after its end";
#endif
        std::fclose(stream);
    }
}

// Straight from the system: reads of the buffer's size or what is left of
// the size, none through the stream, nothing cleared, none once the size is
// in; a file shorter than its size refused, one of unknown size read to its
// end.
TEST(next_chunk, directly_reads_the_buffer_size_at_most_and_stops_at_the_size)
{
    const std::string text = text_of_length(2500);
    const struct {
        std::int64_t size;
        chunk_status last;
        std::vector<std::size_t> chunks;
    } cases[] = {
        {2500, chunk_status::end, {1000, 1000, 500}},
        {2400, chunk_status::end, {1000, 1000, 400}}, // grew after it was measured
        {1000, chunk_status::end, {1000}},
        {0, chunk_status::end, {}},
        {SIZE_UNKNOWN, chunk_status::end, {1000, 1000, 500}},
        {3000, chunk_status::failed, {1000, 1000, 500}}, // truncated after it was measured
        {2501, chunk_status::failed, {1000, 1000, 500}},
    };
    for (const auto& c : cases) {
        const auto what = "size " + std::to_string(c.size);
        std::FILE* stream = stream_holding(text);
        ASSERT_NE(stream, nullptr);
        std::vector<unsigned char> buffer(1000, 0xAA);
        chunk_reader reader{
            .stream = stream, .size = c.size, .buffer = buffer.data(), .buffer_size = buffer.size(), .direct = true};
        read_requests.clear();
        const pulled got = pull_all(reader);
        EXPECT_EQ(got.last, c.last) << what;
        EXPECT_EQ(got.chunks, c.chunks) << what;
        std::size_t total = 0;
        for (const std::size_t chunk : got.chunks) {
            total += chunk;
        }
        EXPECT_EQ(got.bytes, text.substr(0, total)) << what;
        if (c.last == chunk_status::failed) {
            EXPECT_EQ(got.cause, CAUSE_ENDED_EARLY) << what;
        } else {
            std::size_t after = 1;
            int cause = 0;
            EXPECT_EQ(next_chunk(reader, after, cause), chunk_status::end) << what << ", once more";
            EXPECT_EQ(after, 0U) << what << ", once more";
        }
        // Past a short last chunk, the one before it is still there.
        if (got.chunks.size() > 1 && got.chunks.back() < buffer.size()) {
            const std::size_t last = got.chunks.back();
            EXPECT_EQ(std::string(buffer.begin() + static_cast<std::ptrdiff_t>(last), buffer.end()),
                      text.substr(total - buffer.size(), buffer.size() - last))
                << what << ": the buffer past the last chunk";
        }
        EXPECT_TRUE(read_requests.empty()) << what;
        std::fclose(stream);
    }
}

TEST(measure_size, only_a_size_above_zero_is_trusted)
{
    const struct {
        std::FILE* stream;
        std::int64_t size;
        std::string bytes;
        const char* what;
    } cases[] = {
        {stream_holding("123456789"), 9, "123456789", "a file"},
        {stream_holding(""), SIZE_UNKNOWN, "", "an empty file"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.stream, nullptr) << c.what;
        std::int64_t size = 0;
        int cause = 0;
        EXPECT_TRUE(measure_size(c.stream, size, cause)) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        unsigned char buffer[CHUNK_SIZE];
        chunk_reader reader{.stream = c.stream, .size = size, .buffer = buffer, .buffer_size = sizeof buffer};
        const pulled got = pull_all(reader);
        EXPECT_EQ(got.last, chunk_status::end) << c.what;
        EXPECT_EQ(got.bytes, c.bytes) << c.what << ": read from its start";
        std::fclose(c.stream);
    }
}

TEST(next_chunk, a_read_error_is_a_failure_whether_or_not_the_size_is_known)
{
    for (const bool direct : {false, true}) {
        for (std::int64_t size : {std::int64_t{5}, SIZE_UNKNOWN}) {
            const auto what = std::string(direct ? "direct" : "through the stream") + ", size " + std::to_string(size);
#ifdef _WIN32
            // There, reading a write-only stream is taken for its end, not an error.
            if (!direct && size == SIZE_UNKNOWN) {
                continue;
            }
#endif
            // A name of its own in the temp folder, removed before anything is checked.
            const auto path = std::filesystem::temp_directory_path() /
                ("crc16-read_loop_test-" + std::to_string(std::random_device{}()));
            std::FILE* write_only = std::fopen(path.string().c_str(), "wb");
            ASSERT_NE(write_only, nullptr) << path;
            std::fputs("12345", write_only);
            std::rewind(write_only);
            unsigned char buffer[CHUNK_SIZE];
            chunk_reader reader{
                .stream = write_only, .size = size, .buffer = buffer, .buffer_size = sizeof buffer, .direct = direct};
            const pulled got = pull_all(reader);
            std::fclose(write_only);
            std::filesystem::remove(path);
            EXPECT_EQ(got.last, chunk_status::failed) << what;
#ifdef _WIN32
            if (!direct) {
                EXPECT_EQ(got.cause, CAUSE_ENDED_EARLY) << what; // there, its end
                continue;
            }
#endif
            EXPECT_GT(got.cause, 0) << what; // the system's own cause, not a short file's
        }
    }
}

// A file of its own in the temp folder, holding `bytes`; its name in UTF-8.
std::string temp_file_holding(const std::string& bytes)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("crc16-read_loop_test-" + std::to_string(std::random_device{}()));
    std::FILE* stream = std::fopen(path.string().c_str(), "wb");
    if (stream != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::fclose(stream);
    }
    return path.string();
}

TEST(checksum_range, reads_the_same_file_only_and_fails_short)
{
    const std::string text = text_of_length(3 * CHUNK_SIZE + 5);
    const std::string name = temp_file_holding(text);
    const std::string other = temp_file_holding(text);
    const auto buffers = std::make_unique<read_buffers>();
    stream_buffer& buffer = buffers->stream;
    file_identity identity;
    file_checksum opened{};
    std::FILE* stream = open_measured(name, buffer, identity, opened);
    ASSERT_NE(stream, nullptr);
    fclose(stream);
    ASSERT_TRUE(identity.regular);
    ASSERT_EQ(identity.size, static_cast<std::int64_t>(text.size()));
    file_identity elsewhere; // the same size, another file
    stream = open_measured(other, buffer, elsewhere, opened);
    ASSERT_NE(stream, nullptr);
    fclose(stream);
    file_identity longer = identity;
    longer.size += 1;
    const auto size = static_cast<std::int64_t>(text.size());
    constexpr auto CHUNK = static_cast<std::int64_t>(CHUNK_SIZE);

    const struct {
        const char* what;
        std::string name;
        file_identity identity;
        std::int64_t offset, length;
        file_stage stage;
        int cause;
    } cases[] = {
        {"the first chunk", name, identity, 0, CHUNK, file_stage::checksummed, 0},
        {"a range at 4096", name, identity, CHUNK, CHUNK, file_stage::checksummed, 0},
        {"the last range, to the end", name, identity, 2 * CHUNK, size - 2 * CHUNK, file_stage::checksummed, 0},
        {"a range past the end", name, identity, 2 * CHUNK, size - 2 * CHUNK + 1, file_stage::not_read,
         CAUSE_ENDED_EARLY},
        {"a range after the end", name, identity, size + CHUNK, 1, file_stage::not_read, CAUSE_ENDED_EARLY},
        {"another file of the same size", other, identity, 0, CHUNK, file_stage::not_read, CAUSE_REPLACED},
        {"the file at another size", name, longer, 0, CHUNK, file_stage::not_read, CAUSE_REPLACED},
        {"a file gone since", name + ".gone", identity, 0, CHUNK, file_stage::not_read, ENOENT},
    };
    for (const auto& c : cases) {
        const file_checksum got = checksum_range(c.name, c.identity, c.offset, c.length, crc_arc(), *buffers);
        EXPECT_EQ(got.stage, c.stage) << c.what;
        EXPECT_EQ(got.cause, c.cause) << c.what;
        if (c.stage == file_stage::checksummed) {
            EXPECT_EQ(got.crc,
                      crc_of(text.substr(static_cast<std::size_t>(c.offset), static_cast<std::size_t>(c.length))))
                << c.what;
        }
    }
    std::filesystem::remove(name);
    std::filesystem::remove(other);
}

TEST(open_measured, only_a_regular_file_may_be_read_in_ranges)
{
    const std::string name = temp_file_holding("123456789");
    const std::string empty = temp_file_holding("");
    stream_buffer buffer;
    const struct {
        const char* what;
        std::string name;
        bool opens, regular;
    } cases[] = {
        {"a file", name, true, true},
        {"an empty file, whose size is not trusted", empty, true, false},
        {"the temp folder", std::filesystem::temp_directory_path().string(), false, false},
    };
    for (const auto& c : cases) {
        file_identity identity;
        file_checksum failed{};
        std::FILE* stream = open_measured(c.name, buffer, identity, failed);
        EXPECT_EQ(stream != nullptr, c.opens) << c.what;
        EXPECT_EQ(identity.regular, c.regular) << c.what;
        if (stream != nullptr) {
            fclose(stream);
        }
    }
    std::filesystem::remove(name);
    std::filesystem::remove(empty);
}

// A regular file that shrinks after it was measured, read by crc16sum's
// own path straight from the system and by the plain loop: the failure of a
// short file, never a checksum, wherever it now ends; and one that does not
// shrink, its checksum, the same both ways.
TEST(finish_reading, a_file_that_shrank_since_it_was_measured_ended_early)
{
    std::string text(2 * DIRECT_READ_SIZE + 5, '\0');
    std::mt19937 random(38);
    for (char& c : text) {
        c = static_cast<char>(random());
    }
    const auto buffers = std::make_unique<read_buffers>();
    const crc_model& model = *crc_find_model("CRC-16/IBM-3740");
    const crc_state whole = crc_finish(model,
                                       crc_update(model, crc_start(model),
                                                  reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    for (const bool direct : {true, false}) {
        for (const std::size_t now : {text.size(), std::size_t{0}, text.size() - 1, DIRECT_READ_SIZE,
                                      DIRECT_READ_SIZE + 3, std::size_t{4096}}) {
            const std::string name = temp_file_holding(text);
            file_identity identity;
            file_checksum failed{};
            std::FILE* stream = open_measured(name, buffers->stream, identity, failed);
            ASSERT_NE(stream, nullptr);
            ASSERT_TRUE(identity.regular);
            std::filesystem::resize_file(name, now);
            const file_checksum got = finish_reading(stream, identity.size, model, direct ? buffers->direct : nullptr);
            std::filesystem::remove(name);
            if (now == text.size()) {
                EXPECT_EQ(got.stage, file_stage::checksummed) << (direct ? "direct" : "plain");
                EXPECT_EQ(got.crc, whole) << (direct ? "direct" : "plain");
            } else {
                EXPECT_EQ(got.stage, file_stage::not_read) << (direct ? "direct, " : "plain, ") << now << " bytes left";
                EXPECT_EQ(got.cause, CAUSE_ENDED_EARLY) << (direct ? "direct, " : "plain, ") << now << " bytes left";
            }
        }
    }
}

// The buffers a read copies into begin on a page wherever a job's are
// made: on the heap, as each worker's are, or static, as the calling
// thread's are; the heap's own alignment for a block this large is less.
TEST(read_buffers, begin_on_a_page_on_the_heap_and_static)
{
    static read_buffers calling_thread;
    const auto worker = std::make_unique_for_overwrite<read_buffers>();
    for (const read_buffers* buffers : {&calling_thread, worker.get()}) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffers->direct) % READ_ALIGNMENT, 0U);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffers->stream.bytes) % READ_ALIGNMENT, 0U);
    }
}

} // namespace
