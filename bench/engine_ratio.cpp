// The engine's speed against the plain byte-table loop, as a ratio, with no
// benchmark library, so that it builds and runs for every target (the
// Windows programs under Wine among them). Each round times both over the
// same buffer, one right after the other, and takes the ratio of the two
// times; a line per buffer size gives the size and the median of the
// rounds' ratios and of the engine's rates in MiB/s, for bench/run.sh to
// gather across programs.
// usage: crc16_engine_ratio [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "plain_loop.hpp"

namespace {

constexpr std::size_t BYTES_PER_TIMING = 64U << 20;

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

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    for (std::size_t size : {std::size_t{4096}, std::size_t{1} << 20}) {
        const auto buffer = bench_bytes(size);
        std::vector<double> ratios, rates;
        for (int round = 0; round < rounds; ++round) {
            const double engine = seconds(crc_update, buffer);
            ratios.push_back(seconds(plain_loop, buffer) / engine);
            rates.push_back(static_cast<double>(BYTES_PER_TIMING) / engine / (1U << 20));
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(rates.begin(), rates.end());
        std::printf("%zu %.3f %.0f\n", size, ratios[ratios.size() / 2], rates[rates.size() / 2]);
    }
    return 0;
}
