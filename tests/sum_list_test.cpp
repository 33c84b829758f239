#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sum_list.hpp"

namespace {

using namespace std::string_view_literals;

TEST(parse_sum_line, reads_entries_in_every_accepted_form)
{
    const struct {
        std::string_view line;
        std::string_view tag;
        crc_state crc;
        std::string name;
    } cases[] = {
        {"0xBB3D  digits", "", 0xBB3D, "digits"},
        {"0xbb3d *digits", "", 0xBB3D, "digits"},
        {"BB3D  digits\r", "", 0xBB3D, "digits"},
        {"0XBB3D  a  b ", "", 0xBB3D, "a  b "},
        {"  0x0140  f", "", 0x0140, "f"},
        {"\t \t0x0140  f", "", 0x0140, "f"},
        {" \\0x0140  a\\\\b\\nc\\rd", "", 0x0140, "a\\b\nc\rd"},
        {"\\0x0140  plain", "", 0x0140, "plain"},
        {"0x0140  #f", "", 0x0140, "#f"},
        {"0x0140  -", "", 0x0140, "-"},
        {"0x0140  a (b) = 0x1234", "", 0x0140, "a (b) = 0x1234"},
        {"CRC-16/MODBUS (digits) = 0x4B37", "CRC-16/MODBUS", 0x4B37, "digits"},
        {"crc-16/modbus (digits)=4b37\r", "crc-16/modbus", 0x4B37, "digits"},
        {"X (digits) \t= \t0X4b37", "X", 0x4B37, "digits"},
        {" \tCRC-16/ARC (abc (f) = abc) = 0xBB3D", "CRC-16/ARC", 0xBB3D, "abc (f) = abc"},
        {"CRC-16/ARC (a)) = 0xBB3D", "CRC-16/ARC", 0xBB3D, "a)"},
        {"CRC-16/ARC ( ) = 0xBB3D", "CRC-16/ARC", 0xBB3D, " "},
        {"\\CRC-16/ARC (a\\\\b\\n) = 0xBB3D", "CRC-16/ARC", 0xBB3D, "a\\b\n"},
        {"  \\CRC-16/ARC (a\\rb) = 0xBB3D", "CRC-16/ARC", 0xBB3D, "a\rb"},
    };
    for (const auto& c : cases) {
        const sum_line parsed = parse_sum_line(c.line);
        EXPECT_EQ(parsed.kind, line_kind::entry) << c.line;
        EXPECT_EQ(parsed.tag, c.tag) << c.line;
        EXPECT_EQ(parsed.crc, c.crc) << c.line;
        EXPECT_EQ(parsed.name, c.name) << c.line;
    }
}

TEST(parse_sum_line, skips_comments_and_refuses_the_rest)
{
    const struct {
        std::string_view line;
        line_kind kind;
    } cases[] = {
        {"", line_kind::comment},
        {"\r", line_kind::comment},
        {"# 0xBB3D  digits", line_kind::comment},
        {"#", line_kind::comment},
        {" # 0xBB3D  digits", line_kind::malformed}, // a # after blanks starts no comment
        {"   ", line_kind::malformed},
        {"\t\r", line_kind::malformed},
        {"0xBB3D", line_kind::malformed},
        {"0xBB3D  ", line_kind::malformed}, // no name
        {"0xBB3D digits", line_kind::malformed},
        {"0xBB3D\tdigits", line_kind::malformed},
        {"0xBB3D**digits", line_kind::malformed},
        {"0xBB3  digits", line_kind::malformed},
        {"0xBB3DD  digits", line_kind::malformed},
        {"0xBG3D  digits", line_kind::malformed},
        {"0x-B3D  digits", line_kind::malformed},
        {"x0BB3D  digits", line_kind::malformed},
        {"0x 0xBB3D  digits", line_kind::malformed},
        {"\\\\0xBB3D  digits", line_kind::malformed},
        {"\\0xBB3D  a\\tb", line_kind::malformed}, // an escape other than \\, \n, \r
        {"\\0xBB3D  a\\", line_kind::malformed},   // a backslash at the end
        {"0xBB3D  a\0b"sv, line_kind::malformed},  // a NUL in the name
        {"0xBB3D  \r", line_kind::malformed},
        {"CRC-16/ARC (digits) = 0xBB3", line_kind::malformed},
        {"CRC-16/ARC (digits) = 0xBB3D ", line_kind::malformed},
        {"CRC-16/ARC (digits) 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC (digits) = ", line_kind::malformed},
        {"CRC-16/ARC () = 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC(digits) = 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC  (digits) = 0xBB3D", line_kind::malformed}, // the tag would hold a blank
        {"CRC 16 (digits) = 0xBB3D", line_kind::malformed},
        {" (digits) = 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC (digits = 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC (digits) = 0xBB3D)", line_kind::malformed},
        {"CRC-16\\ARC (digits) = 0xBB3D", line_kind::malformed},
        {"\\CRC-16/ARC (a\\tb) = 0xBB3D", line_kind::malformed},
        {"CRC-16/ARC (a\0b) = 0xBB3D"sv, line_kind::malformed},
    };
    for (const auto& c : cases) {
        const sum_line parsed = parse_sum_line(c.line);
        EXPECT_EQ(parsed.kind, c.kind) << '"' << c.line << '"';
        EXPECT_TRUE(parsed.name.empty() && parsed.tag.empty()) << '"' << c.line << '"';
    }
}

TEST(format_sum_line, escapes_only_what_must_be_and_reads_back)
{
    const struct {
        std::string_view tag;
        std::string_view name;
        bool escape;
        std::string_view line;
    } cases[] = {
        {"", "digits", true, "0xBB3D  digits\n"},
        {"", "a\\b", true, "\\0xBB3D  a\\\\b\n"},
        {"", "a\nb\rc", true, "\\0xBB3D  a\\nb\\rc\n"},
        {"", "a\nb", false, "0xBB3D  a\nb\n"},
        {"CRC-16/MODBUS", "digits", true, "CRC-16/MODBUS (digits) = 0xBB3D\n"},
        {"CRC-16/MODBUS", "a\\b", true, "\\CRC-16/MODBUS (a\\\\b) = 0xBB3D\n"},
        {"CRC-16/MODBUS", "abc (f) = abc", true, "CRC-16/MODBUS (abc (f) = abc) = 0xBB3D\n"},
        {"CRC-16/MODBUS", "a\nb", false, "CRC-16/MODBUS (a\nb) = 0xBB3D\n"},
    };
    for (const auto& c : cases) {
        const std::string line = format_tagged_line(c.tag, 0xBB3D, c.name, "\n", c.escape);
        EXPECT_EQ(line, c.line) << c.name;
        if (c.escape) {
            const sum_line parsed = parse_sum_line(std::string_view(line).substr(0, line.size() - 1));
            EXPECT_EQ(parsed.kind, line_kind::entry) << c.name;
            EXPECT_EQ(parsed.tag, c.tag) << c.name;
            EXPECT_EQ(parsed.name, c.name);
        }
    }
}

} // namespace
