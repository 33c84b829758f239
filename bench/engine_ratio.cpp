// The engine's speed against the plain byte-table loop, as a ratio, with no
// benchmark library, so that it builds and runs for every target (the
// Windows programs under Wine among them). Each round times, over the same
// buffer, one right after the other: crc_update (CRC-16/ARC) and the plain
// loop; the engine by CRC-16/MODBUS, reflected like ARC, and by
// CRC-16/IBM-3740, of the normal order, each with an initial value and a
// final XOR; and the plain loop of the normal order through IBM-3740's
// table. A line per buffer size gives the medians of the rounds':
//   size, plain loop / crc_update, crc_update's rate in MiB/s,
//   MODBUS / crc_update, IBM-3740 / crc_update (times: 1.10 is 10% slower),
//   normal plain loop / IBM-3740,
// for bench/run.sh to gather across programs. Then, where the processor has
// a carry-less multiply, each fold that runs against the table engine, both
// by the same model, round by round: a line per size, "fold-128 SIZE" (or
// fold-256, fold-512, by the width it folds), then the medians of table / fold for
// MODBUS and for IBM-3740, and the fold's rate for MODBUS in MiB/s.
//
// With FLOOR, it is the guard of the fast path: in each bit order, the
// median ratio of the plain loop to the engine at every size must reach
// FLOOR, in one of a few tries, or it exits with 1. With FOLD_FLOOR, and a
// FLOOR of 0, it guards the folds alone: at 1 KiB, in each order, each fold
// that runs here must reach FOLD_FLOOR times the table engine. A build whose times say
// nothing of either (unoptimised, or under a sanitizer), or a processor
// without the fold for FOLD_FLOOR, exits with 77, the tests' code for
// skipped, and says why.
// usage: crc16_engine_ratio [ROUNDS [FLOOR [FOLD_FLOOR]]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "crc_engine.hpp"
#include "crc_model.hpp"
#include "plain_loop.hpp"

