// The lines of crc16sum's lists: how a checksum and a name are written as a
// line, and how a line is read back. Pure functions over text, with no I/O:
// a list is untrusted input, and this is the first code to read it.
//
// A line is the checksum as crc16 prints it (0x and four upper-case
// hexadecimal digits), two spaces and the name. A name that holds a
// backslash, a line feed or a carriage return is escaped: the line starts
// with a backslash, and those characters stand as \\, \n and \r.
#pragma once

#include <string>
#include <string_view>

#include "crc16.hpp"

// The line for `crc` and `name`, ended by `end`. With `escape` false (NUL-
// ended lists), the name stands as it is.
std::string format_sum_line(crc_state crc, std::string_view name, std::string_view end, bool escape);

// crc16sum --check's line for `name`, "NAME: VERDICT", escaped as above.
std::string format_verdict_line(std::string_view name, std::string_view verdict, std::string_view end);

enum class line_kind { entry, comment, malformed };
struct sum_line {
    line_kind kind;
    crc_state crc;    // entries only
    std::string name; // entries only, unescaped
};

// Reads one line of a list, without its line feed. Accepted: a carriage
// return before the line feed, spaces and tabs before the checksum (or
// before the backslash of an escaped line), hexadecimal digits in either
// case, the 0x left out, and * in place of the second space. Empty lines
// and lines that start with # are comments; a # after blanks is not, nor is
// a line of blanks alone. Anything else is malformed, never an entry.
sum_line parse_sum_line(std::string_view line);
