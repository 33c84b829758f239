// The catalogue of CRC-16 models: the parameters, check values and aliases
// that the public catalogue of CRC models publishes for width 16. Each row's
// table is made when the program is built, and its check value is held to
// the one the row gives: a mistyped parameter fails the build, and the
// compiler names the row.
#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "model.hpp"

namespace {

// A row as the catalogue gives it: the model, and the check value it publishes.
struct row_of_catalogue {
    crc_model model;
    crc_state check;
};

constexpr row_of_catalogue row(const char* name, crc_state poly, crc_state init, bool refin, bool refout,
                               crc_state xorout, crc_state check, const char* aliases)
{
    return {crc_make_model(name, aliases, {poly, init, refin, refout, xorout}), check};
}

// name, poly, init, refin, refout, xorout, check, aliases; a row a line, as
// the man page's list of models reads them (sum/CMakeLists.txt)
// clang-format off
constexpr std::array CATALOGUE = {
    row("CRC-16/ARC", 0x8005, 0x0000, true, true, 0x0000, 0xBB3D, "ARC,CRC-16,CRC-16/LHA,CRC-IBM"),
    row("CRC-16/CDMA2000", 0xC867, 0xFFFF, false, false, 0x0000, 0x4C06, ""),
    row("CRC-16/CMS", 0x8005, 0xFFFF, false, false, 0x0000, 0xAEE7, ""),
    row("CRC-16/DDS-110", 0x8005, 0x800D, false, false, 0x0000, 0x9ECF, ""),
    row("CRC-16/DECT-R", 0x0589, 0x0000, false, false, 0x0001, 0x007E, "R-CRC-16"),
    row("CRC-16/DECT-X", 0x0589, 0x0000, false, false, 0x0000, 0x007F, "X-CRC-16"),
    row("CRC-16/DNP", 0x3D65, 0x0000, true, true, 0xFFFF, 0xEA82, ""),
    row("CRC-16/EN-13757", 0x3D65, 0x0000, false, false, 0xFFFF, 0xC2B7, ""),
    row("CRC-16/GENIBUS", 0x1021, 0xFFFF, false, false, 0xFFFF, 0xD64E, "CRC-16/DARC,CRC-16/EPC,CRC-16/EPC-C1G2,CRC-16/I-CODE"),
    row("CRC-16/GSM", 0x1021, 0x0000, false, false, 0xFFFF, 0xCE3C, ""),
    row("CRC-16/IBM-3740", 0x1021, 0xFFFF, false, false, 0x0000, 0x29B1, "CRC-16/AUTOSAR,CRC-16/CCITT-FALSE"),
    row("CRC-16/IBM-SDLC", 0x1021, 0xFFFF, true, true, 0xFFFF, 0x906E, "CRC-16/ISO-HDLC,CRC-16/ISO-IEC-14443-3-B,CRC-16/X-25,CRC-B,X-25"),
    row("CRC-16/ISO-IEC-14443-3-A", 0x1021, 0xC6C6, true, true, 0x0000, 0xBF05, "CRC-A"),
    row("CRC-16/KERMIT", 0x1021, 0x0000, true, true, 0x0000, 0x2189, "CRC-16/BLUETOOTH,CRC-16/CCITT,CRC-16/CCITT-TRUE,CRC-16/V-41-LSB,CRC-CCITT,KERMIT"),
    row("CRC-16/LJ1200", 0x6F63, 0x0000, false, false, 0x0000, 0xBDF4, ""),
    row("CRC-16/M17", 0x5935, 0xFFFF, false, false, 0x0000, 0x772B, ""),
    row("CRC-16/MAXIM-DOW", 0x8005, 0x0000, true, true, 0xFFFF, 0x44C2, "CRC-16/MAXIM"),
    row("CRC-16/MCRF4XX", 0x1021, 0xFFFF, true, true, 0x0000, 0x6F91, ""),
    row("CRC-16/MODBUS", 0x8005, 0xFFFF, true, true, 0x0000, 0x4B37, "MODBUS"),
    row("CRC-16/NRSC-5", 0x080B, 0xFFFF, true, true, 0x0000, 0xA066, ""),
    row("CRC-16/OPENSAFETY-A", 0x5935, 0x0000, false, false, 0x0000, 0x5D38, ""),
    row("CRC-16/OPENSAFETY-B", 0x755B, 0x0000, false, false, 0x0000, 0x20FE, ""),
    row("CRC-16/PROFIBUS", 0x1DCF, 0xFFFF, false, false, 0xFFFF, 0xA819, "CRC-16/IEC-61158-2"),
    row("CRC-16/RIELLO", 0x1021, 0xB2AA, true, true, 0x0000, 0x63D0, ""),
    row("CRC-16/SPI-FUJITSU", 0x1021, 0x1D0F, false, false, 0x0000, 0xE5CC, "CRC-16/AUG-CCITT"),
    row("CRC-16/T10-DIF", 0x8BB7, 0x0000, false, false, 0x0000, 0xD0DB, ""),
    row("CRC-16/TELEDISK", 0xA097, 0x0000, false, false, 0x0000, 0x0FB3, ""),
    row("CRC-16/TMS37157", 0x1021, 0x89EC, true, true, 0x0000, 0x26B1, ""),
    row("CRC-16/UMTS", 0x8005, 0x0000, false, false, 0x0000, 0xFEE8, "CRC-16/BUYPASS,CRC-16/VERIFONE"),
    row("CRC-16/USB", 0x8005, 0xFFFF, true, true, 0xFFFF, 0xB4C8, ""),
    row("CRC-16/XMODEM", 0x1021, 0x0000, false, false, 0x0000, 0x31C3, "CRC-16/ACORN,CRC-16/LTE,CRC-16/V-41-MSB,XMODEM,ZMODEM"),
};
// clang-format on

// Each row's check value, as its parameters make it, is the one it gives.
template <std::size_t ROW> constexpr bool check_holds()
{
    static_assert(CATALOGUE[ROW].model.check == CATALOGUE[ROW].check, "a row's parameters miss its check");
    static_assert(CATALOGUE[ROW].model.fold.hold, "a row's fold constants disagree with crc_shift_factor");
    return true;
}

template <std::size_t... ROWS> constexpr bool every_check_holds(std::index_sequence<ROWS...>)
{
    return (check_holds<ROWS>() && ...);
}

static_assert(every_check_holds(std::make_index_sequence<CATALOGUE.size()>()));
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
