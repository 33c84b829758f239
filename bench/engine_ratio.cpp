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
// for bench/run.sh to gather across programs.
//
// With FLOOR, it is the guard of the fast path: in each bit order, the
// median ratio of the plain loop to the engine at every size must reach
// FLOOR, in one of a few tries, or it exits with 1. A build whose times say
// nothing of the lanes (unoptimised, or under a sanitizer) exits with 77,
// the tests' code for skipped, and says why.
// usage: crc16_engine_ratio [ROUNDS [FLOOR]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

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

// What is timed: crc_update, the plain loop, a model's engine, the normal
// plain loop.
enum class timed { engine, plain, model, plain_normal };

// Seconds to fold BYTES_PER_TIMING bytes, `buffer` after `buffer`, the way `how` says.
double seconds(timed how, const crc_model& model, const std::vector<unsigned char>& buffer)
{
    // The textbook table of the normal order, whose entries the model keeps swapped.
    crc_lookup normal_table{};
    for (std::size_t n = 0; n < normal_table.size(); ++n) {
        normal_table[n] = crc_swap(model.table[n]);
    }
    volatile crc_state sink = 0;
    crc_state crc = how == timed::model ? crc_start(model) : CRC_INIT;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < BYTES_PER_TIMING; done += buffer.size()) {
        switch (how) {
        case timed::engine: crc = crc_update(crc, buffer.data(), buffer.size()); break;
        case timed::plain: crc = plain_loop(crc, buffer.data(), buffer.size()); break;
        case timed::model: crc = crc_update(model, crc, buffer.data(), buffer.size()); break;
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

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const double floor = argc > 2 ? std::atof(argv[2]) : 0.0;
    if (floor > 0.0 && untimed_build() != nullptr) {
        std::printf("skipped: %s times nothing worth guarding\n", untimed_build());
        return 77;
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
    return held ? 0 : 1;
}
