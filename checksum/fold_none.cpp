// Where the program is built for a processor without a carry-less fold here
// (neither x86 nor arm64): the table serves in the folds' place, and is the
// only engine that runs.
#include "crc_engine.hpp"
#include "model.hpp"

#if !defined(__x86_64__) && !defined(__i386__) && !defined(__aarch64__)

crc_state crc_fold_128(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_table_update(model, crc, data, count);
}

crc_state crc_fold_256(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_table_update(model, crc, data, count);
}

crc_state crc_fold_512(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_table_update(model, crc, data, count);
}

bool crc_engine_runs(crc_engine engine) { return engine == crc_engine::table; }

const char* crc_engine_name(crc_engine) { return "table"; }

#endif
