// crc16sum's jobs: the files it reads, several at a time, and their results
// taken back in the order they were handed in, whichever finishes first.
// The calling thread is one of the jobs: while it waits for a result, it
// reads the next file nobody has taken. So with one job, nothing is handed
// over: each file is read on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "files.hpp"

// One piece of work, and its place in the output.
struct job {
    std::string name;     // the file to read, as named
    bool read = true;     // false: nothing to read, only a place in the order
    crc_state expected{}; // with --check: the list's checksum for it
    std::size_t line = 0; // with --check: its line in the list
    file_checksum result{file_stage::checksummed, 0, CRC_INIT};
};

// The jobs in flight: a window of at most WINDOW_PER_JOB results for each
// job, so that memory stays bounded whatever the number of files, however
// slow one of them is.
inline constexpr std::size_t WINDOW_PER_JOB = 64;
struct job_runner {
    std::size_t jobs = 1;
    std::vector<job> window; // a ring; the i-th job handed in is at i % window.size()
    std::vector<char> done;  // the same slots: finished
    std::size_t submitted = 0, claimed = 0, taken = 0;
    bool stopping = false;
    std::vector<std::thread> workers;
    std::mutex lock;
    std::condition_variable work_ready; // for the workers
    std::condition_variable head_done;  // for the caller: the oldest result is ready
    stream_buffer* own_buffer = nullptr; // the calling thread's
};

void start_jobs(job_runner& runner, std::size_t jobs, stream_buffer& own_buffer);

// True when a result must be taken before the next job is handed in.
bool jobs_full(job_runner& runner);

void submit_job(job_runner& runner, job work);

// The next result in order, into `work`: with `wait`, once it is ready;
// without, only if it is. False where none is outstanding (or ready).
bool take_result(job_runner& runner, job& work, bool wait);

// Lets the workers go once they have finished what they hold.
void stop_jobs(job_runner& runner);
