// crc16sum --identify --search: every CRC-16, where no catalogued model
// gives the checksums weighed. Every polynomial with its x^0 term, in both
// input orders, is read over the smallest samples, SEARCH_BYTES of them at
// most (two at least), by every job; the initial value and final XOR are
// solved for each (crc_search.hpp), for both output orders and both byte
// orders of the checksums. The polynomials that fit them are then held to
// the other samples too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crc_search.hpp"
#include "identify.hpp"
#include "options.hpp"
#include "output.hpp"

inline constexpr std::uint64_t SEARCH_BYTES = std::uint64_t{4} << 20;

// The most models named; where more fit, more samples are needed.
inline constexpr std::size_t SEARCH_NAMED = 16;

// How many of the samples, taken shortest first, the whole search reads:
// as many as `most` bytes hold, and two at least. `lengths` shortest first.
std::size_t searched_count(std::span<const std::size_t> lengths, std::uint64_t most = SEARCH_BYTES);

// Each model that fits every sample, by polynomial, then refin, then
// refout, each as read before swapped, read by `jobs` jobs; on a terminal,
// with its progress on standard error.
struct search_result {
    std::vector<crc_search_fit> fits;
    std::size_t searched = 0;    // samples the whole search read
    std::uint64_t bytes = 0;     // their bytes
    crc_engine engine{};         // what read them
    std::size_t polynomials = 0; // read over them, in both orders
    std::size_t survivors = 0;   // polynomials and orders held to the rest
};
search_result search_models(std::span<const crc_sample> samples, std::size_t jobs, output& out, bool progress,
                            std::uint64_t most = SEARCH_BYTES);

// The line of a fit: its parameters as -a takes them, and how its
// checksums are stored: ": as written" or ": bytes swapped" in a list,
// ": low byte first" or ": high byte first" at the end of an input.
std::string fit_line(const crc_search_fit& fit, bool stored);

enum class identify_outcome { named, unnamed, too_few_samples };

// --search's verdict, where no catalogued model fits: a line for each model
// that fits, SEARCH_NAMED at most, and what the lines leave out on
// standard error; named where 1 to SEARCH_NAMED models fit.
identify_outcome report_search(const options& opts, output& out, const identify_verdict& verdict, std::size_t jobs);
