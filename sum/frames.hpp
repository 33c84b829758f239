// crc16sum --hex: frames written in hex, given as operands or as the lines
// of standard input, each read into a job as a file is.
#pragma once

#include <string>

#include "jobs.hpp"
#include "options.hpp"
#include "output.hpp"
#include "report.hpp"

// The longest line of standard input named as it stands; a longer one is
// named "-:N", N its line number, so that memory stays bounded.
inline constexpr std::size_t FRAME_NAME_LIMIT = 4096;

// The job for a frame given as an operand: its bytes, named by the operand
// as given, or, where its hex does not read, its fault.
job frame_operand(const options& opts, const std::string& text);

// Hands in a job for each line of standard input but those of blanks only,
// each frame taken as it is read, in bounded memory. False where --raw
// meets a second frame, a usage error.
bool hand_in_frame_lines(const options& opts, output& out, job_runner& runner, tally& seen);
