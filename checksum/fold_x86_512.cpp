// The carry-less fold on x86 four blocks at a time: the same fold as
// fold_x86_128.cpp, its accumulators 512 bits wide, each multiply (VPCLMULQDQ
// on AVX-512's registers, with AVX-512BW's shuffle and a three-way XOR)
// carrying four 16-byte blocks at once. Only this file holds those
// instructions; crc_engine_runs asks the processor, and its system, whether
// they run.
//
// Four accumulators of four blocks each take 256 bytes a step, every block
// carried across the 16 that all of them hold; four are enough to hide the
// multiply's latency behind the others', and they fit the 8 vector registers
// of a 32-bit program too. At the end the accumulators are carried onto the
// last, a whole register at a time, its four blocks onto its last one, and
// the 128-bit fold goes on with whatever whole blocks are left, and reduces.
// Inputs shorter than a step go to the wide fold.
#include "crc_engine.hpp"
#include "model.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include "fold_x86.hpp"

using namespace fold_x86;

#define WIDEST_INSTRUCTIONS "vpclmulqdq,avx512f,avx512bw,avx2,pclmul,ssse3,sse4.1"
#if defined(__i386__)
#define WIDEST_ENTRY __attribute__((target(WIDEST_INSTRUCTIONS), force_align_arg_pointer))
#else
#define WIDEST_ENTRY __attribute__((target(WIDEST_INSTRUCTIONS)))
#endif
#define WIDEST_TARGET __attribute__((target(WIDEST_INSTRUCTIONS), always_inline)) inline

namespace {

// GCC 12's unmasked broadcast and extract start from an "undefined" vector
// that it then warns may be used uninitialized; their zero-masked forms,
// with every lane kept, are the same instructions without that.
WIDEST_TARGET __m512i broadcast(__m128i block) { return _mm512_maskz_broadcast_i32x4(0xFFFF, block); }
template <int LANE> WIDEST_TARGET __m128i lane(__m512i blocks)
{
    return _mm512_maskz_extracti32x4_epi32(0xF, blocks, LANE);
}

constexpr std::size_t BLOCKS = 4, VECTORS = 4, STEP = VECTORS * BLOCKS * BLOCK;

// Four blocks, each as its polynomial: each reversed for a normal model.
template <bool REFLECTED> WIDEST_TARGET __m512i load_blocks(const unsigned char* at)
{
    const __m512i blocks = _mm512_loadu_si512(at);
    if constexpr (REFLECTED) {
        return blocks;
    } else {
        const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        return _mm512_shuffle_epi8(blocks, broadcast(reverse));
    }
}

// The constants that carry a block across `blocks` blocks, for each of four.
WIDEST_TARGET __m512i across_blocks(const crc_fold_constants& constants, std::size_t blocks)
{
    return broadcast(load(constants.across[blocks - 1]));
}

// Each of the four blocks of `acc` carried across, added to its own in `next`.
WIDEST_TARGET __m512i fold_across(__m512i acc, __m512i across, __m512i next)
{
    const __m512i low = _mm512_clmulepi64_epi128(acc, across, 0x00);
    const __m512i high = _mm512_clmulepi64_epi128(acc, across, 0x11);
    return _mm512_ternarylogic_epi64(low, high, next, 0x96); // low ^ high ^ next
}

} // namespace

#define FOLD_DRIVER_TARGET WIDEST_TARGET
#include "fold_driver.hpp"

namespace {

template <bool REFLECTED>
WIDEST_TARGET crc_state fold_steps(const crc_model& model, crc_state crc, const unsigned char*& data,
                                   std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    const __m512i first =
        _mm512_xor_si512(load_blocks<REFLECTED>(data), _mm512_zextsi128_si512(state_block<REFLECTED>(crc)));
    const __m512i last = fold_side_by_side<REFLECTED, VECTORS, BLOCKS>(constants, first, data, count);
    // Block j of the last carried onto its last, across BLOCKS - 1 - j.
    __m128i acc = lane<3>(last);
    acc = fold_x86::fold_across(lane<0>(last), load(constants.across[2]), acc);
    acc = fold_x86::fold_across(lane<1>(last), load(constants.across[1]), acc);
    acc = fold_x86::fold_across(lane<2>(last), load(constants.across[0]), acc);
    return fold_rest<REFLECTED>(constants, acc, data, count);
}

} // namespace

WIDEST_ENTRY crc_state crc_fold_512(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count < STEP) {
        return crc_fold_256(model, crc, data, count);
    }
    crc =
        model.parameters.refin ? fold_steps<true>(model, crc, data, count) : fold_steps<false>(model, crc, data, count);
    return crc_table_update(model, crc, data, count);
}

#endif
