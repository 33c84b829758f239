#include "crc_parameters.hpp"

#include <algorithm>
#include <array>
#include <cstdio>

#include "model.hpp"

namespace {

enum key { WIDTH, POLY, INIT, REFIN, REFOUT, XOROUT, CHECK, RESIDUE, NAME, KEYS };
constexpr std::array<std::string_view, KEYS> KEY_NAMES = {"width",  "poly",  "init",    "refin", "refout",
                                                          "xorout", "check", "residue", "name"};

// A value in hexadecimal after 0x, of 16 bits at most.
bool read_hex(std::string_view text, crc_state& value)
{
    if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return false;
    }
    unsigned number = 0;
    for (const char c : text.substr(2)) {
        const bool decimal = c >= '0' && c <= '9';
        const bool upper = c >= 'A' && c <= 'F';
        const bool lower = c >= 'a' && c <= 'f';
        if (!decimal && !upper && !lower) {
            return false;
        }
        number = number << 4 | static_cast<unsigned>(decimal ? c - '0' : upper ? c - 'A' + 10 : c - 'a' + 10);
    }
    value = static_cast<crc_state>(number);
    return true;
}

bool read_bool(std::string_view text, bool& value)
{
    value = text == "true";
    return value || text == "false";
}

// The next item of `text` after its blanks: up to the next blank, or, for a
// value in double quotes, up to the closing quote; empty at the end.
std::string_view next_item(std::string_view& text)
{
    const std::size_t start = std::min(text.find_first_not_of(" \t"), text.size());
    text.remove_prefix(start);
    const std::size_t quote = text.find("=\"");
    std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    if (quote < end) {
        end = std::min(text.find('"', quote + 2), text.size() - 1) + 1;
    }
    const std::string_view item = text.substr(0, end);
    text.remove_prefix(end);
    return item;
}

crc_parameter_reading fault(crc_parameter_fault what, std::string_view item) { return {what, item, {}, 0}; }

} // namespace

crc_parameter_reading crc_read_parameters(std::string_view text)
{
    std::array<std::string_view, KEYS> given{}; // each key's item, empty where not given
    crc_state values[KEYS] = {};
    bool refin = false, refout = false;
    for (std::string_view item = next_item(text); !item.empty(); item = next_item(text)) {
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals), value = item.substr(std::min(equals + 1, item.size()));
        std::size_t k = 0;
        while (k < KEYS && KEY_NAMES[k] != name) {
            ++k;
        }
        if (equals == std::string_view::npos || k == KEYS) {
            return fault(crc_parameter_fault::unknown_key, item);
        }
        if (!given[k].empty()) {
            return fault(crc_parameter_fault::repeated_key, item);
        }
        given[k] = item;
        const bool read = k == WIDTH ? value == "16"
            : k == REFIN             ? read_bool(value, refin)
            : k == REFOUT            ? read_bool(value, refout)
            : k == NAME              ? !value.empty()
                                     : read_hex(value, values[k]);
        if (!read) {
            return fault(k == WIDTH ? crc_parameter_fault::invalid_width : crc_parameter_fault::invalid_value, item);
        }
    }
    for (const key required : {POLY, REFIN, REFOUT}) {
        if (given[required].empty()) {
            return fault(crc_parameter_fault::missing_key, KEY_NAMES[required]);
        }
    }
    crc_parameter_reading read{crc_parameter_fault::none,
                               {},
                               {values[POLY], values[INIT], refin, refout, values[XOROUT]},
                               0};
    if (!given[CHECK].empty()) {
        read.made = crc_make_model(nullptr, "", read.parameters).check;
        if (read.made != values[CHECK]) {
            read.fault = crc_parameter_fault::check_mismatch;
            read.item = given[CHECK];
        }
    }
    return read;
}

std::size_t crc_format_parameters(const crc_model& model, char (&into)[CRC_PARAMETER_FORM_SIZE])
{
    const crc_parameters& p = model.parameters;
    // A residue only where the orders agree: where they differ, the stored
    // order is a convention, and so is what it leaves.
    char residue[sizeof " residue=0x0000"] = "";
    if (p.refin == p.refout) {
        std::snprintf(residue, sizeof residue, " residue=0x%04X", static_cast<unsigned>(model.residue));
    }
    const int length =
        std::snprintf(into, sizeof into,
                      "width=16 poly=0x%04X init=0x%04X refin=%s refout=%s xorout=0x%04X check=0x%04X%s%s%s%s",
                      static_cast<unsigned>(p.poly), static_cast<unsigned>(p.init), p.refin ? "true" : "false",
                      p.refout ? "true" : "false", static_cast<unsigned>(p.xorout), static_cast<unsigned>(model.check),
                      residue, model.name != nullptr ? " name=\"" : "", model.name != nullptr ? model.name : "",
                      model.name != nullptr ? "\"" : "");
    return length > 0 ? std::min(static_cast<std::size_t>(length), sizeof into - 1) : 0;
}
