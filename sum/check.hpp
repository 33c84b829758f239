// crc16sum --check and --identify: the lists of checksums, read line by line.
#pragma once

#include <string>

#include "jobs.hpp"
#include "options.hpp"
#include "output.hpp"
#include "report.hpp"

// Where a name's bytes come from: "-" is standard input, wherever a name is
// given, but for an entry of a list that is itself read from standard input
// (see check_list); every other name is a file.
inline job_source source_of(const std::string& name)
{
    return name == "-" ? job_source::standard_input : job_source::file;
}

// Checks every file that the list `list` names, or, with --identify, weighs
// it against every model: what the list met, failed where anything failed.
// The list is read behind `list_buffer`.
tally check_list(const options& opts, output& out, const std::string& list, stream_buffer& list_buffer,
                 job_runner& runner);
