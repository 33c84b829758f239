#include "jobs.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>

std::size_t range_count(std::int64_t size, std::size_t jobs, std::int64_t minimum)
{
    if (jobs < 2 || size < 2 * minimum) {
        return 1;
    }
    const auto most = static_cast<std::uint64_t>(size / minimum);
    return most < jobs ? static_cast<std::size_t>(most) : jobs;
}

std::int64_t range_length(std::int64_t size, std::size_t count)
{
    const std::int64_t share = size / static_cast<std::int64_t>(count);
    return share - share % static_cast<std::int64_t>(CRC_BLOCK_SIZE);
}

namespace {

// The bytes of range `index` of a file read in `count` ranges: one share,
// or, for the last, what is left to the end.
std::int64_t range_bytes(std::int64_t size, std::size_t count, std::size_t index)
{
    const std::int64_t length = range_length(size, count);
    return index + 1 == count ? size - length * static_cast<std::int64_t>(index) : length;
}

void work_on_jobs(job_runner& runner);

// Starts workers while fewer than `wanted` run, up to one for each job but
// the calling thread. Called with the lock held.
void start_workers(job_runner& runner, std::size_t wanted)
{
    while (!runner.stopping && runner.workers.size() + 1 < runner.jobs && runner.workers.size() < wanted) {
        runner.workers.emplace_back(work_on_jobs, std::ref(runner));
    }
}

// Marks the job in `slot` finished, waking the caller where it waits for it.
void finish_slot(job_runner& runner, std::size_t slot)
{
    runner.done[slot] = 1;
    if (slot == runner.taken % runner.window.size()) {
        runner.head_done.notify_one();
    }
}

// The bytes a job's file holds for its checksum: all but the two stored
// after them, where it holds back a checksum.
std::int64_t data_size(const job& work) { return work.identity.size - (work.hold_back ? 2 : 0); }

// The file's checksum from its ranges' in order: the first failure, if any
// range failed, else each range's state joined to those before it, the
// first to the state the model starts from, and finished.
file_checksum join_ranges(const job& work)
{
    const crc_model& model = *work.model;
    const std::size_t count = work.ranges.size();
    crc_state joined = crc_start(model);
    for (std::size_t i = 0; i < count; ++i) {
        const file_checksum& part = work.ranges[i];
        if (part.stage != file_stage::checksummed) {
            return part;
        }
        const std::int64_t bytes = range_bytes(data_size(work), count, i);
        joined = crc_combine(model, joined, part.crc, static_cast<std::uint64_t>(bytes));
    }
    file_checksum whole = work.ranges.back();
    whole.crc = crc_finish(model, joined);
    return whole;
}

// Reads the oldest range nobody has claimed. Called and left with the lock
// held, which is let go while the range is read.
void work_on_range(job_runner& runner, std::unique_lock<std::mutex>& hold, read_buffers& buffers)
{
    const std::size_t slot = runner.split.front();
    job& work = runner.window[slot];
    const std::size_t index = work.ranges_claimed++;
    if (work.ranges_claimed == work.ranges.size()) {
        runner.split.erase(runner.split.begin());
    }
    const std::size_t count = work.ranges.size();
    const std::int64_t offset = range_length(data_size(work), count) * static_cast<std::int64_t>(index);
    const std::int64_t bytes = range_bytes(data_size(work), count, index);
    // The last range reads the stored checksum too, and holds it back.
    const bool last = index + 1 == count && work.hold_back;
    hold.unlock();
    const file_checksum part =
        checksum_range(work.name, work.identity, offset, bytes + (last ? 2 : 0), *work.model, buffers, last);
    hold.lock();
    work.ranges[index] = part;
    if (++work.ranges_done == work.ranges.size()) {
        work.result = join_ranges(work);
        finish_slot(runner, slot);
    }
}

// Where many jobs wait, a job claims up to this many of them at once, so
// that a run of small files costs one turn of the lock for several.
constexpr std::size_t CLAIM_BATCH = 16;

// Reads the whole of what `stream` holds for the job, from where it stands,
// and closes it: its checksum, or, to identify its model, what each group's reader
// makes of it.
// `direct`, where it is given, reads a regular file straight from the system.
void read_whole(job& work, std::FILE* stream, std::int64_t size, unsigned char* direct)
{
    if (work.kind == job_kind::identify) {
        work.states.assign(work.readers.size(), CRC_ZERO);
        work.result = read_by_several(stream, size, work.readers, direct, work.states.data(), work.length,
                                      work.hold_back, work.keep ? &work.kept : nullptr);
    } else {
        work.result = finish_reading(stream, size, *work.model, direct, work.hold_back);
    }
}

// A job's own bytes, taken as a file's are.
void read_memory(job& work)
{
    file_checksum result{file_stage::checksummed, 0, CRC_ZERO};
    if (work.kind == job_kind::identify) {
        work.states.assign(work.readers.size(), CRC_ZERO);
        take_bytes(work.readers, work.states.data(), work.bytes.data(), work.bytes.size(), work.hold_back, result);
        work.length = static_cast<std::int64_t>(work.bytes.size() - result.tail_length);
        if (work.keep) {
            work.bytes.resize(static_cast<std::size_t>(work.length));
            work.kept.bytes = std::move(work.bytes);
        }
    } else {
        const crc_model* const models[] = {work.model};
        result.crc = crc_start(*work.model);
        take_bytes(models, &result.crc, work.bytes.data(), work.bytes.size(), work.hold_back, result);
        result.crc = crc_finish(*work.model, result.crc);
    }
    work.result = result;
}

// Reads the file of a job its caller has claimed, without the lock: true
// once its result is set; false where it is to be read in ranges, which
// `work.ranges` then has room for. Standard input is left to be read when
// the job's result is taken, in its turn.
bool read_job(const job_runner& runner, job& work, read_buffers& buffers)
{
    if (!job_reads(work) || work.source == job_source::standard_input || work.source == job_source::ready) {
        return true;
    }
    if (work.source == job_source::memory) {
        read_memory(work);
        return true;
    }
    file_checksum failed{};
    std::FILE* stream = open_measured(work.name, buffers.stream, work.identity, failed);
    const std::size_t count = stream != nullptr && work.identity.regular && work.kind != job_kind::identify
        ? range_count(data_size(work), runner.jobs, runner.range_minimum)
        : 1;
    if (stream == nullptr) {
        work.result = failed;
    } else if (count == 1) {
        read_whole(work, stream, work.identity.size, work.identity.regular ? buffers.direct : nullptr);
    } else if (int cause = 0; !close_stream(stream, cause)) {
        work.result = {file_stage::not_read, cause, CRC_ZERO};
    } else {
        work.ranges.assign(count, file_checksum{});
        work.ranges_claimed = work.ranges_done = 0;
        return false;
    }
    return true;
}

// Works on what is oldest: a range nobody has claimed, else the oldest jobs
// nobody has claimed, each file read through `buffer` or, where it is large
// enough, cut into ranges for every job to take. Called and left with the
// lock held; it is let go while files are read, when the slots claimed are
// the claimer's alone.
void work_on_one(job_runner& runner, std::unique_lock<std::mutex>& hold, read_buffers& buffers)
{
    if (!runner.split.empty()) {
        work_on_range(runner, hold, buffers);
        return;
    }
    const std::size_t waiting = runner.submitted - runner.claimed;
    const std::size_t batch = std::clamp<std::size_t>(waiting / runner.jobs, 1, CLAIM_BATCH);
    const std::size_t first = runner.claimed;
    runner.claimed += batch;
    hold.unlock();
    bool finished[CLAIM_BATCH] = {};
    for (std::size_t k = 0; k < batch; ++k) {
        const std::size_t slot = (first + k) % runner.window.size();
        finished[k] = read_job(runner, runner.window[slot], buffers);
        if (!finished[k]) {
            const std::size_t count = runner.window[slot].ranges.size();
            hold.lock();
            runner.split.push_back(slot);
            start_workers(runner, runner.submitted - runner.taken - 1 + count - 1);
            runner.work_ready.notify_all();
            runner.head_done.notify_one(); // the caller, waiting, takes ranges too
            hold.unlock();
        }
    }
    hold.lock();
    for (std::size_t k = 0; k < batch; ++k) {
        if (finished[k]) {
            finish_slot(runner, (first + k) % runner.window.size());
        }
    }
}

// Each worker's entry: jobs, one after another, through a buffer of its own.
void work_on_jobs(job_runner& runner)
{
    const auto buffers = std::make_unique_for_overwrite<read_buffers>();
    std::unique_lock<std::mutex> hold(runner.lock);
    for (;;) {
        while (!runner.stopping && runner.claimed == runner.submitted && runner.split.empty()) {
            runner.work_ready.wait(hold);
        }
        if (runner.stopping) {
            return;
        }
        work_on_one(runner, hold, *buffers);
    }
}

} // namespace

