// What a model is, to its callers: its parameters and names, its start,
// finish and join, and models of one's own made and freed.
#include <cstdlib>
#include <new>

#include "model.hpp"

crc_state crc_start(const crc_model& model) { return crc_start_of(model.parameters); }

crc_state crc_finish(const crc_model& model, crc_state crc)
{
    return static_cast<crc_state>(crc_turned(model.parameters, crc) ^ model.parameters.xorout);
}

crc_state crc_combine(const crc_model& model, crc_state crc_a, crc_state crc_b, std::uint64_t length_b)
{
    const crc_state* table = model.table.data();
    const crc_state carried = model.parameters.refin
        ? crc_mulmod<true>(table, crc_a, crc_shift_factor<true>(table, length_b))
        : crc_mulmod<false>(table, crc_a, crc_shift_factor<false>(table, length_b));
    return static_cast<crc_state>(carried ^ crc_b);
}

const crc_parameters& crc_parameters_of(const crc_model& model) { return model.parameters; }

const char* crc_name_of(const crc_model& model) { return model.name; }

const char* crc_aliases_of(const crc_model& model) { return model.aliases; }

crc_state crc_check_of(const crc_model& model) { return model.check; }

crc_state crc_residue_of(const crc_model& model) { return model.residue; }

bool crc_stored_low_first(const crc_model& model) { return crc_stored_low_first(model.parameters); }

crc_model* crc_new_model(const crc_parameters& parameters)
{
    void* room = std::malloc(sizeof(crc_model));
    return room == nullptr ? nullptr : new (room) crc_model(crc_make_model(nullptr, "", parameters));
}

void crc_free_model(crc_model* model) { std::free(model); }
