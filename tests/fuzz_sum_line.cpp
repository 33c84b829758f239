// The fuzz target of the list parser: any bytes, as one line of a list.
// Nothing may crash or read outside the line, and whatever is taken for an
// entry must read back as itself once written out again in its own form,
// plain or tagged: the same tag, checksum and name.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sum_list.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const sum_line parsed = parse_sum_line(line);
    if (parsed.kind != line_kind::entry) {
        return 0;
    }
    const sum_line again = parse_sum_line(format_tagged_line(parsed.tag, parsed.crc, parsed.name, "", true));
    if (parsed.name.empty() || again.kind != line_kind::entry || again.tag != parsed.tag || again.crc != parsed.crc ||
        again.name != parsed.name) {
        std::abort();
    }
    return 0;
}
