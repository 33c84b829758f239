#include "search.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <thread>

#include "crc_parameters.hpp"
#include "platform.hpp"

namespace {

// What to search: a polynomial and an input order.
struct search_task {
    crc_state poly;
    bool refin;
};

// The search shared by its threads: the tasks, claimed TASK_BATCH at a
// time, and each one's fits in its own place.
constexpr std::size_t TASK_BATCH = 64;
struct search_work {
    std::span<const crc_sample> samples;
    std::vector<search_task> tasks;
    std::vector<crc_search_fit> fits; // CRC_SEARCH_FITS a task
    std::vector<unsigned char> found; // how many of them a task found
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
};

// Searches a batch; false once none is left.
bool search_batch(search_work& work)
{
    const std::size_t first = work.next.fetch_add(TASK_BATCH, std::memory_order_relaxed);
    if (first >= work.tasks.size()) {
        return false;
    }
    const std::size_t end = std::min(first + TASK_BATCH, work.tasks.size());
    for (std::size_t t = first; t < end; ++t) {
        crc_search_fit fits[CRC_SEARCH_FITS] = {};
        const std::size_t found = crc_search_poly(work.samples, work.tasks[t].poly, work.tasks[t].refin, fits);
        std::copy(fits, fits + found, work.fits.begin() + static_cast<std::ptrdiff_t>(t * CRC_SEARCH_FITS));
        work.found[t] = static_cast<unsigned char>(found);
    }
    work.done.fetch_add(end - first, std::memory_order_relaxed);
    return true;
}

// A thread's entry: batches until none is left.
void search_thread(search_work* work)
{
    while (search_batch(*work)) {}
}

// Runs the tasks over the samples on `jobs` threads, the calling one among
// them, which shows the progress where asked to; each fit, in the tasks'
// order.
std::vector<crc_search_fit> run_tasks(std::span<const crc_sample> samples, std::vector<search_task> tasks,
                                      std::size_t jobs, output& out, bool progress)
{
    search_work work;
    work.samples = samples;
    work.tasks = std::move(tasks);
    work.fits.resize(work.tasks.size() * CRC_SEARCH_FITS);
    work.found.assign(work.tasks.size(), 0);
    std::vector<std::thread> threads;
    const std::size_t helpers = std::min(jobs, work.tasks.size() / TASK_BATCH + 1) - 1;
    for (std::size_t i = 0; i < helpers; ++i) {
        threads.emplace_back(search_thread, &work);
    }
    using clock = std::chrono::steady_clock;
    auto shown = clock::now();
    bool any_shown = false;
    while (search_batch(work)) {
        if (progress && clock::now() - shown >= std::chrono::milliseconds(250)) {
            shown = clock::now();
            any_shown = true;
            const std::size_t done = work.done.load(std::memory_order_relaxed);
            show_progress(out,
                          "searching: " + std::to_string(done * 100 / work.tasks.size()) + "% of " +
                              std::to_string(work.tasks.size()) + " polynomials and orders");
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (any_shown) {
        show_progress(out, "");
    }
    std::vector<crc_search_fit> fits;
    for (std::size_t t = 0; t < work.tasks.size(); ++t) {
        const auto from = work.fits.begin() + static_cast<std::ptrdiff_t>(t * CRC_SEARCH_FITS);
        fits.insert(fits.end(), from, from + work.found[t]);
    }
    return fits;
}

} // namespace

std::size_t searched_count(std::span<const std::size_t> lengths, std::uint64_t most)
{
    std::size_t count = 0;
    std::uint64_t total = 0;
    while (count < lengths.size() && (count < 2 || total + lengths[count] <= most)) {
        total += lengths[count++];
    }
    return count;
}

search_result search_models(std::span<const crc_sample> samples, std::size_t jobs, output& out, bool progress,
                            std::uint64_t most)
{
    std::vector<crc_sample> shortest(samples.begin(), samples.end());
    std::stable_sort(shortest.begin(), shortest.end(),
                     [](const crc_sample& a, const crc_sample& b) { return a.length < b.length; });
    std::vector<std::size_t> lengths;
    lengths.reserve(shortest.size());
    for (const crc_sample& sample : shortest) {
        lengths.push_back(sample.length);
    }
    search_result result;
    result.searched = searched_count(lengths, most);
    std::vector<search_task> every;
    every.reserve(0x10000);
    for (unsigned poly = 1; poly < 0x10000; poly += 2) {
        for (const bool refin : {false, true}) {
            every.push_back({static_cast<crc_state>(poly), refin});
        }
    }
    result.polynomials = every.size() / 2;
    const std::span<const crc_sample> searched = std::span(shortest).first(result.searched);
    for (const crc_sample& sample : searched) {
        result.bytes += sample.length;
    }
    result.engine = crc_search_engine(searched);
    result.fits = run_tasks(searched, std::move(every), jobs, out, progress);
    if (result.searched < shortest.size()) {
        std::vector<search_task> survivors;
        for (const crc_search_fit& fit : result.fits) {
            const search_task task{fit.parameters.poly, fit.parameters.refin};
            if (survivors.empty() || survivors.back().poly != task.poly || survivors.back().refin != task.refin) {
                survivors.push_back(task);
            }
        }
        result.survivors = survivors.size();
        result.fits = run_tasks(shortest, std::move(survivors), jobs, out, progress);
    }
    return result;
}

std::string fit_line(const crc_search_fit& fit, bool stored)
{
    crc_model* model = crc_new_model(fit.parameters);
    if (model == nullptr) {
        return {};
    }
    char form[CRC_PARAMETER_FORM_SIZE];
    const std::size_t length = crc_format_parameters(*model, form);
    crc_free_model(model);
    const char* order = stored ? (fit.swapped ? ": high byte first" : ": low byte first")
                               : (fit.swapped ? ": bytes swapped" : ": as written");
    return std::string(form, length) + order;
}

identify_outcome report_search(const options& opts, output& out, const identify_verdict& verdict, std::size_t jobs)
{
    if (!verdict.unkept.empty()) {
        diagnose(out,
                 verdict.unkept + ": too large to search: --search keeps every input in memory, " +
                     std::to_string(KEEP_LIMIT >> 20) + " MiB in all");
        return identify_outcome::unnamed;
    }
    if (verdict.samples.size() < 2) {
        return identify_outcome::too_few_samples;
    }
    std::vector<crc_sample> samples;
    samples.reserve(verdict.samples.size());
    for (const identify_sample& sample : verdict.samples) {
        samples.push_back({sample.bytes.data(), sample.bytes.size(), sample.checksum});
    }
    const search_result result = search_models(samples, jobs, out, is_terminal(stderr));
    if (opts.debug) {
        std::string said = "search: " + std::to_string(result.polynomials) +
            " polynomials tried in both input orders, over " + counted(result.searched, "sample", "samples") + " of " +
            std::to_string(result.bytes) + " bytes in all, engine: " + crc_engine_name(result.engine);
        if (result.searched < samples.size()) {
            said += "; " + std::to_string(result.survivors) + " that fit held to " +
                counted(samples.size() - result.searched, "more sample", "more samples");
        }
        diagnose(out, said);
    }
    if (result.fits.empty()) {
        diagnose(out, "no CRC-16 gives these checksums");
        return identify_outcome::unnamed;
    }
    const std::size_t named = std::min(result.fits.size(), SEARCH_NAMED);
    for (std::size_t i = 0; i < named; ++i) {
        const crc_search_fit& fit = result.fits[i];
        const std::string line = fit_line(fit, opts.appended);
        if (line.empty()) {
            diagnose(out, "memory exhausted");
            return identify_outcome::unnamed;
        }
        if (!opts.status) {
            put_line(out, line + std::string(LINE_END));
        }
        if (fit.models > 1) {
            char poly[8];
            std::snprintf(poly, sizeof poly, "0x%04X", static_cast<unsigned>(fit.parameters.poly));
            diagnose(out,
                     std::string("poly=") + poly + " refin=" + (fit.parameters.refin ? "true" : "false") +
                         " refout=" + (fit.parameters.refout ? "true" : "false") + ": " + std::to_string(fit.models) +
                         " pairs of init and xorout give these checksums, the smallest init named; samples of other "
                         "lengths would tell them apart");
        }
    }
    if (result.fits.size() > SEARCH_NAMED) {
        diagnose(out,
                 std::to_string(result.fits.size()) + " models give these checksums, the first " +
                     std::to_string(SEARCH_NAMED) + " named; more samples are needed to tell them apart");
        return identify_outcome::unnamed;
    }
    return identify_outcome::named;
}