void start_jobs(job_runner& runner, std::size_t jobs, std::int64_t range_minimum, read_buffers& own_buffer)
{
    runner.jobs = jobs;
    runner.range_minimum = range_minimum;
    runner.window.assign(jobs == 1 ? 1 : jobs * WINDOW_PER_JOB, job{});
    runner.done.assign(runner.window.size(), 0);
    runner.own_buffer = &own_buffer;
}

bool jobs_full(job_runner& runner)
{
    const std::lock_guard<std::mutex> hold(runner.lock);
    return runner.submitted - runner.taken == runner.window.size();
}

void submit_job(job_runner& runner, job work)
{
    const std::lock_guard<std::mutex> hold(runner.lock);
    const std::size_t slot = runner.submitted++ % runner.window.size();
    runner.window[slot] = std::move(work);
    runner.done[slot] = 0;
    // The calling thread is one of the jobs, and takes the oldest while it
    // waits: workers start as more work than that comes.
    start_workers(runner, runner.submitted - runner.taken - 1);
    // A worker is woken for a batch, not for each file: waking one costs
    // more than a small file does. Whoever waits for a result wakes them
    // for what is left.
    if ((runner.submitted - runner.claimed) % CLAIM_BATCH == 0) {
        runner.work_ready.notify_one();
    }
}