namespace {

constexpr std::size_t BYTES_PER_TIMING = 64U << 20;
constexpr int GUARD_TRIES = 3;

// Why this build's times cannot guard the lanes, or null.
const char* untimed_build()
{
#if !defined(__OPTIMIZE__)
    return "an unoptimised build";
#elif defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return "a build under a sanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
    return "a build under a sanitizer";
#else
    return nullptr;
#endif
#else
    return nullptr;
#endif
}

// What is timed: crc_update, the plain loop, a model through one engine,
// the normal plain loop.
enum class timed { engine, plain, model, plain_normal };

// Seconds to take BYTES_PER_TIMING bytes, `buffer` after `buffer`, the way
// `how` says; a model through `engine`.
double seconds(timed how, const crc_model& model, const std::vector<unsigned char>& buffer,
               crc_engine engine = crc_engine::table)
{
    // The textbook table of the normal order, whose entries the engine keeps swapped.
    const crc_lookup swapped = crc_make_table(crc_parameters_of(model).poly, false);
    crc_lookup normal_table{};
    for (std::size_t n = 0; n < normal_table.size(); ++n) {
        normal_table[n] = crc_swap(swapped[n]);
    }
    volatile crc_state sink = 0;
    crc_state crc =
        how == timed::engine || how == timed::plain || how == timed::plain_normal ? CRC_INIT : crc_start(model);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < BYTES_PER_TIMING; done += buffer.size()) {
        switch (how) {
        case timed::engine: crc = crc_update(crc, buffer.data(), buffer.size()); break;
        case timed::plain: crc = plain_loop(crc, buffer.data(), buffer.size()); break;
        case timed::model: crc = crc_update_by(engine, model, crc, buffer.data(), buffer.size()); break;
        case timed::plain_normal: crc = plain_loop_normal(normal_table, crc, buffer.data(), buffer.size()); break;
        }
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    sink = crc;
    static_cast<void>(sink);
    return spent.count();
}

struct medians {
    double ratio;        // plain loop / crc_update
    double rate;         // crc_update, MiB/s
    double reflected;    // MODBUS / crc_update
    double normal;       // IBM-3740 / crc_update
    double normal_ratio; // normal plain loop / IBM-3740
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

medians measure(std::size_t size, int rounds)
{
    const crc_model& modbus = *crc_find_model("CRC-16/MODBUS");
    const crc_model& ibm = *crc_find_model("CRC-16/IBM-3740");
    const auto buffer = bench_bytes(size);
    std::vector<double> ratios, rates, reflected, normal, normal_ratios;
    for (int round = 0; round < rounds; ++round) {
        const double engine = seconds(timed::engine, modbus, buffer);
        const double plain = seconds(timed::plain, modbus, buffer);
        const double by_modbus = seconds(timed::model, modbus, buffer);
        const double by_ibm = seconds(timed::model, ibm, buffer);
        const double plain_normal = seconds(timed::plain_normal, ibm, buffer);
        ratios.push_back(plain / engine);
        rates.push_back(static_cast<double>(BYTES_PER_TIMING) / engine / (1U << 20));
        reflected.push_back(by_modbus / engine);
        normal.push_back(by_ibm / engine);
        normal_ratios.push_back(plain_normal / by_ibm);
    }
    return {median(ratios), median(rates), median(reflected), median(normal), median(normal_ratios)};
}

struct fold_medians {
    double reflected; // table / fold, MODBUS
    double normal;    // table / fold, IBM-3740
    double rate;      // the fold by MODBUS, MiB/s
};

fold_medians measure_fold(crc_engine fold, std::size_t size, int rounds)
{
    const crc_model& modbus = *crc_find_model("CRC-16/MODBUS");
    const crc_model& ibm = *crc_find_model("CRC-16/IBM-3740");
    const auto buffer = bench_bytes(size);
    std::vector<double> reflected, normal, rates;
    for (int round = 0; round < rounds; ++round) {
        const double fold_modbus = seconds(timed::model, modbus, buffer, fold);
        reflected.push_back(seconds(timed::model, modbus, buffer) / fold_modbus);
        const double fold_ibm = seconds(timed::model, ibm, buffer, fold);
        normal.push_back(seconds(timed::model, ibm, buffer) / fold_ibm);
        rates.push_back(static_cast<double>(BYTES_PER_TIMING) / fold_modbus / (1U << 20));
    }
    return {median(reflected), median(normal), median(rates)};
}

// The lines of one fold, by its width, and the size, and, with a floor,
// whether it held at 1 KiB.
bool report_fold(crc_engine engine, int rounds, double floor)
{
    const char* name = engine == crc_engine::fold_512 ? "fold-512"
        : engine == crc_engine::fold_256              ? "fold-256"
                                                      : "fold-128";
    bool held = true;
    for (std::size_t size : {std::size_t{64}, std::size_t{1024}, std::size_t{64} << 10, std::size_t{1} << 20}) {
        const bool guarded = floor > 0.0 && size == 1024;
        fold_medians got = measure_fold(engine, size, rounds);
        for (int tried = 1; guarded && std::min(got.reflected, got.normal) < floor && tried < GUARD_TRIES; ++tried) {
            got = measure_fold(engine, size, rounds);
        }
        std::printf("%s %zu %.3f %.3f %.0f\n", name, size, got.reflected, got.normal, got.rate);
        if (guarded && std::min(got.reflected, got.normal) < floor) {
            std::printf("FAIL: at %zu bytes the %s fold is %.2fx (reflected) and %.2fx (normal) the table engine, "
                        "below the floor of %.2fx\n",
                        size, name, got.reflected, got.normal, floor);
            held = false;
        }
    }
    return held;
}

// The same for each fold that runs here.
bool report_folds(int rounds, double floor)
{
    bool held = true;
    for (const crc_engine engine : {crc_engine::fold_128, crc_engine::fold_256, crc_engine::fold_512}) {
        if (crc_engine_runs(engine)) {
            held = report_fold(engine, rounds, floor) && held;
        }
    }
    return held;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const double floor = argc > 2 ? std::atof(argv[2]) : 0.0;
    const double fold_floor = argc > 3 ? std::atof(argv[3]) : 0.0;
    if ((floor > 0.0 || fold_floor > 0.0) && untimed_build() != nullptr) {
        std::printf("skipped: %s times nothing worth guarding\n", untimed_build());
        return 77;
    }
    if (fold_floor > 0.0 && floor <= 0.0) {
        if (!crc_engine_runs(crc_engine::fold_128)) {
            std::printf("skipped: this processor has no carry-less multiply for the fold\n");
            return 77;
        }
        return report_folds(rounds, fold_floor) ? 0 : 1;
    }
    bool held = true;
    for (std::size_t size : {std::size_t{1024}, std::size_t{4095}, std::size_t{4096}, std::size_t{1} << 20}) {
        medians got = measure(size, rounds);
        for (int tried = 1; std::min(got.ratio, got.normal_ratio) < floor && tried < GUARD_TRIES; ++tried) {
            got = measure(size, rounds);
        }
        std::printf("%zu %.3f %.0f %.3f %.3f %.3f\n", size, got.ratio, got.rate, got.reflected, got.normal,
                    got.normal_ratio);
        for (const double ratio : {got.ratio, got.normal_ratio}) {
            if (ratio < floor) {
                std::printf("FAIL: at %zu bytes the engine (%s order) is %.2fx the plain loop, below the floor of "
                            "%.2fx\n",
                            size, ratio == got.ratio ? "reflected" : "normal", ratio, floor);
                held = false;
            }
        }
    }
    held = report_folds(rounds, fold_floor) && held;
    return held ? 0 : 1;
}
