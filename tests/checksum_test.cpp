#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "crc16.hpp"

namespace {

crc_state crc_of(std::string_view text)
{
    return crc_update(CRC_INIT, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// One bit at a time, straight from the reflected polynomial.
crc_state bitwise_crc(const std::vector<unsigned char>& bytes)
{
    unsigned crc = 0;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        }
    }
    return static_cast<crc_state>(crc);
}

TEST(crc_update, known_vectors)
{
    const struct { std::string_view input; crc_state crc; } cases[] = {
        {"", 0x0000}, {"123456789", 0xBB3D}, {"abc", 0x9738},
        {"A", 0x30C0}, {"\x03", 0x0140}, {"\x01", 0xC0C1}, {"\xFF", 0x4040},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crc_of(c.input), c.crc) << "input \"" << c.input << '"';
    }
}

TEST(crc_update, zero_bytes_leave_the_state_at_zero)
{
    for (std::size_t length : {1U, 2U, 255U, 4096U, 65537U}) {
        const std::vector<unsigned char> zeros(length, 0);
        EXPECT_EQ(crc_update(CRC_INIT, zeros.data(), zeros.size()), 0x0000) << length;
    }
}

TEST(crc_update, count_zero_reads_nothing)
{
    EXPECT_EQ(crc_update(0x1234, nullptr, 0), 0x1234);
}

TEST(crc_update, any_split_matches_one_call_and_the_bitwise_reference)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        std::vector<unsigned char> bytes(random() % 3000);
        for (auto& byte : bytes) {
            byte = static_cast<unsigned char>(random());
        }
        const crc_state whole = crc_update(CRC_INIT, bytes.data(), bytes.size());
        ASSERT_EQ(whole, bitwise_crc(bytes)) << "length " << bytes.size();

        crc_state pieces = CRC_INIT;
        std::size_t at = 0;
        while (at < bytes.size()) {
            // Length-0 pieces are as likely as any other short piece.
            const std::size_t piece = std::min<std::size_t>(random() % 70, bytes.size() - at);
            pieces = crc_update(pieces, bytes.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(pieces, whole) << "length " << bytes.size();
    }
}

} // namespace
