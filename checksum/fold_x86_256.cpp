// The carry-less fold on x86 two blocks at a time: the same fold as
// fold_x86_128.cpp, its accumulators 256 bits wide, each multiply (VPCLMULQDQ,
// with AVX2's shuffles) carrying two 16-byte blocks at once, so that a
// processor that has it folds twice as much for each instruction. Only this
// file holds those instructions; crc_engine_runs asks the processor, and
// its system, whether they run.
//
// Each accumulator holds two blocks side by side, every one carried across
// as many blocks as all the accumulators hold together. At the end the
// accumulators are carried onto the last, its first block onto its second,
// then the 128-bit fold goes on with whatever whole blocks are left, and
// reduces. Inputs shorter than all the accumulators hold go to the 128-bit
// fold.
#include "crc_engine.hpp"
#include "model.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include "fold_x86.hpp"

using namespace fold_x86;

#if defined(__i386__)
#define WIDE_ENTRY __attribute__((target("vpclmulqdq,avx2,pclmul,ssse3,sse4.1"), force_align_arg_pointer))
#else
#define WIDE_ENTRY __attribute__((target("vpclmulqdq,avx2,pclmul,ssse3,sse4.1")))
#endif
#define WIDE_TARGET __attribute__((target("vpclmulqdq,avx2,pclmul,ssse3,sse4.1"), always_inline)) inline

namespace {

constexpr std::size_t BLOCKS = 2, GROUP = ACCUMULATORS * BLOCKS * BLOCK;

// Two blocks, each as its polynomial: each reversed for a normal model.
template <bool REFLECTED> WIDE_TARGET __m256i load_blocks(const unsigned char* at)
{
    const __m256i both = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    if constexpr (REFLECTED) {
        return both;
    } else {
        const __m256i reverse = _mm256_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5,
                                                6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        return _mm256_shuffle_epi8(both, reverse);
    }
}

// The constants that carry a block across `blocks` blocks, for each of two.
WIDE_TARGET __m256i across_blocks(const crc_fold_constants& constants, std::size_t blocks)
{
    return _mm256_broadcastsi128_si256(load(constants.across[blocks - 1]));
}

// Each of the two blocks of `acc` carried across, added to its own in `next`.
WIDE_TARGET __m256i fold_across(__m256i acc, __m256i constants, __m256i next)
{
    const __m256i low = _mm256_clmulepi64_epi128(acc, constants, 0x00);
    const __m256i high = _mm256_clmulepi64_epi128(acc, constants, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

} // namespace

#define FOLD_DRIVER_TARGET WIDE_TARGET
#include "fold_driver.hpp"

namespace {

template <bool REFLECTED>
WIDE_TARGET crc_state fold_groups(const crc_model& model, crc_state crc, const unsigned char*& data, std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    const __m256i first =
        _mm256_xor_si256(load_blocks<REFLECTED>(data), _mm256_zextsi128_si256(state_block<REFLECTED>(crc)));
    const __m256i last = fold_side_by_side<REFLECTED, ACCUMULATORS, BLOCKS>(constants, first, data, count);
    // Its first block carried onto its second.
    const __m128i acc = fold_x86::fold_across(_mm256_castsi256_si128(last), load(constants.across[0]),
                                              _mm256_extracti128_si256(last, 1));
    return fold_rest<REFLECTED>(constants, acc, data, count);
}

} // namespace

WIDE_ENTRY crc_state crc_fold_256(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count < GROUP) {
        return crc_fold_128(model, crc, data, count);
    }
    crc = model.parameters.refin ? fold_groups<true>(model, crc, data, count)
                                 : fold_groups<false>(model, crc, data, count);
    return crc_table_update(model, crc, data, count);
}

#endif
