// What the x86 folds of 128, 256 and 512 bits share: the loading of blocks,
// the fold of one 128-bit accumulator across blocks, and the reduction of
// the last one to the state, each marked for the instructions it uses
// (PCLMULQDQ, SSSE3, SSE4.1). Included by those three sources alone.
#pragma once

#include <immintrin.h>

#include "crc_engine.hpp"
#include "model.hpp"

// 8 accumulators where there are 16 vector registers, 4 where there are 8.
constexpr std::size_t ACCUMULATORS = sizeof(void*) >= 8 ? 8 : 4;
constexpr std::size_t BLOCK = 16;

// 32-bit Windows keeps the stack 4-byte aligned; the entry realigns it, so
// that whatever vector the compiler keeps there is aligned as it assumes.
#if defined(__i386__)
#define FOLD_ENTRY __attribute__((target("pclmul,ssse3,sse4.1"), force_align_arg_pointer))
#else
#define FOLD_ENTRY __attribute__((target("pclmul,ssse3,sse4.1")))
#endif
#define FOLD_TARGET __attribute__((target("pclmul,ssse3,sse4.1"), always_inline)) inline

namespace fold_x86 {

FOLD_TARGET __m128i load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }

// A block of 16 bytes as its polynomial: reversed for a normal model.
template <bool REFLECTED> FOLD_TARGET __m128i load_block(const unsigned char* at)
{
    if constexpr (REFLECTED) {
        return load(at);
    } else {
        return _mm_shuffle_epi8(load(at), _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    }
}

// `acc` carried across the blocks `constants` are for, added to `next`.
FOLD_TARGET __m128i fold_across(__m128i acc, __m128i constants, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(acc, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(acc, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// All 128 bits in the other order.
FOLD_TARGET __m128i reverse_bits(__m128i value)
{
    const __m128i low_nibbles = _mm_set1_epi8(0x0F);
    // The four bits of each index reversed, at the top and at the bottom of a byte.
    const __m128i to_top = _mm_set_epi8(-16, 112, -80, 48, -48, 80, -112, 16, -32, 96, -96, 32, -64, 64, -128, 0);
    const __m128i to_bottom = _mm_set_epi8(15, 7, 11, 3, 13, 5, 9, 1, 14, 6, 10, 2, 12, 4, 8, 0);
    const __m128i low = _mm_and_si128(value, low_nibbles);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(value, 4), low_nibbles);
    const __m128i bytes = _mm_or_si128(_mm_shuffle_epi8(to_top, low), _mm_shuffle_epi8(to_bottom, high));
    return _mm_shuffle_epi8(bytes, _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
}

// The state a message leaves, from a state of zero, whose polynomial, of
// degree below 128, is `value` in the normal order: value * x^16 mod P, in
// the low 16 bits of the result.
FOLD_TARGET __m128i reduce(const crc_fold_constants& constants, __m128i value)
{
    const __m128i down = load(constants.down), barrett = load(constants.barrett);
    const __m128i low_32 = _mm_set_epi32(0, 0, 0, -1);
    // Below 80 bits, then below 64: the high half times x^64 mod P, XOR the low.
    value = _mm_xor_si128(_mm_clmulepi64_si128(value, down, 0x01), _mm_move_epi64(value));
    value = _mm_xor_si128(_mm_clmulepi64_si128(value, down, 0x01), _mm_move_epi64(value));
    // Times x^16, below 48 bits: bits 32 to 63 times x^48 mod P, XOR the rest moved up 16.
    value = _mm_xor_si128(_mm_clmulepi64_si128(_mm_srli_si128(value, 4), down, 0x10),
                          _mm_slli_si128(_mm_and_si128(value, low_32), 2));
    // Below 32 bits: bits 32 to 47 times x^32 mod P, XOR the rest.
    value = _mm_xor_si128(_mm_clmulepi64_si128(_mm_srli_si128(value, 4), barrett, 0x00), _mm_and_si128(value, low_32));
    // Barrett: the quotient by P is the top 16 bits times floor(x^32 / P), over x^16.
    const __m128i quotient = _mm_srli_si128(_mm_clmulepi64_si128(_mm_srli_si128(value, 2), barrett, 0x10), 2);
    return _mm_xor_si128(value, _mm_clmulepi64_si128(quotient, load(constants.p), 0x00));
}

// The state that the message whose polynomial `acc` holds leaves, the
// blocks that follow in `data` folded in first, one at a time; `data` and
// `count` are left at what is less than a block.
template <bool REFLECTED>
FOLD_TARGET crc_state fold_rest(const crc_fold_constants& constants, __m128i acc, const unsigned char*& data,
                                std::size_t& count)
{
    const __m128i across_one = load(constants.across[0]);
    for (; count >= BLOCK; data += BLOCK, count -= BLOCK) {
        acc = fold_across(acc, across_one, load_block<REFLECTED>(data));
    }
    if constexpr (REFLECTED) {
        // Reduced the right way round, and the state turned back: at the top.
        return static_cast<crc_state>(_mm_extract_epi16(reverse_bits(reduce(constants, reverse_bits(acc))), 7));
    } else {
        return static_cast<crc_state>(_mm_extract_epi16(reduce(constants, acc), 0));
    }
}

// The incoming state as it meets the first two bytes: at the bottom of a
// reflected block, at the top of a normal one.
template <bool REFLECTED> FOLD_TARGET __m128i state_block(crc_state crc)
{
    return REFLECTED ? _mm_cvtsi32_si128(crc) : _mm_slli_si128(_mm_cvtsi32_si128(crc), 14);
}

} // namespace fold_x86
