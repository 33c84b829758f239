// The engine chosen once, and every model's bytes taken through it.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "crc_engine.hpp"
#include "model.hpp"

namespace {

// The choice, made by whichever thread asks first; threads that ask at the
// same time make the same one. NONE until then; FORCED added where the
// environment made it.
constexpr int NONE = -1, FORCED = 16;
std::atomic<int> chosen{NONE};

bool forced_by_environment()
{
    const char* asked = std::getenv("CRC16SUM_ENGINE");
    return asked != nullptr && std::strcmp(asked, "table") == 0;
}

int choose()
{
    if (forced_by_environment()) {
        return static_cast<int>(crc_engine::table) + FORCED;
    }
    for (const crc_engine engine : {crc_engine::fold_512, crc_engine::fold_256, crc_engine::fold_128}) {
        if (crc_engine_runs(engine)) {
            return static_cast<int>(engine);
        }
    }
    return static_cast<int>(crc_engine::table);
}

int choice()
{
    int made = chosen.load(std::memory_order_relaxed);
    if (made == NONE) {
        made = choose();
        chosen.store(made, std::memory_order_relaxed);
    }
    return made;
}

} // namespace

crc_engine crc_engine_in_use() { return static_cast<crc_engine>(choice() % FORCED); }

bool crc_engine_forced() { return choice() >= FORCED; }

bool crc_model_folds(const crc_model& model) { return model.fold.hold; }

crc_state crc_update_by(crc_engine engine, const crc_model& model, crc_state crc, const unsigned char* data,
                        std::size_t count)
{
    if (!model.fold.hold) {
        return crc_table_update(model, crc, data, count);
    }
    switch (engine) {
    case crc_engine::fold_512: return crc_fold_512(model, crc, data, count);
    case crc_engine::fold_256: return crc_fold_256(model, crc, data, count);
    case crc_engine::fold_128: return crc_fold_128(model, crc, data, count);
    case crc_engine::table: break;
    }
    return crc_table_update(model, crc, data, count);
}

crc_state crc_update(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_update_by(crc_engine_in_use(), model, crc, data, count);
}
