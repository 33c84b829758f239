// The engine's speed against the plain byte-table loop, as a ratio, with no
// benchmark library, so that it builds and runs for every target (the
// Windows programs under Wine among them). Each round times both over the
// same buffer, one right after the other, and takes the ratio of the two
// times; a line per buffer size gives the size and the median of the
// rounds' ratios and of the engine's rates in MiB/s, for bench/run.sh to
// gather across programs.
//
// With FLOOR, it is the guard of the fast path: the median ratio at every
// size must reach FLOOR, in one of a few tries, or it exits with 1. A build
// whose times say nothing of the lanes (unoptimised, or under a sanitizer)
// exits with 77, the tests' code for skipped, and says why.
// usage: crc16_engine_ratio [ROUNDS [FLOOR]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

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

// Seconds to fold BYTES_PER_TIMING bytes, `buffer` after `buffer`.
double seconds(crc_state (*update)(crc_state, const unsigned char*, std::size_t),
               const std::vector<unsigned char>& buffer)
{
    volatile crc_state sink = 0;
    crc_state crc = CRC_INIT;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < BYTES_PER_TIMING; done += buffer.size()) {
        crc = update(crc, buffer.data(), buffer.size());
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    sink = crc;
    static_cast<void>(sink);
    return spent.count();
}

struct medians {
    double ratio;
    double rate;
};

medians measure(std::size_t size, int rounds)
{
    const auto buffer = bench_bytes(size);
    std::vector<double> ratios, rates;
    for (int round = 0; round < rounds; ++round) {
        const double engine = seconds(crc_update, buffer);
        ratios.push_back(seconds(plain_loop, buffer) / engine);
        rates.push_back(static_cast<double>(BYTES_PER_TIMING) / engine / (1U << 20));
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(rates.begin(), rates.end());
    return {ratios[ratios.size() / 2], rates[rates.size() / 2]};
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
        for (int tried = 1; got.ratio < floor && tried < GUARD_TRIES; ++tried) {
            got = measure(size, rounds);
        }
        std::printf("%zu %.3f %.0f\n", size, got.ratio, got.rate);
        if (got.ratio < floor) {
            std::printf("FAIL: at %zu bytes the engine is %.2fx the plain loop, below the floor of %.2fx\n", size,
                        got.ratio, floor);
            held = false;
        }
    }
    return held ? 0 : 1;
}
