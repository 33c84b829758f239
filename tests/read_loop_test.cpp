// This file defines fread itself (below), which the C library's checked
// inline variant would otherwise stand in the way of.
#undef _FORTIFY_SOURCE

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

TEST(checksum_stream, covers_the_given_size_and_refuses_short_streams)
{
    std::string long_text;
    for (int i = 0; long_text.size() < 10000; ++i) {
        long_text += std::to_string(i);
    }
    // reads: the size of each read the loop asks for, one chunk at most.
    const struct {
        std::string content;
        std::int64_t size;
        bool ok;
        std::string counted;
        std::vector<std::size_t> reads;
    } cases[] = {
        {"", 0, true, "", {0}},
        {"123456789", 9, true, "123456789", {9}},
        {"123456789", SIZE_UNKNOWN, true, "123456789", {4096}},
        {long_text, SIZE_UNKNOWN, true, long_text, {4096, 4096, 4096}},
        {"123456789", 3, true, "123", {3}}, // grew after it was measured
        {long_text, 9000, true, long_text.substr(0, 9000), {4096, 4096, 808}},
        {long_text.substr(0, 4096), 4096, true, long_text.substr(0, 4096), {4096}},
        {long_text.substr(0, 8192), 8192, true, long_text.substr(0, 8192), {4096, 4096}},
        {"123456789", 12, false, "", {12}}, // truncated after it was measured
        {long_text.substr(0, 4096), 4097, false, "", {4096, 1}},
        {long_text.substr(0, 8192), 10000, false, "", {4096, 4096, 1808}},
    };
    for (const auto& c : cases) {
        std::FILE* stream = stream_holding(c.content);
        ASSERT_NE(stream, nullptr);
        crc_state crc = CRC_INIT;
        int cause = 0;
        read_requests.clear();
        EXPECT_EQ(checksum_stream(stream, c.size, crc, cause), c.ok) << c.content.size() << " bytes, size " << c.size;
        if (c.ok) {
            EXPECT_EQ(crc, crc_of(c.counted)) << c.content.size() << " bytes, size " << c.size;
        } else {
            EXPECT_EQ(cause, CAUSE_ENDED_EARLY) << c.content.size() << " bytes, size " << c.size;
        }
#ifdef __GLIBC__
        EXPECT_EQ(read_requests, c.reads) << c.content.size() << " bytes, size " << c.size;
#endif
        std::fclose(stream);
    }
}

TEST(measure_size, only_a_size_above_zero_is_trusted)
{
    const struct {
        std::FILE* stream;
        std::int64_t size;
        crc_state crc;
        const char* what;
    } cases[] = {
        {stream_holding("123456789"), 9, 0xBB3D, "a file"},
        {stream_holding(""), SIZE_UNKNOWN, 0x0000, "an empty file"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.stream, nullptr) << c.what;
        std::int64_t size = 0;
        int cause = 0;
        EXPECT_TRUE(measure_size(c.stream, size, cause)) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        crc_state crc = CRC_INIT;
        EXPECT_TRUE(checksum_stream(c.stream, size, crc, cause)) << c.what;
        EXPECT_EQ(crc, c.crc) << c.what;
        std::fclose(c.stream);
    }
}

TEST(checksum_stream, a_read_error_is_a_failure_whether_or_not_the_size_is_known)
{
    for (std::int64_t size : {std::int64_t{5}, SIZE_UNKNOWN}) {
#ifdef _WIN32
        // There, reading a write-only stream is taken for its end, not an error.
        if (size == SIZE_UNKNOWN) {
            continue;
        }
#endif
        // A name of its own in the temp folder, removed before anything is checked.
        const auto path =
            std::filesystem::temp_directory_path() / ("crc16-read_loop_test-" + std::to_string(std::random_device{}()));
        std::FILE* write_only = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(write_only, nullptr) << path;
        std::fputs("12345", write_only);
        std::rewind(write_only);
        crc_state crc = CRC_INIT;
        int cause = 0;
        const bool read = checksum_stream(write_only, size, crc, cause);
        std::fclose(write_only);
        std::filesystem::remove(path);
        EXPECT_FALSE(read) << "size " << size;
#ifdef _WIN32
        EXPECT_EQ(cause, CAUSE_ENDED_EARLY) << "size " << size; // there, its end
#else
        EXPECT_GT(cause, 0) << "size " << size; // the system's own cause, not a short file's
#endif
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
    std::string text;
    for (int i = 0; text.size() < 3 * CHUNK_SIZE + 5; ++i) {
        text += std::to_string(i);
    }
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
        const file_checksum got =
            checksum_range(c.name, c.identity, c.offset, c.length, crc_arc(), crc_engine::table, *buffers);
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
            const file_checksum got =
                finish_reading(stream, identity.size, model, crc_engine::table, direct ? buffers->direct : nullptr);
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

} // namespace
