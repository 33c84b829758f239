// The part of the 128-bit carry-less fold that is the same on every
// processor: the blocks taken by ACCUMULATORS accumulators side by side,
// each carried across all of them at every step, then carried onto the
// last. Included by fold_x86.cpp and fold_arm64.cpp, each after it has
// defined FOLD_TARGET, the attributes of its fold's functions, and, for its
// 128-bit vector type, load(), load_block<REFLECTED>() and fold_across().
#pragma once

#include <cstddef>

#include "crc_model.hpp"

// From `acc`, the first block with the incoming state in it, at `data`:
// where there are ACCUMULATORS blocks or more, every run of that many, and
// the accumulators carried onto one; else the first block alone. `data` and
// `count` are left after what was taken.
template <bool REFLECTED, std::size_t ACCUMULATORS, typename VECTOR>
FOLD_TARGET VECTOR fold_side_by_side(const crc_fold_constants& constants, VECTOR acc, const unsigned char*& data,
                                     std::size_t& count)
{
    constexpr std::size_t BLOCK = 16, RUN = ACCUMULATORS * BLOCK;
    static_assert(ACCUMULATORS <= CRC_FOLD_DISTANCES);
    if (count < RUN) {
        data += BLOCK;
        count -= BLOCK;
        return acc;
    }
    VECTOR accs[ACCUMULATORS];
    accs[0] = acc;
#pragma GCC unroll 8
    for (std::size_t i = 1; i < ACCUMULATORS; ++i) {
        accs[i] = load_block<REFLECTED>(data + i * BLOCK);
    }
    data += RUN;
    count -= RUN;
    const VECTOR across_all = load(constants.across[ACCUMULATORS - 1]);
    for (; count >= RUN; data += RUN, count -= RUN) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < ACCUMULATORS; ++i) {
            accs[i] = fold_across(accs[i], across_all, load_block<REFLECTED>(data + i * BLOCK));
        }
    }
    // Each carried onto the last: the i-th across ACCUMULATORS - 1 - i blocks.
    acc = accs[ACCUMULATORS - 1];
#pragma GCC unroll 8
    for (std::size_t i = 0; i + 1 < ACCUMULATORS; ++i) {
        acc = fold_across(accs[i], load(constants.across[ACCUMULATORS - 2 - i]), acc);
    }
    return acc;
}
