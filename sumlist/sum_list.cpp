#include "sum_list.hpp"

#include <algorithm>
#include <cstdio>

namespace {

bool needs_escape(std::string_view name) { return name.find_first_of("\\\n\r") != std::string_view::npos; }

// `name`, escaped when it must be, after the backslash that says so.
void append_name(std::string& line, std::string_view name, bool escape)
{
    if (!escape) {
        line += name;
        return;
    }
    for (const char c : name) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += c; break;
        }
    }
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The name after the checksum, escapes undone where the line is escaped;
// false where an escape is not one of the three or the name is empty.
bool read_name(std::string_view text, bool escaped, std::string& name)
{
    if (text.empty() || text.find('\0') != std::string_view::npos) {
        return false;
    }
    if (!escaped) {
        name = text;
        return true;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
        case '\\': name += '\\'; break;
        case 'n': name += '\n'; break;
        case 'r': name += '\r'; break;
        default: return false;
        }
    }
    return true;
}

} // namespace

std::string format_sum_line(crc_state crc, std::string_view name, std::string_view end, bool escape)
{
    escape = escape && needs_escape(name);
    char digits[8];
    std::snprintf(digits, sizeof digits, "0x%04X", static_cast<unsigned>(crc));
    std::string line = escape ? "\\" : "";
    line += digits;
    line += "  ";
    append_name(line, name, escape);
    line += end;
    return line;
}

std::string format_verdict_line(std::string_view name, std::string_view verdict, std::string_view end)
{
    const bool escape = needs_escape(name);
    std::string line = escape ? "\\" : "";
    append_name(line, name, escape);
    line += ": ";
    line += verdict;
    line += end;
    return line;
}

sum_line parse_sum_line(std::string_view line)
{
    sum_line parsed{line_kind::malformed, CRC_ZERO, {}};
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#') {
        parsed.kind = line_kind::comment;
        return parsed;
    }
    // Blanks before the checksum, or before the backslash of an escaped
    // line, as an indented or pasted list has them.
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (line.empty()) {
        return parsed;
    }
    const bool escaped = line.front() == '\\';
    if (escaped) {
        line.remove_prefix(1);
    }
    if (line.size() >= 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X')) {
        line.remove_prefix(2);
    }
    // Four digits, then a space and a space or *, then the name.
    if (line.size() < 6 || line[4] != ' ' || (line[5] != ' ' && line[5] != '*')) {
        return parsed;
    }
    unsigned crc = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const int digit = hex_value(line[i]);
        if (digit < 0) {
            return parsed;
        }
        crc = crc << 4 | static_cast<unsigned>(digit);
    }
    if (!read_name(line.substr(6), escaped, parsed.name)) {
        parsed.name.clear();
        return parsed;
    }
    parsed.kind = line_kind::entry;
    parsed.crc = static_cast<crc_state>(crc);
    return parsed;
}
