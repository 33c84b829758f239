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
    return format_tagged_line({}, crc, name, end, escape);
}

std::string format_tagged_line(std::string_view tag, crc_state crc, std::string_view name, std::string_view end,
                               bool escape)
{
    escape = escape && needs_escape(name);
    char digits[8];
    std::snprintf(digits, sizeof digits, "0x%04X", static_cast<unsigned>(crc));
    std::string line = escape ? "\\" : "";
    if (tag.empty()) {
        line += digits;
        line += "  ";
        append_name(line, name, escape);
    } else {
        line += tag;
        line += " (";
        append_name(line, name, escape);
        line += ") = ";
        line += digits;
    }
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

// A checksum as a line gives it: 0x or not, then four hexadecimal digits in
// either case, and nothing more; false where `text` is not that.
bool read_checksum(std::string_view text, crc_state& crc)
{
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.size() != 4) {
        return false;
    }
    unsigned value = 0;
    for (const char c : text) {
        const int digit = hex_value(c);
        if (digit < 0) {
            return false;
        }
        value = value << 4 | static_cast<unsigned>(digit);
    }
    crc = static_cast<crc_state>(value);
    return true;
}

// A plain line, after its blanks and its backslash: the checksum, a space
// and a space or *, and the name.
bool read_plain(std::string_view line, bool escaped, sum_line& parsed)
{
    const std::size_t digits = line.size() >= 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X') ? 6 : 4;
    if (line.size() < digits + 2 || line[digits] != ' ' || (line[digits + 1] != ' ' && line[digits + 1] != '*')) {
        return false;
    }
    return read_checksum(line.substr(0, digits), parsed.crc) &&
        read_name(line.substr(digits + 2), escaped, parsed.name);
}

// Whether `tag` may be a model's name: letters, digits, '-', '/', '_' and
// '.', as the catalogue's names are made of.
bool reads_as_tag(std::string_view tag)
{
    for (const char c : tag) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '/' ||
              c == '_' || c == '.')) {
            return false;
        }
    }
    return !tag.empty();
}

// A tagged line, after its blanks and its backslash: the tag, then " (",
// the name up to the last ")" of the line, blanks, "=", blanks and the
// checksum.
bool read_tagged(std::string_view line, bool escaped, sum_line& parsed)
{
    const std::size_t open = line.find(" (");
    const std::size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2 ||
        !reads_as_tag(line.substr(0, open))) {
        return false;
    }
    std::string_view rest = line.substr(close + 1);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (rest.empty() || rest.front() != '=') {
        return false;
    }
    rest.remove_prefix(1);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (!read_checksum(rest, parsed.crc) || !read_name(line.substr(open + 2, close - open - 2), escaped, parsed.name)) {
        return false;
    }
    parsed.tag = line.substr(0, open);
    return true;
}

sum_line parse_sum_line(std::string_view line)
{
    sum_line parsed{line_kind::malformed, {}, CRC_ZERO, {}};
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#') {
        parsed.kind = line_kind::comment;
        return parsed;
    }
    // Blanks before the checksum or the tag, or before the backslash of an
    // escaped line, as an indented or pasted list has them.
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped) {
        line.remove_prefix(1);
    }
    if (read_plain(line, escaped, parsed)) {
        parsed.kind = line_kind::entry;
        return parsed;
    }
    parsed.name.clear();
    if (read_tagged(line, escaped, parsed)) {
        parsed.kind = line_kind::entry;
        return parsed;
    }
    return {line_kind::malformed, {}, CRC_ZERO, {}};
}
