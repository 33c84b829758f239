#include "jobs.hpp"

#include <memory>

namespace {

// Each worker's entry: takes the oldest job that nobody has claimed, reads
// its file through a stream buffer of its own, and marks it done.
void work_on_jobs(job_runner& runner)
{
    const auto buffer = std::make_unique<stream_buffer>();
    std::unique_lock<std::mutex> hold(runner.lock);
    for (;;) {
        while (!runner.stopping && runner.claimed == runner.submitted) {
            runner.changed.wait(hold);
        }
        if (runner.stopping) {
            return;
        }
        const std::size_t slot = runner.claimed++ % runner.window.size();
        job& work = runner.window[slot];
        if (work.read && !names_standard_input(work.name)) {
            // The slot is this worker's until it is marked done.
            hold.unlock();
            work.result = checksum_named(work.name, *buffer);
            hold.lock();
        }
        runner.done[slot] = 1;
        runner.changed.notify_all();
    }
}

} // namespace

void start_jobs(job_runner& runner, std::size_t jobs, stream_buffer& own_buffer)
{
    runner.jobs = jobs;
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
    // Workers start as the work comes, up to one a job.
    if (runner.jobs > 1 && runner.workers.size() < runner.jobs && runner.workers.size() < runner.submitted - runner.taken) {
        runner.workers.emplace_back(work_on_jobs, std::ref(runner));
    }
    runner.changed.notify_all();
}

bool take_result(job_runner& runner, job& work, bool wait)
{
    std::unique_lock<std::mutex> hold(runner.lock);
    if (runner.taken == runner.submitted) {
        return false;
    }
    const std::size_t slot = runner.taken % runner.window.size();
    if (runner.jobs == 1) {
        runner.done[slot] = 1; // nothing handed over
        ++runner.claimed;
    }
    while (runner.done[slot] == 0) {
        if (!wait) {
            return false;
        }
        runner.changed.wait(hold);
    }
    work = std::move(runner.window[slot]);
    ++runner.taken;
    hold.unlock();
    // With one job, and for standard input, which only one may read and each
    // "-" in its turn: read here and now, on the calling thread.
    if (work.read && (runner.jobs == 1 || names_standard_input(work.name))) {
        work.result = checksum_named(work.name, *runner.own_buffer);
    }
    return true;
}

void stop_jobs(job_runner& runner)
{
    {
        const std::lock_guard<std::mutex> hold(runner.lock);
        runner.stopping = true;
        runner.changed.notify_all();
    }
    for (std::thread& worker : runner.workers) {
        worker.join();
    }
    runner.workers.clear();
}
