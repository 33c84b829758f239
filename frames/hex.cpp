#include "hex.hpp"

#include <array>

namespace {

// Each character's class: a digit's value (0 to 15), or one of these, each
// above every digit's value so that (a | b) < 16 holds of two digits alone.
constexpr unsigned char SEPARATOR = 0x10;
constexpr unsigned char PREFIX_X = 0x20;
constexpr unsigned char OTHER = 0x40;

constexpr std::array<unsigned char, 256> make_classes()
{
    std::array<unsigned char, 256> classes{};
    classes.fill(OTHER);
    for (std::size_t c = 0; c < 10; ++c) {
        classes['0' + c] = static_cast<unsigned char>(c);
    }
    for (std::size_t c = 0; c < 6; ++c) {
        classes['a' + c] = static_cast<unsigned char>(10 + c);
        classes['A' + c] = static_cast<unsigned char>(10 + c);
    }
    for (const char c : std::string_view(" \t:,")) {
        classes[static_cast<unsigned char>(c)] = SEPARATOR;
    }
    classes['x'] = PREFIX_X;
    classes['X'] = PREFIX_X;
    return classes;
}

constexpr std::array<unsigned char, 256> CLASSES = make_classes();

hex_fault fault_at(hex_reader& reader, hex_problem problem, std::size_t column)
{
    reader.phase = hex_phase::faulted;
    reader.fault = {problem, column};
    return reader.fault;
}

} // namespace

std::size_t hex_decode(hex_reader& reader, std::string_view piece, unsigned char* into, hex_fault& fault)
{
    fault = reader.fault;
    if (reader.phase == hex_phase::faulted) {
        return 0;
    }
    const auto* text = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t size = piece.size();
    unsigned char* out = into;
    std::size_t i = 0;
    while (i < size) {
        if (reader.phase == hex_phase::boundary) {
            // The common run: two digits make a byte, a separator is passed.
            // Anything else is left to the steps below, a character at a time.
            while (i + 1 < size) {
                const unsigned char a = CLASSES[text[i]];
                const unsigned char b = CLASSES[text[i + 1]];
                if ((a | b) < 16) {
                    *out++ = static_cast<unsigned char>((a << 4) | b);
                    i += 2;
                } else if (a == SEPARATOR) {
                    ++i;
                } else {
                    break;
                }
            }
            if (i == size) {
                break;
            }
        }
        // The column of text[i], and of the character before it.
        const std::size_t column = reader.column + i + 1;
        const unsigned char c = CLASSES[text[i]];
        switch (reader.phase) {
        case hex_phase::boundary:
            if (c < 16) {
                reader.high = static_cast<unsigned char>(c << 4);
                reader.phase = c == 0 ? hex_phase::zero : hex_phase::digit;
            } else if (c != SEPARATOR) {
                fault = fault_at(reader, hex_problem::bad_character, column);
            }
            break;
        case hex_phase::zero:
        case hex_phase::digit:
            if (c < 16) {
                *out++ = static_cast<unsigned char>(reader.high | c);
                reader.phase = hex_phase::boundary;
            } else if (c == PREFIX_X && reader.phase == hex_phase::zero) {
                reader.phase = hex_phase::prefix;
            } else if (c == SEPARATOR) {
                fault = fault_at(reader, hex_problem::lone_digit, column - 1);
            } else {
                fault = fault_at(reader, hex_problem::bad_character, column);
            }
            break;
        case hex_phase::prefix:
            if (c < 16) {
                // A byte's first digit, even 0: no second 0x may follow.
                reader.high = static_cast<unsigned char>(c << 4);
                reader.phase = hex_phase::digit;
            } else {
                fault = fault_at(reader, hex_problem::bad_character, c == SEPARATOR ? column - 1 : column);
            }
            break;
        case hex_phase::faulted: break;
        }
        if (reader.phase == hex_phase::faulted) {
            return static_cast<std::size_t>(out - into);
        }
        ++i;
    }
    reader.column += size;
    return static_cast<std::size_t>(out - into);
}

hex_fault hex_finish(const hex_reader& reader)
{
    switch (reader.phase) {
    case hex_phase::boundary: return {hex_problem::none, 0};
    case hex_phase::zero:
    case hex_phase::digit: return {hex_problem::lone_digit, reader.column};
    case hex_phase::prefix: return {hex_problem::bad_character, reader.column};
    case hex_phase::faulted: return reader.fault;
    }
    return reader.fault;
}
