#include "parameters.hpp"

#include <algorithm>
#include <array>
#include <cstdio>

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

} // namespace

bool read_parameters(std::string_view text, crc_model& model, std::string& error)
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
            error = "unknown model parameter '" + std::string(item) + "'";
            return false;
        }
        if (!given[k].empty()) {
            error = "repeated model parameter '" + std::string(item) + "'";
            return false;
        }
        given[k] = item;
        const bool read = k == WIDTH ? value == "16"
            : k == REFIN             ? read_bool(value, refin)
            : k == REFOUT            ? read_bool(value, refout)
            : k == NAME              ? !value.empty()
                                     : read_hex(value, values[k]);
        if (!read) {
            error = "invalid model parameter '" + std::string(item) + "'" +
                (k == WIDTH ? ": every model here is 16 bits wide" : "");
            return false;
        }
    }
    for (const key required : {POLY, REFIN, REFOUT}) {
        if (given[required].empty()) {
            error = "missing model parameter '" + std::string(KEY_NAMES[required]) + "'";
            return false;
        }
    }
    model = crc_make_model(nullptr, values[POLY], values[INIT], refin, refout, values[XOROUT]);
    if (!given[CHECK].empty() && crc_check_value(model) != values[CHECK]) {
        char made[8];
        std::snprintf(made, sizeof made, "0x%04X", static_cast<unsigned>(crc_check_value(model)));
        error = "the model's parameters make check=" + std::string(made) + ", not '" + std::string(given[CHECK]) + "'";
        return false;
    }
    return true;
}

std::string format_parameters(const crc_catalogue_entry& entry)
{
    const crc_model& model = entry.model;
    // The numbers take the same room whatever their values; the name, as
    // long as it is, goes on after them.
    char numbers[128];
    std::snprintf(numbers, sizeof numbers,
                  "width=16 poly=0x%04X init=0x%04X refin=%s refout=%s xorout=0x%04X check=0x%04X residue=0x%04X",
                  static_cast<unsigned>(model.poly), static_cast<unsigned>(model.init), model.refin ? "true" : "false",
                  model.refout ? "true" : "false", static_cast<unsigned>(model.xorout),
                  static_cast<unsigned>(entry.check), static_cast<unsigned>(entry.residue));
    return std::string(numbers) + " name=\"" + model.name + "\"";
}
