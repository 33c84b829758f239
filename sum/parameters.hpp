// A model of one's own, given to -a in the catalogue's own form, and the
// catalogue written out in that form.
#pragma once

#include <string>
#include <string_view>

#include "crc_model.hpp"

// Reads `text`, such as "width=16 poly=0x1021 init=0xFFFF refin=false
// refout=false xorout=0x0000", into `model`, with no name. Keys in any
// order, separated by blanks; values in hexadecimal after 0x, digits in
// either case, true or false for refin and refout. poly, refin and refout
// are required; init and xorout are 0x0000 where not given; width, where
// given, must be 16; check, where given, must be the parameters' check
// value; residue and name are taken and left aside. False, with `error`
// saying what is wrong, where it is not such a model.
bool read_parameters(std::string_view text, crc_model& model, std::string& error);

// A catalogued model in that form, as the catalogue writes it: the
// parameters, the check value, the residue and the name in quotes.
std::string format_parameters(const crc_catalogue_entry& entry);

// Whether `text` gives parameters, not a name: a name never holds '='.
inline bool gives_parameters(std::string_view text) { return text.find('=') != std::string_view::npos; }
