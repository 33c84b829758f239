// Any CRC-16 found from samples of what it checksums. For one polynomial
// and one input order, the checksum is an affine function over GF(2) of the
// bytes, the initial value and the final XOR: the state the bytes leave
// from zero, plus the initial value carried through their length, turned
// over where refout says, plus the final XOR. So what the samples make from
// zero, one reading each, gives a system of linear equations in the initial
// value and the final XOR, which is solved, not tried: for every refout and
// both byte orders of the checksums at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "crc_engine.hpp"
#include "crc_model.hpp"

struct crc_sample {
    const unsigned char* data;
    std::size_t length;
    crc_state checksum; // as read; it is tried with its two bytes swapped too
};

// A model that gives every sample's checksum. Where several pairs of
// initial value and final XOR do, the one with the smallest initial value;
// `models` counts them, pairs that give the same checksum for every input
// of every length counted once: more than 1 where the samples' lengths
// cannot tell them apart.
struct crc_search_fit {
    crc_parameters parameters;
    bool swapped; // the checksums with their two bytes swapped
    std::uint32_t models;
};

// Samples of fewer bytes than this in all are read by the table, whatever
// the engine in use: for them, making a polynomial's fold constants would
// take longer than the fold saves.
inline constexpr std::uint64_t CRC_SEARCH_FOLD_MINIMUM = 64 << 10;

// The engine the samples are read by, for every polynomial.
crc_engine crc_search_engine(std::span<const crc_sample> samples);

// At most one fit for each refout and byte order.
inline constexpr std::size_t CRC_SEARCH_FITS = 4;

// The models of the polynomial `poly` (its x^0 term set) and input order
// `refin` that give every sample's checksum, into `fits`, refout false
// before true and each as read before swapped; their count. The bytes are
// read once each, by the engine in use; no fit where there are fewer than
// two samples.
std::size_t crc_search_poly(std::span<const crc_sample> samples, crc_state poly, bool refin,
                            crc_search_fit (&fits)[CRC_SEARCH_FITS]);
