// The C interface: each call checks its arguments, turns the C types into
// the engine's, and calls the engine (checksum/), which does the work. A
// crc16_model is the engine's crc_model under the name C callers know it by.
#include <cstring>
#include <string_view>

#include "crc16.h"
#include "crc_engine.hpp"
#include "crc_parameters.hpp"

namespace {

const crc_model* engine_model(const crc16_model* model)
{
    return reinterpret_cast<const crc_model*>(model); // NOLINT: the same object, by its C name
}

const crc16_model* c_model(const crc_model* model)
{
    return reinterpret_cast<const crc16_model*>(model); // NOLINT: the same object, by its C name
}

// The statuses in words, by code.
constexpr const char* STATUS_TEXTS[] = {
    "success",       "null argument", "no memory",
    "invalid value", "unknown key",   "repeated key",
    "invalid width", "missing key",   "check value does not match",
};

int status_of(crc_parameter_fault fault)
{
    switch (fault) {
    case crc_parameter_fault::none: return CRC16_OK;
    case crc_parameter_fault::unknown_key: return CRC16_UNKNOWN_KEY;
    case crc_parameter_fault::repeated_key: return CRC16_REPEATED_KEY;
    case crc_parameter_fault::invalid_value: return CRC16_INVALID_VALUE;
    case crc_parameter_fault::invalid_width: return CRC16_INVALID_WIDTH;
    case crc_parameter_fault::missing_key: return CRC16_MISSING_KEY;
    case crc_parameter_fault::check_mismatch: return CRC16_CHECK_MISMATCH;
    }
    return CRC16_INVALID_VALUE;
}

int made_from(const crc_parameters& parameters, crc16_model** made)
{
    crc_model* model = crc_new_model(parameters);
    if (model == nullptr) {
        return CRC16_NO_MEMORY;
    }
    *made = reinterpret_cast<crc16_model*>(model); // NOLINT: the same object, by its C name
    return CRC16_OK;
}

// A finished checksum's state before crc_finish: the finish is the final
// XOR, crc_finish(CRC_ZERO), after a reordering of the bits that undoes
// itself, so the same steps taken again undo the whole.
crc_state unfinished(const crc_model& model, crc_state checksum)
{
    const crc_state xorout = crc_finish(model, CRC_ZERO);
    return static_cast<crc_state>(crc_finish(model, static_cast<crc_state>(checksum ^ xorout)) ^ xorout);
}

// The state after `length` bytes at `data`; the state as it is where there
// are none, whatever `data` is.
crc_state taken(const crc_model& model, crc_state crc, const void* data, size_t length)
{
    return length == 0 ? crc : crc_update(model, crc, static_cast<const unsigned char*>(data), length);
}

} // namespace

extern "C" {

const char* crc16_version(void) { return CRC16_LIBRARY_VERSION; }

const char* crc16_engine(void) { return crc_engine_name(crc_engine_in_use()); }

const char* crc16_status_text(int status)
{
    constexpr int COUNT = sizeof STATUS_TEXTS / sizeof STATUS_TEXTS[0];
    return status >= 0 && status < COUNT ? STATUS_TEXTS[status] : "unknown status";
}

const crc16_model* crc16_find(const char* name) { return name == nullptr ? nullptr : c_model(crc_find_model(name)); }

size_t crc16_catalogue_size(void) { return crc_catalogue_size(); }

const crc16_model* crc16_catalogue_model(size_t index)
{
    return index < crc_catalogue_size() ? c_model(&crc_catalogue_model(index)) : nullptr;
}

int crc16_new(uint16_t poly, uint16_t init, int refin, int refout, uint16_t xorout, crc16_model** made)
{
    if (made == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    if ((refin != 0 && refin != 1) || (refout != 0 && refout != 1)) {
        return CRC16_INVALID_VALUE;
    }
    return made_from({poly, init, refin == 1, refout == 1, xorout}, made);
}

int crc16_new_from_text(const char* text, crc16_model** made)
{
    if (text == nullptr || made == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    const crc_parameter_reading reading = crc_read_parameters(text);
    if (reading.fault != crc_parameter_fault::none) {
        return status_of(reading.fault);
    }
    return made_from(reading.parameters, made);
}

void crc16_free(crc16_model* model)
{
    // A catalogued model has a name; one of one's own has none.
    crc_model* own = reinterpret_cast<crc_model*>(model); // NOLINT: the same object, by its C name
    if (own != nullptr && crc_name_of(*own) == nullptr) {
        crc_free_model(own);
    }
}

const char* crc16_name(const crc16_model* model)
{
    return model == nullptr ? nullptr : crc_name_of(*engine_model(model));
}

const char* crc16_aliases(const crc16_model* model)
{
    return model == nullptr ? nullptr : crc_aliases_of(*engine_model(model));
}

int crc16_parameters(const crc16_model* model, uint16_t* poly, uint16_t* init, int* refin, int* refout,
                     uint16_t* xorout)
{
    if (model == nullptr || poly == nullptr || init == nullptr || refin == nullptr || refout == nullptr ||
        xorout == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    const crc_parameters& p = crc_parameters_of(*engine_model(model));
    *poly = p.poly;
    *init = p.init;
    *refin = p.refin ? 1 : 0;
    *refout = p.refout ? 1 : 0;
    *xorout = p.xorout;
    return CRC16_OK;
}

int crc16_stored_low_first(const crc16_model* model)
{
    if (model == nullptr) {
        return -1;
    }
    return crc_stored_low_first(*engine_model(model)) ? 1 : 0;
}

int crc16_start(const crc16_model* model, uint16_t* state)
{
    if (model == nullptr || state == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    *state = crc_start(*engine_model(model));
    return CRC16_OK;
}

int crc16_update(const crc16_model* model, uint16_t* state, const void* data, size_t length)
{
    if (model == nullptr || state == nullptr || (data == nullptr && length != 0)) {
        return CRC16_NULL_ARGUMENT;
    }
    *state = taken(*engine_model(model), *state, data, length);
    return CRC16_OK;
}

int crc16_finish(const crc16_model* model, uint16_t state, uint16_t* checksum)
{
    if (model == nullptr || checksum == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    *checksum = crc_finish(*engine_model(model), state);
    return CRC16_OK;
}

int crc16_checksum(const crc16_model* model, const void* data, size_t length, uint16_t* checksum)
{
    if (model == nullptr || checksum == nullptr || (data == nullptr && length != 0)) {
        return CRC16_NULL_ARGUMENT;
    }
    const crc_model& m = *engine_model(model);
    *checksum = crc_finish(m, taken(m, crc_start(m), data, length));
    return CRC16_OK;
}

int crc16_combine(const crc16_model* model, uint16_t checksum_a, uint16_t checksum_b, uint64_t length_b,
                  uint16_t* checksum)
{
    if (model == nullptr || checksum == nullptr) {
        return CRC16_NULL_ARGUMENT;
    }
    // B's checksum is taken from the model's start, crc_combine's B from
    // CRC_ZERO: by the checksum's linearity, the start carried over B's
    // length makes up the difference, and joins A's state to it.
    const crc_model& m = *engine_model(model);
    const auto carried = static_cast<crc_state>(unfinished(m, checksum_a) ^ crc_start(m));
    *checksum = crc_finish(m, crc_combine(m, carried, unfinished(m, checksum_b), length_b));
    return CRC16_OK;
}
}
