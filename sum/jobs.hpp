// crc16sum's jobs: the files it reads, several at a time, and their results
// taken back in the order they were handed in, whichever finishes first.
// The calling thread is one of the jobs: while it waits for a result, it
// reads the next file nobody has taken. So with one job, nothing is handed
// over: each file is read on the calling thread.
//
// With more than one job, a regular file of twice the range minimum or more
// is cut into ranges, one for each job, of that minimum at least:
// whichever job opened it hands the ranges out, every job free takes one
// before any new file, each reads its range through a stream of its own,
// and the last to finish joins their checksums in order (crc_combine).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "file_sums.hpp"

// The smallest range of a file read in ranges, unless the environment sets
// another (CRC16SUM_RANGE_MINIMUM): below it, the cost of one more open and
// of waking another job outweighs what the job saves. Measured with the
// folds, whose checksum costs less than the reads do, and with the table
// (doc/performance.md). A multiple of the engine's block, as every range's
// start and length is but the last's; so is any other minimum, rounded down.
// Its value is set in sum/CMakeLists.txt, which hands it to the tests too.
inline constexpr std::int64_t RANGE_MINIMUM = CRC16_RANGE_MINIMUM;
static_assert(RANGE_MINIMUM % CRC_BLOCK_SIZE == 0);

// How many ranges a file of `size` bytes (SIZE_UNKNOWN: not a regular file)
// is read in by `jobs` jobs, each of `minimum` bytes at least, and how long
// each is but the last, which runs to the end.
std::size_t range_count(std::int64_t size, std::size_t jobs, std::int64_t minimum);
std::int64_t range_length(std::int64_t size, std::size_t count);

// What a job is for, and so how its result is reported: an input whose line
// is printed, an input held to the checksum stored at its end (--appended),
// a file that a list names, held to the list's checksum, or an input tried
// by every catalogued model at once (--identify); or only a place in the
// order, for a line of a list that is no entry, for a folder that could not
// be listed, or for a frame whose hex does not read.
enum class job_kind { sum, appended, check, identify, malformed_line, unlisted_folder, bad_frame };

// Where a job's bytes come from: the file its name names; standard input,
// which only one may read: on the calling thread, as each such job's result
// is taken, in its turn; the job's own bytes (a frame given in hex); or
// nowhere, its result made before it was handed in (a frame of standard
// input, taken as its line was read).
enum class job_source { file, standard_input, memory, ready };

// One piece of work, and its place in the output.
struct job {
    job_kind kind = job_kind::sum;
    job_source source = job_source::file;
    std::string name;                 // the file; for a malformed line, the list
    const crc_model* model = nullptr; // the CRC-16 to read it by
    crc_state expected{};             // check: the list's checksum for the file
    bool hold_back = false;           // --appended: its last two bytes are a checksum, left out of it
    std::vector<unsigned char> bytes; // memory: the bytes
    std::size_t line = 0;             // malformed_line: its number in the list
    std::string fault;                // bad_frame: what is wrong with it, and where
    file_checksum result{file_stage::checksummed, 0, CRC_ZERO};
    // identify: the models read by, one for each pair of polynomial and
    // order, and what each made of the file, from CRC_ZERO; and its length.
    std::span<const crc_model* const> readers;
    std::vector<crc_state> states;
    std::int64_t length = 0;
    bool keep = false; // --search: its bytes are kept, but for those held back
    kept_bytes kept;
    // Read in ranges: which file it was when first opened, and what each
    // range gave. Empty for a file read whole.
    file_identity identity;
    std::vector<file_checksum> ranges;
    std::size_t ranges_claimed = 0, ranges_done = 0;
};

// Whether a job has bytes to read, or only its place in the order.
inline bool job_reads(const job& work)
{
    return work.kind == job_kind::sum || work.kind == job_kind::appended || work.kind == job_kind::check ||
        work.kind == job_kind::identify;
}

// The jobs in flight: a window of at most WINDOW_PER_JOB results for each
// job, so that memory stays bounded whatever the number of files, however
// slow one of them is.
inline constexpr std::size_t WINDOW_PER_JOB = 64;
struct job_runner {
    std::size_t jobs = 1;
    std::int64_t range_minimum = RANGE_MINIMUM; // the smallest range a file is cut into
    std::vector<job> window;                    // a ring; the i-th job handed in is at i % window.size()
    std::vector<char> done;                     // the same slots: finished
    std::size_t submitted = 0, claimed = 0, taken = 0;
    std::vector<std::size_t> split; // slots whose ranges are not all claimed, oldest first
    bool stopping = false;
    std::vector<std::thread> workers;
    std::mutex lock;
    std::condition_variable work_ready; // for the workers
    std::condition_variable head_done;  // for the caller: the oldest result is ready
    read_buffers* own_buffer = nullptr; // the calling thread's
};

void start_jobs(job_runner& runner, std::size_t jobs, std::int64_t range_minimum, read_buffers& own_buffer);

// True when a result must be taken before the next job is handed in.
bool jobs_full(job_runner& runner);

void submit_job(job_runner& runner, job work);

// The next result in order, into `work`: with `wait`, once it is ready;
// without, only if it is. False where none is outstanding (or ready).
bool take_result(job_runner& runner, job& work, bool wait);

// Lets the workers go once they have finished what they hold.
void stop_jobs(job_runner& runner);
