// The catalogue of CRC-16 models: the parameters, check values, residues and
// aliases that the public catalogue of CRC models publishes for width 16,
// written down in catalogue.tsv, whose rows the build makes into
// catalogue_rows.inc and catalogue_checks.inc (checksum/CMakeLists.txt). Each
// row's table is made when the program is built, and its check value and
// residue are held to the ones the row gives: a mistyped parameter fails the
// build, and the compiler names the row and its line.
#include <algorithm>
#include <array>
#include <cctype>

#include "model.hpp"

namespace {

// A row as the catalogue gives it: the model, and the check value and
// residue it publishes.
struct row_of_catalogue {
    crc_model model;
    crc_state check;
    crc_state residue;
};

constexpr row_of_catalogue row(const char* name, crc_state poly, crc_state init, bool refin, bool refout,
                               crc_state xorout, crc_state check, crc_state residue, const char* aliases)
{
    return {crc_make_model(name, aliases, {poly, init, refin, refout, xorout}), check, residue};
}

// name, poly, init, refin, refout, xorout, check, residue, aliases
constexpr std::array CATALOGUE = {
#include "catalogue_rows.inc"
};

// Each row's check value and residue, as its parameters make them, are the
// ones it gives, and its fold constants agree with crc_shift_factor: three
// static_asserts a row, each with the row's name and line in its message.
#include "catalogue_checks.inc"
static_assert(CATALOGUE[0].model.table == crc_table, "CRC-16/ARC comes first, with crc16's own table");

// Whether two names are the same, letters in either case.
bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::size_t crc_catalogue_size() { return CATALOGUE.size(); }

const crc_model& crc_catalogue_model(std::size_t index) { return CATALOGUE[index].model; }

const crc_model& crc_arc() { return CATALOGUE[0].model; }

const crc_model* crc_find_model(std::string_view name)
{
    for (const row_of_catalogue& entry : CATALOGUE) {
        if (same_name(name, entry.model.name)) {
            return &entry.model;
        }
        for (std::string_view aliases = entry.model.aliases; !aliases.empty();) {
            const std::size_t comma = std::min(aliases.find(','), aliases.size());
            if (same_name(name, aliases.substr(0, comma))) {
                return &entry.model;
            }
            aliases.remove_prefix(std::min(comma + 1, aliases.size()));
        }
    }
    return nullptr;
}

const crc_model* crc_catalogued_model(const crc_parameters& parameters)
{
    for (const row_of_catalogue& entry : CATALOGUE) {
        if (entry.model.parameters == parameters) {
            return &entry.model;
        }
    }
    return nullptr;
}
