// Which engine takes a model's bytes: the table, or the carry-less fold of
// 128, 256 or 512 bits at a time, where the processor has a carry-less
// multiply. The engine chooses once, the first time it is asked: the widest
// fold that runs here, or the table where CRC16SUM_ENGINE=table is in the
// environment. What is here beyond that choice is for the tests and the
// benchmarks, which hold each engine to the others.
#pragma once

#include "crc_model.hpp"

enum class crc_engine { table, fold_128, fold_256, fold_512 };

// Every engine, narrowest first.
inline constexpr crc_engine CRC_ENGINES[] = {crc_engine::table, crc_engine::fold_128, crc_engine::fold_256,
                                             crc_engine::fold_512};

// The engine in use, chosen once.
crc_engine crc_engine_in_use();

// Whether the environment chose the table (CRC16SUM_ENGINE=table).
bool crc_engine_forced();

// Whether this processor, and its system, run the engine.
bool crc_engine_runs(crc_engine engine);

// The words for an engine, as crc16sum --debug says them.
const char* crc_engine_name(crc_engine engine);

// crc_update by the model, through `engine`, which must run here. The
// table serves a model whose fold constants did not check out.
crc_state crc_update_by(crc_engine engine, const crc_model& model, crc_state crc, const unsigned char* data,
                        std::size_t count);

// Whether the folds serve the model: its fold constants checked out when
// it was made, as every catalogued model's do.
bool crc_model_folds(const crc_model& model);