bool take_result(job_runner& runner, job& work, bool wait)
{
    std::unique_lock<std::mutex> hold(runner.lock);
    if (runner.taken == runner.submitted) {
        return false;
    }
    const std::size_t slot = runner.taken % runner.window.size();
    // Waiting, the calling thread works too: with one job, it does it all.
    while (runner.done[slot] == 0) {
        if (!wait) {
            return false;
        }
        if (runner.claimed < runner.submitted || !runner.split.empty()) {
            runner.work_ready.notify_all();
            work_on_one(runner, hold, *runner.own_buffer);
        } else {
            runner.head_done.wait(hold);
        }
    }
    work = std::move(runner.window[slot]);
    ++runner.taken;
    hold.unlock();
    if (job_reads(work) && work.source == job_source::standard_input) {
        std::int64_t size = SIZE_UNKNOWN;
        std::FILE* stream = open_measured_input(size, work.result);
        if (stream != nullptr) {
            read_whole(work, stream, size, nullptr);
        }
    }
    return true;
}

void stop_jobs(job_runner& runner)
{
    {
        const std::lock_guard<std::mutex> hold(runner.lock);
        runner.stopping = true;
        runner.work_ready.notify_all();
    }
    for (std::thread& worker : runner.workers) {
        worker.join();
    }
    runner.workers.clear();
}
