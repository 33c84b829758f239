#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "hex.hpp"

namespace {

using namespace std::string_view_literals;

using bytes = std::vector<unsigned char>;

struct decoding {
    bytes frame;
    hex_fault fault;
};

// Past each piece's room, bytes that no decoder writes.
constexpr unsigned char GUARD = 0xEE;
constexpr std::size_t GUARD_SIZE = 8;

// `text` read in the pieces that `cuts` (ascending offsets) make of it, each
// piece's bytes written to a room of exactly the size the header promises,
// with guard bytes after it.
decoding decode_in_pieces(std::string_view text, const std::vector<std::size_t>& cuts)
{
    hex_reader reader{};
    decoding got{};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : text.size();
        const std::string_view piece = text.substr(start, end - start);
        const std::size_t room = hex_bytes_at_most(piece.size());
        bytes into(room + GUARD_SIZE, GUARD);
        hex_fault fault{};
        const std::size_t written = hex_decode(reader, piece, into.data(), fault);
        EXPECT_LE(written, room) << text;
        EXPECT_EQ(bytes(into.begin() + static_cast<std::ptrdiff_t>(room), into.end()), bytes(GUARD_SIZE, GUARD))
            << text;
        got.frame.insert(got.frame.end(), into.begin(), into.begin() + static_cast<std::ptrdiff_t>(written));
        if (fault.problem != hex_problem::none) {
            EXPECT_EQ(fault.problem, hex_finish(reader).problem) << text;
            EXPECT_EQ(fault.column, hex_finish(reader).column) << text;
        }
        start = end;
    }
    got.fault = hex_finish(reader);
    return got;
}

// The same bytes and fault whole and in every split into two and three pieces.
void expect_decoding(std::string_view text, const bytes& frame, hex_problem problem, std::size_t column)
{
    std::vector<std::vector<std::size_t>> splits{{}};
    for (std::size_t i = 0; i <= text.size(); ++i) {
        splits.push_back({i});
        for (std::size_t j = i; j <= text.size(); ++j) {
            splits.push_back({i, j});
        }
    }
    for (const auto& cuts : splits) {
        const decoding got = decode_in_pieces(text, cuts);
        const std::string where = std::string(text) + " cut at " + testing::PrintToString(cuts);
        EXPECT_EQ(got.frame, frame) << where;
        EXPECT_EQ(got.fault.problem, problem) << where;
        EXPECT_EQ(got.fault.column, column) << where;
    }
}

constexpr std::string_view DIGITS = "0123456789abcdefABCDEF";
constexpr std::string_view SEPARATORS = " \t:,";

unsigned char digit_value(char c)
{
    const std::size_t at = DIGITS.find(c);
    return static_cast<unsigned char>(at < 16 ? at : at - 6);
}

TEST(hex_decode, reads_every_accepted_form)
{
    const struct {
        std::string_view text;
        bytes frame;
    } cases[] = {
        {"", {}},
        {" \t:, ", {}},
        {"0103000A", {0x01, 0x03, 0x00, 0x0A}},
        {"01 03 00 0a", {0x01, 0x03, 0x00, 0x0A}},
        {"abcdef", {0xAB, 0xCD, 0xEF}},
        {"ABCDEF", {0xAB, 0xCD, 0xEF}},
        {"aB9f", {0xAB, 0x9F}},
        {"01\t02:03,04 05", {0x01, 0x02, 0x03, 0x04, 0x05}},
        {"  \t01 ,: 02\t\t03 ,", {0x01, 0x02, 0x03}},
        {"0x01 0x03 0X00,0x0A", {0x01, 0x03, 0x00, 0x0A}},
        {"0x0103000A", {0x01, 0x03, 0x00, 0x0A}},
        {"0X0103", {0x01, 0x03}},
        {"0x01 02 0x03", {0x01, 0x02, 0x03}},
        {"100x01", {0x10, 0x01}},
        {"0000", {0x00, 0x00}},
        {"00 0x00 0x0000", {0x00, 0x00, 0x00, 0x00}},
        {" 0x01:", {0x01}},
    };
    for (const auto& c : cases) {
        expect_decoding(c.text, c.frame, hex_problem::none, 0);
    }
}

