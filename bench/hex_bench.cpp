// The reader of frames written in hex over 128 MiB of text, read in pieces
// as crc16sum's reads hand back a line: spaced ("01 03 00 0A ...") and
// packed ("0103000A..."), the bytes from bench_bytes, in upper case.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "hex.hpp"
#include "plain_loop.hpp"

namespace {

constexpr std::size_t TEXT_SIZE = std::size_t{128} << 20;

std::string hex_text(bool spaced)
{
    constexpr std::string_view DIGITS = "0123456789ABCDEF";
    const std::size_t width = spaced ? 3 : 2;
    const auto frame = bench_bytes(TEXT_SIZE / width);
    std::string text;
    text.reserve(TEXT_SIZE);
    for (const unsigned char byte : frame) {
        text += DIGITS[byte >> 4U];
        text += DIGITS[byte & 15U];
        if (spaced) {
            text += ' ';
        }
    }
    return text;
}

void decode_text(benchmark::State& state, bool spaced)
{
    const std::string text = hex_text(spaced);
    const auto piece_size = static_cast<std::size_t>(state.range(0));
    std::vector<unsigned char> into(hex_bytes_at_most(piece_size));
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        hex_reader reader{};
        hex_fault fault{};
        std::size_t written = 0;
        for (std::size_t at = 0; at < text.size() && fault.problem == hex_problem::none; at += piece_size) {
            written += hex_decode(reader, std::string_view(text).substr(at, piece_size), into.data(), fault);
            benchmark::DoNotOptimize(into.data());
        }
        if (fault.problem != hex_problem::none || hex_finish(reader).problem != hex_problem::none) {
            state.SkipWithError("the text did not read as a frame");
            break;
        }
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

} // namespace

// Pieces of 4 KiB, the size of the reads, and of 1 MiB.
BENCHMARK_CAPTURE(decode_text, spaced, true)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(decode_text, packed, false)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
