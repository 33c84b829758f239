// crc16sum's output and diagnostics. Standard output is gathered into whole
// lines and written a few lines at a time, each write at most OUTPUT_SIZE
// bytes: a pipe takes a write of up to 4096 bytes in one piece, so lines of
// processes that share one never mix. A longer line is written alone. Once
// a write fails, the run ends.
#pragma once

#include <cstddef>
#include <string>

inline constexpr const char* PROGRAM = "crc16sum";

inline constexpr std::size_t OUTPUT_SIZE = 4096;
struct output {
    std::string pending;
    int cause = 0; // why a write failed, or 0
};

// Writes what is pending; false once any write has failed.
bool flush(output& out);

void put_line(output& out, const std::string& line);

// One line on standard error, "crc16sum: " and `text`, after what standard
// output holds so far, so that both come in order where they share a
// terminal.
void diagnose(output& out, const std::string& text);

// A line of progress on standard error, "crc16sum: " and `text`, written
// over the one before it; "" clears it.
void show_progress(output& out, const std::string& text);

// "NAME: the words for `cause`".
void diagnose_file(output& out, const std::string& name, int cause);

// The status a run ends with: 1 where anything failed or output could not
// be written, which is said, else 0.
int finish(output& out, bool failed);

// Says `what` and how to ask for help; the status of a usage error.
int usage_error(const std::string& what);

// "1 line is", "2 lines are": a count and what it counts.
std::string counted(std::size_t count, const char* one, const char* many);
