// crc16sum's command line, read into a plain value: the options and the
// operands, or what to do instead of reading files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "crc_model.hpp"

// More jobs than this are refused: threads beyond it only cost memory.
inline constexpr unsigned long long MAX_JOBS = 1024;

// How lines are written: tagged for any model but CRC-16/ARC, or as the
// last of --tag and --untagged says.
enum class line_style { by_model, tagged, untagged };

// The order of a checksum's bytes where it is stored: the model's, or as
// --endian says.
enum class stored_order { model, low_first, high_first };

struct options {
    bool check = false;
    bool zero = false;
    bool quiet = false;
    bool status = false;
    bool warn = false;
    bool strict = false;
    bool ignore_missing = false;
    bool recursive = false;
    bool identify = false;
    bool search = false; // --identify: every CRC-16, where no catalogued model fits
    bool debug = false;
    bool hex = false;      // the operands, or the lines of standard input, are frames in hex
    bool appended = false; // each input ends with its own checksum, checked
    bool raw = false;      // the checksum as its two stored bytes
    stored_order endian = stored_order::model;
    std::size_t jobs = 0;              // 0: one for each processor
    const crc_model* model = nullptr;  // -a's: catalogued, or one's own once made from `own`; null: none
    std::optional<crc_parameters> own; // the parameters of a model of one's own that -a gave
    line_style lines = line_style::by_model;
    bool tag_given = false;
};

// -a's model, of the catalogue or one's own once made; null where -a gave
// none.
const crc_model* given_model(const options& opts);

// The model a file is read by where nothing names another: -a's, else
// CRC-16/ARC.
const crc_model& model_in_effect(const options& opts);

// Whether a checksum of `model` is stored low byte first: as --endian
// says, else as the model stores it.
bool stored_low_first(const options& opts, const crc_model& model);

enum class command { run, help, version, list_models, usage_error };

struct command_line {
    command what = command::run;
    options opts;
    std::vector<std::string> operands; // in their order, wherever they stood among the options
    std::string error;                 // usage_error: what is wrong, in one line
};

// Reads the command line, the program's name first. Options as getopt_long
// takes them: short ones grouped (-cw, -j4, -j 4), long ones by any start
// that names one alone, a value after '=' or as the next argument; operands
// anywhere, and every argument after "--" an operand. The first of --help,
// --version and --list-models ends the reading; so does the first error.
command_line parse_command_line(const std::vector<std::string>& arguments);
