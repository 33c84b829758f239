// The engine alone over as many bytes as the whole-program run of
// bench/run.sh reads; and, given a file in CRC16_BENCH_FILE, the time the
// program's reads of that file take with no checksum at all. The engine
// against the plain loop is crc16_engine_ratio's.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "crc16.hpp"
#include "plain_loop.hpp"
#include "reading.hpp"

namespace {

void crc_over_buffer(benchmark::State& state)
{
    const auto bytes = bench_bytes(static_cast<std::size_t>(state.range(0)));
    crc_state crc = CRC_INIT;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        crc = crc_update(crc, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The program's stream setup and its reads of CHUNK_SIZE bytes, to the end of
// the file, with nothing computed: what the system's copy costs.
void read_only(benchmark::State& state, const char* path)
{
    static stream_buffer buffer;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        int cause = 0;
        std::FILE* stream = open_for_reading(path, buffer, cause);
        std::int64_t size = SIZE_UNKNOWN;
        if (stream == nullptr || !measure_size(stream, size, cause)) {
            state.SkipWithError("cannot open or measure CRC16_BENCH_FILE");
            break;
        }
        unsigned char buffer[CHUNK_SIZE];
        while (std::fread(buffer, 1, sizeof buffer, stream) == sizeof buffer) {
            benchmark::DoNotOptimize(buffer);
        }
        std::fclose(stream);
    }
}

} // namespace

// The engine alone over as many bytes as the whole-program run reads.
BENCHMARK(crc_over_buffer)->Name("crc_update_512MiB")->Arg(512 << 20)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (const char* path = std::getenv("CRC16_BENCH_FILE")) {
        benchmark::RegisterBenchmark("read_only_file", read_only, path)->Unit(benchmark::kMillisecond)->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
