#include <gtest/gtest.h>

#include <string>

#include "command.hpp"

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
    const struct { std::string content; std::int64_t size; bool ok; std::string counted; } cases[] = {
        {"", 0, true, ""},
        {"123456789", 9, true, "123456789"},
        {"123456789", SIZE_UNKNOWN, true, "123456789"},
        {long_text, SIZE_UNKNOWN, true, long_text},
        {"123456789", 3, true, "123"},                            // grew after it was measured
        {long_text, 9000, true, long_text.substr(0, 9000)},
        {"123456789", 12, false, ""},                             // truncated after it was measured
        {long_text.substr(0, 4096), 4097, false, ""},
        {long_text.substr(0, 8192), 10000, false, ""},
    };
    for (const auto& c : cases) {
        std::FILE* stream = stream_holding(c.content);
        ASSERT_NE(stream, nullptr);
        crc_state crc = CRC_INIT;
        EXPECT_EQ(checksum_stream(stream, c.size, crc), c.ok) << c.content.size() << " bytes, size " << c.size;
        if (c.ok) {
            EXPECT_EQ(crc, crc_of(c.counted)) << c.content.size() << " bytes, size " << c.size;
        }
        std::fclose(stream);
    }
}

TEST(measure_size, only_a_size_above_zero_is_trusted)
{
    const struct { std::FILE* stream; std::int64_t size; crc_state crc; const char* what; } cases[] = {
        {stream_holding("123456789"), 9, 0xBB3D, "a file"},
        {stream_holding(""), SIZE_UNKNOWN, 0x0000, "an empty file"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.stream, nullptr) << c.what;
        std::int64_t size = 0;
        EXPECT_TRUE(measure_size(c.stream, size)) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        crc_state crc = CRC_INIT;
        EXPECT_TRUE(checksum_stream(c.stream, size, crc)) << c.what;
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
        std::FILE* write_only = std::fopen("read_loop_test.tmp", "wb");
        ASSERT_NE(write_only, nullptr);
        std::fputs("12345", write_only);
        std::rewind(write_only);
        crc_state crc = CRC_INIT;
        EXPECT_FALSE(checksum_stream(write_only, size, crc)) << "size " << size;
        std::fclose(write_only);
    }
    std::remove("read_loop_test.tmp");
}

} // namespace
