#include "jobs.hpp"

#include <memory>

namespace {

// Claims the oldest job that nobody has claimed and works on it: reads its
// file through `buffer`, and marks it done. Standard input is left to be
// read when the job's result is taken, in its turn. Called and left with
// the lock held; it is let go while the file is read, when the slot is the
// claimer's alone.
void work_on_one(job_runner& runner, std::unique_lock<std::mutex>& hold, stream_buffer& buffer)
{
    const std::size_t slot = runner.claimed++ % runner.window.size();
    job& work = runner.window[slot];
    if (work.read && !names_standard_input(work.name)) {
        hold.unlock();
        work.result = checksum_named(work.name, buffer);
        hold.lock();
    }
    runner.done[slot] = 1;
    if (slot == runner.taken % runner.window.size()) {
        runner.head_done.notify_one();
    }
}

// Each worker's entry: jobs, one after another, through a buffer of its own.
void work_on_jobs(job_runner& runner)
{
    const auto buffer = std::make_unique<stream_buffer>();
    std::unique_lock<std::mutex> hold(runner.lock);
    for (;;) {
        while (!runner.stopping && runner.claimed == runner.submitted) {
            runner.work_ready.wait(hold);
        }
        if (runner.stopping) {
            return;
        }
        work_on_one(runner, hold, *buffer);
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
    // The calling thread is one of the jobs; workers start as the work
    // comes, up to one for each of the others.
    if (runner.workers.size() + 1 < runner.jobs && runner.workers.size() < runner.submitted - runner.taken) {
        runner.workers.emplace_back(work_on_jobs, std::ref(runner));
    }
    runner.work_ready.notify_one();
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
        if (runner.claimed < runner.submitted) {
            work_on_one(runner, hold, *runner.own_buffer);
        } else {
            runner.head_done.wait(hold);
        }
    }
    work = std::move(runner.window[slot]);
    ++runner.taken;
    hold.unlock();
    // Standard input, which only one may read, and each "-" in its turn.
    if (work.read && names_standard_input(work.name)) {
        work.result = checksum_named(work.name, *runner.own_buffer);
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
