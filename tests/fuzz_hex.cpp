// The fuzz target of the reader of frames written in hex: the first byte
// says how many cuts (0 to 3) split the text, the next two bytes each give
// one's offset, and the rest is the text. Each piece is read from a copy of
// its own and written to a room of exactly the size the header promises, so
// that the sanitizers see any read or write outside them. Read in those
// pieces, the text must give the same bytes and the same fault as in one; a
// fault lies within the text; and a frame read without fault, written out
// again as two upper-case digits a byte, spaced, reads back as itself.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "hex.hpp"

namespace {

struct decoding {
    std::vector<unsigned char> frame;
    hex_fault fault;
};

decoding decode_in_pieces(std::string_view text, const std::vector<std::size_t>& cuts)
{
    hex_reader reader{};
    decoding got{};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : text.size();
        const std::vector<char> piece(text.begin() + static_cast<std::ptrdiff_t>(start),
                                      text.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<unsigned char> room(hex_bytes_at_most(piece.size()));
        hex_fault fault{};
        const std::size_t written =
            hex_decode(reader, std::string_view(piece.data(), piece.size()), room.data(), fault);
        if (written > room.size()) {
            std::abort();
        }
        got.frame.insert(got.frame.end(), room.begin(), room.begin() + static_cast<std::ptrdiff_t>(written));
        start = end;
    }
    got.fault = hex_finish(reader);
    return got;
}

bool same(const decoding& a, const decoding& b)
{
    return a.frame == b.frame && a.fault.problem == b.fault.problem && a.fault.column == b.fault.column;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::size_t count = data[0] % 4U;
    if (size < 1 + 2 * count) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + 2 * count), size - 1 - 2 * count);
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = data[1 + 2 * i] | static_cast<std::size_t>(data[2 + 2 * i]) << 8U;
        cuts.push_back(offset % (text.size() + 1));
    }
    std::sort(cuts.begin(), cuts.end());

    const decoding whole = decode_in_pieces(text, {});
    if (!same(whole, decode_in_pieces(text, cuts))) {
        std::abort();
    }
    if (whole.fault.problem != hex_problem::none) {
        if (whole.fault.column == 0 || whole.fault.column > text.size()) {
            std::abort();
        }
        return 0;
    }
    if (whole.fault.column != 0) {
        std::abort();
    }
    constexpr std::string_view DIGITS = "0123456789ABCDEF";
    std::string again;
    for (const unsigned char byte : whole.frame) {
        if (!again.empty()) {
            again += ' ';
        }
        again += DIGITS[byte >> 4U];
        again += DIGITS[byte & 15U];
    }
    if (!same(whole, decode_in_pieces(again, {}))) {
        std::abort();
    }
    return 0;
}
