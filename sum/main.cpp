// crc16sum [OPTION]... [FILE]...: a line for each FILE with its CRC-16 as
// crc16 prints it and its name; with --check, reads such lists and checks
// every file they name. Diagnostics go to standard error, each naming the
// file and the cause; the exit status is 1 after any failure, else 0.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check.hpp"
#include "crc_engine.hpp"
#include "frames.hpp"
#include "help.hpp"
#include "jobs.hpp"
#include "options.hpp"
#include "output.hpp"
#include "platform.hpp"
#include "report.hpp"
#include "walk.hpp"

namespace {

// The smallest range of a file read in ranges: RANGE_MINIMUM, or the whole
// number of bytes that CRC16SUM_RANGE_MINIMUM gives, of one block at least,
// rounded down to a whole number of blocks. Any other value is ignored.
std::int64_t range_minimum()
{
    const char* given = std::getenv("CRC16SUM_RANGE_MINIMUM");
    if (given == nullptr || *given == '\0' ||
        std::string_view(given).find_first_not_of("0123456789") != std::string_view::npos) {
        return RANGE_MINIMUM;
    }
    errno = 0;
    const unsigned long long bytes = std::strtoull(given, nullptr, 10);
    constexpr auto BLOCK = static_cast<unsigned long long>(CRC_BLOCK_SIZE);
    if (errno != 0 || bytes < BLOCK || bytes > (1ULL << 50)) {
        return RANGE_MINIMUM;
    }
    return static_cast<std::int64_t>(bytes - bytes % BLOCK);
}

// What replaces the run: help, the version, the models; its status.
int print_instead(command what)
{
    switch (what) {
    case command::help: print_help(); break;
    case command::list_models: list_models(); break;
    default: std::printf("%s (crc16) %s\n", PROGRAM, CRC16_VERSION); break;
    }
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

// Hands in one operand: a list to check, a folder to walk, a file, or a
// frame in hex, "-" standard input's lines of them. False where --raw meets
// a second frame there.
bool hand_in_operand(const options& opts, output& out, job_runner& runner, const std::string& operand,
                     stream_buffer& list_buffer, tally& seen)
{
    if (opts.hex) {
        if (operand == "-") {
            return hand_in_frame_lines(opts, out, runner, seen);
        }
        hand_in(opts, out, runner, frame_operand(opts, operand), seen);
    } else if ((opts.check || opts.identify) && !opts.appended) {
        tally list = check_list(opts, out, operand, list_buffer, runner);
        seen.failed = list.failed || seen.failed;
        join_verdicts(seen.fits, std::move(list.fits));
    } else if (opts.recursive && source_of(operand) == job_source::file && names_folder(operand)) {
        walk_folder(opts, out, runner, operand, seen);
    } else {
        hand_in(opts, out, runner, input_job(opts, operand, source_of(operand)), seen);
    }
    return true;
}

int run(const std::vector<std::string>& arguments)
{
    command_line line = parse_command_line(arguments);
    if (line.what == command::usage_error) {
        return usage_error(line.error);
    }
    if (line.what != command::run) {
        return print_instead(line.what);
    }
    // A model of one's own is made once, for the whole run.
    options& opts = line.opts;
    crc_model* own = opts.own ? crc_new_model(*opts.own) : nullptr;
    if (opts.own && own == nullptr) {
        return usage_error("memory exhausted");
    }
    if (own != nullptr) {
        opts.model = own;
    }
    if (line.operands.empty()) {
        line.operands.emplace_back("-");
    }
    use_binary_output();
    static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0)); // output gathers whole lines itself
    output out;
    // Too large for the stack, and needed for the whole run.
    static read_buffers own_buffer;
    static stream_buffer list_buffer;
    job_runner runner;
    if (opts.debug) {
        diagnose(out,
                 std::string("engine: ") + crc_engine_name(crc_engine_in_use()) +
                     (crc_engine_forced() ? " (CRC16SUM_ENGINE=table)" : ""));
    }
    const std::size_t jobs = opts.jobs != 0 ? opts.jobs : processors_available();
    start_jobs(runner, jobs, range_minimum(), own_buffer);
    tally seen;
    bool one_raw = true;
    for (const std::string& operand : line.operands) {
        if (out.cause != 0 || !one_raw) {
            break;
        }
        one_raw = hand_in_operand(opts, out, runner, operand, list_buffer, seen);
    }
    drain(opts, out, runner, seen);
    stop_jobs(runner);
    crc_free_model(own);
    if (!one_raw) {
        out.pending.clear(); // the first frame's bytes, never written
        return usage_error("the --raw option takes one input, not several");
    }
    if (opts.appended && out.cause == 0) {
        seen.failed = close_appended(opts, out, seen) || seen.failed;
    }
    if (opts.identify && out.cause == 0) {
        const identify_outcome outcome = report_models(opts, out, seen.fits, jobs);
        if (outcome == identify_outcome::too_few_samples) {
            flush(out);
            return usage_error("--search needs the checksums of two inputs at least to tell models apart");
        }
        seen.failed = outcome != identify_outcome::named || seen.failed;
    }
    return finish(out, seen.failed);
}

} // namespace

#ifdef _WIN32
// The Windows shells hand wildcards over as they are: the C runtime expands
// them in the operands, as users of a Windows program expect.
extern "C" {
int _dowildcard = -1;
}
int wmain(int argc, wchar_t* argv[]) { return run(utf8_arguments(argc, argv)); }
#else
int main(int argc, char* argv[]) { return run(utf8_arguments(argc, argv)); }
#endif