TEST(hex_decode, stops_at_the_first_fault)
{
    using enum hex_problem;
    const struct {
        std::string_view text;
        bytes frame; // the bytes before the fault
        hex_problem problem;
        std::size_t column;
    } cases[] = {
        {"01 3 00", {0x01}, lone_digit, 4},
        {"010", {0x01}, lone_digit, 3},
        {"0", {}, lone_digit, 1},
        {"7", {}, lone_digit, 1},
        {"0 1", {}, lone_digit, 1},
        {"0 x01", {}, lone_digit, 1},
        {"0x1", {}, lone_digit, 3},
        {"0x1 02", {}, lone_digit, 3},
        {"0x", {}, bad_character, 2},
        {"0x ", {}, bad_character, 2},
        {"0x:01", {}, bad_character, 2},
        {"01 0x", {0x01}, bad_character, 5},
        {"0x0x01", {}, bad_character, 4},
        {"0xx1", {}, bad_character, 3},
        {"0xg1", {}, bad_character, 3},
        {"x01", {}, bad_character, 1},
        {"01x02", {0x01}, bad_character, 3},
        {"00x01", {0x00}, bad_character, 3},
        {"1x02", {}, bad_character, 2},
        {"01 g2", {0x01}, bad_character, 4},
        {"0g", {}, bad_character, 2},
        {"1g", {}, bad_character, 2},
        {"01;02", {0x01}, bad_character, 3},
        {"01 02\n", {0x01, 0x02}, bad_character, 6},
        {"01\r", {0x01}, bad_character, 3},
        {"01\0"sv, {0x01}, bad_character, 3},
        {"01 02 \xff", {0x01, 0x02}, bad_character, 7},
        {"01 3 g", {0x01}, lone_digit, 4},
    };
    for (const auto& c : cases) {
        expect_decoding(c.text, c.frame, c.problem, c.column);
    }
}

// Every character where a byte starts, where its second digit stands, and
// after 0x, against the rules read from the character itself.
TEST(hex_decode, classes_every_character_where_it_stands)
{
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        const bool digit = DIGITS.find(c) != std::string_view::npos;
        const bool separator = SEPARATORS.find(c) != std::string_view::npos;
        const std::string one(1, c);
        SCOPED_TRACE(code);
        if (digit) {
            expect_decoding(one + "1", {static_cast<unsigned char>((digit_value(c) << 4) | 1)}, hex_problem::none, 0);
            expect_decoding("A" + one, {static_cast<unsigned char>(0xA0 | digit_value(c))}, hex_problem::none, 0);
            expect_decoding("0x" + one + "1", {static_cast<unsigned char>((digit_value(c) << 4) | 1)},
                            hex_problem::none, 0);
        } else if (separator) {
            expect_decoding(one + "1", {}, hex_problem::lone_digit, 2);
            expect_decoding("A" + one, {}, hex_problem::lone_digit, 1);
            expect_decoding("0x" + one + "1", {}, hex_problem::bad_character, 2);
        } else {
            expect_decoding(one + "1", {}, hex_problem::bad_character, 1);
            expect_decoding("A" + one, {}, hex_problem::bad_character, 2);
            expect_decoding("0x" + one + "1", {}, hex_problem::bad_character, 3);
        }
    }
}

TEST(hex_decode, writes_nothing_after_a_fault)
{
    hex_reader reader{};
    unsigned char into[4] = {};
    hex_fault fault{};
    EXPECT_EQ(hex_decode(reader, "01 g", into, fault), 1U);
    EXPECT_EQ(fault.problem, hex_problem::bad_character);
    EXPECT_EQ(fault.column, 4U);
    EXPECT_EQ(hex_decode(reader, "0203", into, fault), 0U);
    EXPECT_EQ(fault.problem, hex_problem::bad_character);
    EXPECT_EQ(fault.column, 4U);
    EXPECT_EQ(hex_finish(reader).column, 4U);
}

} // namespace
