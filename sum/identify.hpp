// crc16sum --identify: which catalogued models give every checksum of some
// lists, as written or with the two bytes of each swapped.
//
// Each file is read once for all the catalogue's models. A model's checksum
// is its initial value carried through the file's length, XOR the state the
// bytes leave from zero, then finished; only that state needs the bytes,
// and it depends only on the polynomial and the bit order. So one reading for each
// pair of those (15 in the catalogue) serves every model that shares it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crc_model.hpp"
#include "file_sums.hpp"

// The groups of the catalogue: one model for each pair of polynomial and
// order, which reads the files for all of its group, and, for each
// catalogued model in its order, which group is its.
struct identify_groups {
    std::vector<const crc_model*> readers;
    std::vector<std::size_t> group_of;
};
identify_groups make_identify_groups();

// An input's bytes and the checksum it was weighed against, kept for
// --search.
struct identify_sample {
    std::vector<unsigned char> bytes;
    crc_state checksum;
    std::string name;
};

// For each catalogued model, whether it has given every checksum weighed so
// far as written, and with its bytes swapped; and how many were weighed.
// With --search, every input weighed, kept, or the first that could not be.
struct identify_verdict {
    std::vector<char> as_written, swapped;
    std::size_t weighed = 0;
    std::vector<identify_sample> samples;
    std::size_t kept = 0; // the samples' bytes in all
    std::string unkept;   // the first input whose bytes could not be kept
};

// Keeps a sample weighed, its bytes whole where `whole` says so. Once all
// kept would pass KEEP_LIMIT, or the bytes are not whole, none are kept,
// and the sample's input is named as the first that could not be.
void keep_sample(identify_verdict& verdict, identify_sample&& sample, bool whole);
identify_verdict open_verdict();

// Weighs one file: `states`, what each group's reader made of it, `length` bytes,
// against the checksum its list gives.
void weigh_entry(const identify_groups& groups, const std::vector<crc_state>& states, std::int64_t length,
                 crc_state expected, identify_verdict& verdict);

// `into` keeps only what `other` keeps too, counts both's, and takes its
// samples.
void join_verdicts(identify_verdict& into, identify_verdict&& other);

// A line for each model that fits, "CRC-16/MODBUS: as written" or
// "CRC-16/MODBUS: bytes swapped", in the catalogue's order; none where
// nothing was weighed. For checksums stored in their inputs, weighed read
// low byte first, "low byte first" and "high byte first" instead.
std::vector<std::string> verdict_lines(const identify_verdict& verdict, bool stored = false);
