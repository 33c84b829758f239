// The lines of crc16sum's lists: how a checksum and a name are written as a
// line, and how a line is read back. Pure functions over text, with no I/O:
// a list is untrusted input, and this is the first code to read it.
//
// A plain line is the checksum as crc16 prints it (0x and four upper-case
// hexadecimal digits), two spaces and the name. A tagged line, as cksum
// writes one, names the model that made the checksum: the tag, " (", the
// name, ") = " and the checksum, as in "CRC-16/MODBUS (digits) = 0x4B37".
// A name that holds a backslash, a line feed or a carriage return is
// escaped: the line starts with a backslash, and those characters stand as
// \\, \n and \r.
#pragma once

#include <string>
#include <string_view>

#include "crc16.hpp"

// The plain line for `crc` and `name`, ended by `end`. With `escape` false
// (NUL-ended lists), the name stands as it is.
std::string format_sum_line(crc_state crc, std::string_view name, std::string_view end, bool escape);

// The same as a tagged line; with an empty `tag`, the plain line.
std::string format_tagged_line(std::string_view tag, crc_state crc, std::string_view name, std::string_view end,
                               bool escape);

// crc16sum --check's line for `name`, "NAME: VERDICT", escaped as above.
std::string format_verdict_line(std::string_view name, std::string_view verdict, std::string_view end);

enum class line_kind { entry, comment, malformed };
struct sum_line {
    line_kind kind;
    std::string tag;  // entries only: the tag of a tagged line, empty for a plain one
    crc_state crc;    // entries only
    std::string name; // entries only, unescaped
};

// Reads one line of a list, without its line feed, plain or tagged.
// Accepted in both: a carriage return before the line feed; spaces and tabs
// at its start, before the backslash of an escaped line too; the 0x left out
// and the digits in either case. In a plain line, * in place of the second
// space. In a tagged line, a tag of letters, digits, '-', '/', '_' and '.'
// (the characters of the catalogue's names), a name up to the last
// ")" of the line (so that it may hold "(", ")" and " = "), and any blanks
// around the "=". Which model a tag names is for the caller to say. Empty
// lines and lines that start with # are comments; a # after blanks is not,
// nor is a line of blanks alone. Anything else is malformed, never an entry.
sum_line parse_sum_line(std::string_view line);
