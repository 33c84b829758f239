// Frames written in hex, as crc16sum --hex takes them, read back into their
// bytes. A pure, incremental reader: the text comes in pieces of any size, as
// a reader of a line hands back its chunks, and the bytes of each piece go
// into the caller's buffer; nothing is allocated, nothing is thrown. Reading
// a text in one piece or split anywhere gives the same bytes and the same
// fault.
//
// The text: two hexadecimal digits a byte, in either case. Blanks (space and
// tab), ':' and ',' may stand between bytes, any number of them, before the
// first byte and after the last too; none is needed ("0103000A" is four
// bytes). 0x or 0X may stand at the start of any byte: before each
// ("0x01 0x03"), once before the whole ("0x0103000A"), or before some; never
// inside a byte, never twice in a row, and always followed by a byte's first
// digit. The empty text, or one of separators alone, is the empty frame.
//
// The fault is the first character that cannot stand where it stands, and
// its column counts the bytes of the text from 1:
// - bad_character: a character that is neither a digit nor a separator, or
//   that stands where neither may (an x that follows no 0 at the start of a
//   byte, a second 0x, a 0x inside a byte): that character's column;
// - lone_digit: a byte's first digit followed by a separator or by the end
//   of the text ("01 3 00", "010"): the lone digit's column;
// - bad_character too, for a 0x followed by a separator or by the end of the
//   text ("0x 01", "01 0x"): the column of its x.
// So a separator or the end of the text is never itself at fault: where one
// cuts a byte or a 0x short, the fault is the last character before it.
#pragma once

#include <cstddef>
#include <string_view>

enum class hex_problem : unsigned char { none, bad_character, lone_digit };

struct hex_fault {
    hex_problem problem;
    std::size_t column; // 1-based, in bytes of the whole text; 0 with no fault
};

// Where the reader stands between two characters.
enum class hex_phase : unsigned char {
    boundary, // between bytes: a separator, a digit or 0x may come
    zero,     // after a byte's first digit, 0, which may also start 0x
    digit,    // after a byte's first digit, any other
    prefix,   // after 0x: a byte's first digit must come
    faulted,  // after the fault: the rest of the text is not read
};

// The reader's state between pieces: a plain value. Zero-initialised
// (hex_reader{}), it stands at the start of a frame.
struct hex_reader {
    hex_phase phase;
    unsigned char high; // the pending first digit's value, shifted into the byte's high half
    std::size_t column; // the characters of the pieces read whole so far
    hex_fault fault;    // once faulted
};

// The most bytes that one piece of `size` characters can make: a first
// digit left over from the pieces before may complete a byte in this one.
constexpr std::size_t hex_bytes_at_most(std::size_t size) { return size / 2 + size % 2; }

// Reads the next piece of the frame and writes its bytes to `into`, which
// has room for hex_bytes_at_most(piece.size()) bytes ((piece.size() + 1) / 2);
// returns how many it wrote. Stops at the first fault, which it puts in
// `fault` (problem none where there is none yet), having written the bytes
// before it; from then on the reader writes nothing and gives that fault
// again.
std::size_t hex_decode(hex_reader& reader, std::string_view piece, unsigned char* into, hex_fault& fault);

// The frame's fault once its last piece is read: the one met, or a lone
// digit or a 0x left at the end; problem none where the frame is whole.
hex_fault hex_finish(const hex_reader& reader);
