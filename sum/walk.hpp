// crc16sum -r: the files under a folder, in the byte order of their full
// names; and names as crc16sum writes them.
#pragma once

#include <string>
#include <vector>

#include "jobs.hpp"
#include "options.hpp"
#include "output.hpp"
#include "platform.hpp"
#include "report.hpp"

// A name as crc16sum writes it: with '/' between its parts on every system,
// so that a list made on one checks on another.
std::string portable_name(std::string name);

// The names of the files under a folder operand begin with this: the
// operand with one '/' after it, however many separators it ended in.
std::string folder_prefix(const std::string& operand);

// Puts a folder's entries in the order the walk hands them in: by the bytes
// of their names, unsigned, each subfolder's as if it ended in '/', so that
// the full names of the files come in the order of their bytes.
void sort_entries(std::vector<folder_entry>& entries);

// Hands in every file under the folder `operand`, in that order, and a
// diagnostic in its place for each folder that cannot be listed. Links to
// folders are not followed.
void walk_folder(const options& opts, output& out, job_runner& runner, const std::string& operand, tally& seen);
