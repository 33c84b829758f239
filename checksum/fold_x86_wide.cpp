// The carry-less fold on x86 two blocks at a time: the same fold as
// fold_x86.cpp, its accumulators 256 bits wide, each multiply (VPCLMULQDQ,
// with AVX2's shuffles) carrying two 16-byte blocks at once, so that a
// processor that has it folds twice as much for each instruction. Only this
// file holds those instructions; crc_fastest_engine asks the processor, and
// its system, whether they run.
//
// Each accumulator holds two blocks side by side, every one carried across
// as many blocks as all the accumulators hold together. At the end the
// blocks are taken out one by one and carried onto the last, then the
// 128-bit fold goes on with whatever whole blocks are left, and reduces.
// Inputs shorter than all the accumulators hold go to the 128-bit fold.
#include "crc_model.hpp"

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

constexpr std::size_t WIDE = 2 * BLOCK;
constexpr std::size_t GROUP = ACCUMULATORS * WIDE;
static_assert(2 * ACCUMULATORS <= CRC_FOLD_DISTANCES);

// Two blocks, each as its polynomial: each reversed for a normal model.
template <bool REFLECTED> WIDE_TARGET __m256i load_wide(const unsigned char* at)
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

WIDE_TARGET __m256i fold_across_wide(__m256i acc, __m256i constants, __m256i next)
{
    const __m256i low = _mm256_clmulepi64_epi128(acc, constants, 0x00);
    const __m256i high = _mm256_clmulepi64_epi128(acc, constants, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

template <bool REFLECTED>
WIDE_TARGET crc_state fold_groups(const crc_model& model, crc_state crc, const unsigned char*& data, std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    __m256i accs[ACCUMULATORS];
    accs[0] = _mm256_xor_si256(load_wide<REFLECTED>(data), _mm256_zextsi128_si256(state_block<REFLECTED>(crc)));
#pragma GCC unroll 8
    for (std::size_t i = 1; i < ACCUMULATORS; ++i) {
        accs[i] = load_wide<REFLECTED>(data + i * WIDE);
    }
    data += GROUP;
    count -= GROUP;
    const __m256i across_all = _mm256_broadcastsi128_si256(load(constants.across[2 * ACCUMULATORS - 1]));
    for (; count >= GROUP; data += GROUP, count -= GROUP) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < ACCUMULATORS; ++i) {
            accs[i] = fold_across_wide(accs[i], across_all, load_wide<REFLECTED>(data + i * WIDE));
        }
    }
    // Block j of the 2 * ACCUMULATORS carried onto the last, across
    // 2 * ACCUMULATORS - 1 - j blocks.
    __m128i acc = _mm256_extracti128_si256(accs[ACCUMULATORS - 1], 1);
#pragma GCC unroll 16
    for (std::size_t j = 0; j + 1 < 2 * ACCUMULATORS; ++j) {
        const __m256i pair = accs[j / 2];
        const __m128i block = j % 2 == 0 ? _mm256_castsi256_si128(pair) : _mm256_extracti128_si256(pair, 1);
        acc = fold_across(block, load(constants.across[2 * ACCUMULATORS - 2 - j]), acc);
    }
    return fold_rest<REFLECTED>(constants, acc, data, count);
}

} // namespace

WIDE_ENTRY crc_state crc_wide_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count < GROUP) {
        return crc_fold(model, crc, data, count);
    }
    crc = model.refin ? fold_groups<true>(model, crc, data, count) : fold_groups<false>(model, crc, data, count);
    return crc_update(model, crc, data, count);
}

#endif
