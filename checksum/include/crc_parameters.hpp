// A model in the parameter form, as the catalogue of CRC models writes one:
// "width=16 poly=0x1021 init=0xFFFF refin=false refout=false xorout=0x0000
// check=0x29B1 residue=0x0000 name="CRC-16/IBM-3740"". Read from text that
// anyone may have written, so the reader is a pure function.
#pragma once

#include <cstddef>
#include <string_view>

#include "crc_model.hpp"

// What is wrong with a text that should give parameters.
enum class crc_parameter_fault {
    none,
    unknown_key,    // an item that is no key=value of the form
    repeated_key,   // a key given twice
    invalid_value,  // a value that does not read
    invalid_width,  // a width other than 16
    missing_key,    // poly, refin or refout not given
    check_mismatch, // a check= that the parameters do not make
};

// The parameters read, or the fault and the item it lies in (for a missing
// key, the key's name; for check_mismatch, the check item, with `made` the
// check value the parameters make).
struct crc_parameter_reading {
    crc_parameter_fault fault = crc_parameter_fault::none;
    std::string_view item;
    crc_parameters parameters;
    crc_state made = 0;
};

// Reads `text`: keys in any order, separated by blanks; values in
// hexadecimal after 0x, digits in either case, true or false for refin and
// refout. poly, refin and refout are required; init and xorout are 0x0000
// where not given; width, where given, must be 16; check, where given, must
// be the parameters' check value; residue and name are taken and left aside.
crc_parameter_reading crc_read_parameters(std::string_view text);

// Whether `text` gives parameters, not a name: a name never holds '='.
constexpr bool crc_gives_parameters(std::string_view text) { return text.find('=') != std::string_view::npos; }

// The most a model's parameter form takes, its terminating NUL included.
inline constexpr std::size_t CRC_PARAMETER_FORM_SIZE = 160;

// Writes the model in that form into `into`, NUL-terminated, with its check
// value and residue, and its name where it has one; the length written.
std::size_t crc_format_parameters(const crc_model& model, char (&into)[CRC_PARAMETER_FORM_SIZE]);
