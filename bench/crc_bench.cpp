// The engine alone over as many bytes as the whole-program run of
// bench/run.sh reads; and, given a file in CRC16_BENCH_FILE, the time the
// program's reads of that file take with no checksum at all, and two ways
// for crc16sum to read and fold it: the reads it makes, straight from the
// system into its own buffer, and the file mapped whole into memory (which
// crc16sum does not do; this measures whether it would pay). The engine
// against the plain loop is crc16_engine_ratio's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <barrier>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "crc16.h"
#include "crc16.hpp"
#include "file_sums.hpp"
#include "plain_loop.hpp"

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

// crc16sum's read of a whole regular file, by CRC-16/MODBUS through the
// fastest engine here: opened, measured, read straight from the system;
// with `advise`, the system told first that the file will be read from start
// to end (posix_fadvise), which matters where it is not in the page cache.
void direct_reads(benchmark::State& state, const char* path, bool advise)
{
    const auto buffers = std::make_unique<read_buffers>();
    const crc_model& model = *crc_find_model("CRC-16/MODBUS");
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        file_identity identity;
        file_checksum failed{};
        std::FILE* stream = open_measured(path, buffers->stream, identity, failed);
        if (stream == nullptr || (advise && posix_fadvise(fileno(stream), 0, 0, POSIX_FADV_SEQUENTIAL) != 0)) {
            state.SkipWithError("cannot open CRC16_BENCH_FILE");
            break;
        }
        const file_checksum got = finish_reading(stream, identity.size, model, buffers->direct);
        benchmark::DoNotOptimize(got);
    }
}

// The same file mapped whole, its pages filled by the system at once, and
// folded in place.
void mapped(benchmark::State& state, const char* path)
{
    const crc_model& model = *crc_find_model("CRC-16/MODBUS");
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        const int file = open(path, O_RDONLY);
        struct stat info {};
        if (file < 0 || fstat(file, &info) != 0) {
            state.SkipWithError("cannot open CRC16_BENCH_FILE");
            break;
        }
        const auto size = static_cast<std::size_t>(info.st_size);
        void* at = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file, 0);
        if (at == MAP_FAILED) {
            state.SkipWithError("cannot map CRC16_BENCH_FILE");
            break;
        }
        const crc_state crc = crc_update(model, crc_start(model), static_cast<const unsigned char*>(at), size);
        benchmark::DoNotOptimize(crc);
        munmap(at, size);
        close(file);
    }
}

// The library's one-call form (the shared library, as a program that links
// it calls it) and the engine's own calls under it, by CRC-16/MODBUS,
// looked up once: over 1 MiB, where the fold runs, the two should take the
// same time; over 16 bytes, the time is the call's own.
void library_checksum(benchmark::State& state)
{
    const auto bytes = bench_bytes(static_cast<std::size_t>(state.range(0)));
    const crc16_model* model = crc16_find("CRC-16/MODBUS");
    std::uint16_t checksum = 0;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        if (crc16_checksum(model, bytes.data(), bytes.size(), &checksum) != CRC16_OK) {
            state.SkipWithError("crc16_checksum failed");
            break;
        }
        benchmark::DoNotOptimize(checksum);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetLabel(crc16_engine());
}

void engine_checksum(benchmark::State& state)
{
    const auto bytes = bench_bytes(static_cast<std::size_t>(state.range(0)));
    const crc_model& model = *crc_find_model("CRC-16/MODBUS");
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        const crc_state checksum = crc_finish(model, crc_update(model, crc_start(model), bytes.data(), bytes.size()));
        benchmark::DoNotOptimize(checksum);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// One of two threads' part of library_checksum_2_threads: when its first
// fold began and its last ended, as the thread itself saw them.
struct fold_span {
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point end;
    bool failed = false;
};

void fold_64_times(const crc16_model* model, const std::vector<unsigned char>& bytes, std::barrier<>& ready,
                   fold_span& span)
{
    ready.arrive_and_wait();
    span.start = std::chrono::steady_clock::now();
    std::uint16_t checksum = 0;
    for (int fold = 0; fold < 64; ++fold) {
        span.failed = span.failed || crc16_checksum(model, bytes.data(), bytes.size(), &checksum) != CRC16_OK;
        benchmark::DoNotOptimize(checksum);
    }
    span.end = std::chrono::steady_clock::now();
}

// Between two runs of the two threads, so that each begins with the cores
// idle, whatever ran before it.
constexpr std::chrono::milliseconds RUN_PAUSE{20};

// Two threads, each folding a buffer of its own 64 times, let go together: a
// run takes from the first fold's start to the last one's end, which counts
// a thread the system is slow to run, and not the making of the threads.
// bench/run.sh python times the Python package's two threads the same way.
void library_checksum_2_threads(benchmark::State& state)
{
    const crc16_model* model = crc16_find("CRC-16/MODBUS");
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::array buffers{bench_bytes(size), bench_bytes(size)};
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's loop
        std::this_thread::sleep_for(RUN_PAUSE);
        std::barrier ready(2);
        std::array<fold_span, 2> spans{};
        std::thread first(fold_64_times, model, std::cref(buffers[0]), std::ref(ready), std::ref(spans[0]));
        std::thread second(fold_64_times, model, std::cref(buffers[1]), std::ref(ready), std::ref(spans[1]));
        first.join();
        second.join();
        if (spans[0].failed || spans[1].failed) {
            state.SkipWithError("crc16_checksum failed");
            break;
        }
        const auto took = std::max(spans[0].end, spans[1].end) - std::min(spans[0].start, spans[1].start);
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
}

} // namespace

// The engine alone over as many bytes as the whole-program run reads.
BENCHMARK(crc_over_buffer)->Name("crc_update_512MiB")->Arg(512 << 20)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(library_checksum)->Arg(16)->Arg(1 << 20);
// One run of the two threads each time (bench/run.sh python repeats it).
BENCHMARK(library_checksum_2_threads)->Arg(1 << 20)->Iterations(1)->UseManualTime();
BENCHMARK(engine_checksum)->Arg(16)->Arg(1 << 20);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (const char* path = std::getenv("CRC16_BENCH_FILE")) {
        benchmark::RegisterBenchmark("read_only_file", read_only, path)->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark("direct_reads", direct_reads, path, false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark("mapped", mapped, path)->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark("direct_reads_advised", direct_reads, path, true)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
