// What each job's result prints, in the order the jobs were handed in, and
// --identify's verdict once every list is weighed.
#pragma once

#include <cstddef>
#include <string_view>

#include "identify.hpp"
#include "jobs.hpp"
#include "options.hpp"
#include "output.hpp"
#include "search.hpp"

// What a run or a list has met so far, from which its warnings and its
// status follow.
struct tally {
    std::size_t malformed = 0, unreadable = 0, mismatched = 0, matched = 0;
    std::size_t too_short = 0; // --appended: inputs of fewer than two bytes
    bool failed = false;
    identify_verdict fits = open_verdict(); // --identify: the models that gave every checksum so far
};

// The tag of the lines written for `model`: its name, unless the lines are
// plain, as they are by default for CRC-16/ARC, and always for a model of
// one's own, which has no name.
std::string_view tag_of(const options& opts, const crc_model& model);

// The model an entry of a list is checked by: for a plain line, the model
// in effect; for a tagged one, the catalogued model of exactly that name,
// where -a gave none or the same. Null where there is none such: an alias
// is no tag, since aliases mean different models to different people.
const crc_model* model_of_entry(const options& opts, std::string_view tag);

// The groups of models --identify reads every file by.
const identify_groups& catalogue_groups();

// Sets an --identify job to be read by those groups, its bytes kept for
// --search.
void read_to_identify(const options& opts, job& work);

// A job for one input, a file, standard input or a frame's bytes, as the
// options say it is to be read and reported.
job input_job(const options& opts, std::string name, job_source source);

// The closing warnings of a run of --appended, and whether it failed.
bool close_appended(const options& opts, output& out, const tally& seen);

// Hands `work` to the jobs, reporting every result that is ready before it.
void hand_in(const options& opts, output& out, job_runner& runner, job work, tally& seen);

// Reports every result still to come.
void drain(const options& opts, output& out, job_runner& runner, tally& seen);

// --identify's verdict: a line for each catalogued model that gave every
// checksum; where none did, with --search, each CRC-16 that does, by
// `jobs` jobs; else why none is named.
identify_outcome report_models(const options& opts, output& out, const identify_verdict& fits, std::size_t jobs);
