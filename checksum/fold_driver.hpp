// The part of the carry-less folds that is the same on every processor and
// at every width: the blocks taken by ACCUMULATORS accumulators side by
// side, each of BLOCKS blocks and carried across all of them at every step,
// then carried onto the last. Included by each fold's source, after it has
// defined FOLD_DRIVER_TARGET, the attributes of its functions, and, for its
// vector type: load_blocks<REFLECTED>(), BLOCKS blocks as their polynomials;
// across_blocks(), the constants that carry each of them across a number of
// blocks; and fold_across(), each block carried across, added to the next.
#pragma once

#include <cstddef>

#include "crc_engine.hpp"
#include "model.hpp"

// From `acc`, the first BLOCKS blocks with the incoming state in them, at
// `data`: where there are ACCUMULATORS vectors' worth or more, every run of
// that many, and the accumulators carried onto the last, whose blocks are
// each what the blocks in their place came to; else the first vector alone.
// `data` and `count` are left after what was taken.
template <bool REFLECTED, std::size_t ACCUMULATORS, std::size_t BLOCKS, typename VECTOR>
FOLD_DRIVER_TARGET VECTOR fold_side_by_side(const crc_fold_constants& constants, VECTOR acc, const unsigned char*& data,
                                            std::size_t& count)
{
    constexpr std::size_t BYTES = BLOCKS * 16, RUN = ACCUMULATORS * BYTES;
    static_assert(ACCUMULATORS * BLOCKS <= CRC_FOLD_DISTANCES);
    if (count < RUN) {
        data += BYTES;
        count -= BYTES;
        return acc;
    }
    VECTOR accs[ACCUMULATORS];
    accs[0] = acc;
#pragma GCC unroll 8
    for (std::size_t i = 1; i < ACCUMULATORS; ++i) {
        accs[i] = load_blocks<REFLECTED>(data + i * BYTES);
    }
    data += RUN;
    count -= RUN;
    const VECTOR across_all = across_blocks(constants, ACCUMULATORS * BLOCKS);
    for (; count >= RUN; data += RUN, count -= RUN) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < ACCUMULATORS; ++i) {
            accs[i] = fold_across(accs[i], across_all, load_blocks<REFLECTED>(data + i * BYTES));
        }
    }
    // Each carried onto the last: the i-th across the blocks of the
    // ACCUMULATORS - 1 - i between them.
    acc = accs[ACCUMULATORS - 1];
#pragma GCC unroll 8
    for (std::size_t i = 0; i + 1 < ACCUMULATORS; ++i) {
        acc = fold_across(accs[i], across_blocks(constants, (ACCUMULATORS - 1 - i) * BLOCKS), acc);
    }
    return acc;
}
