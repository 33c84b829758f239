// The carry-less fold on x86: CRC-16 of any model, 16 bytes at a time, by
// the processor's carry-less multiply (PCLMULQDQ), with SSSE3's and SSE4.1's
// shuffles. Only this file holds those instructions, each function marked
// for them, so that the rest of the program stays built for the baseline
// processor; crc_fastest_engine asks the processor, once, whether it has
// them.
//
// How it works. From a state of zero and with no final XOR, a checksum is
// linear in the message: the state after A then B is A's carried through
// |B| zero bytes, XOR B's alone. Read as polynomials over GF(2), each 16-byte
// block is one of degree below 128, and carrying it d blocks forward is a
// multiplication by x^(128d) modulo P. So a 128-bit accumulator holds the
// message so far, reduced only as far as it must be: its two 64-bit halves
// are each multiplied by a 16-bit constant (x^(128d + 64) and x^(128d) mod
// P), the products, under 80 bits, are XORed together and into the block d
// blocks later. The incoming state is XORed into the first two bytes, as
// the byte-wise fold would have it meet them. Several accumulators run side
// by side, 128 or 64 bytes apart, so that each multiply's latency is hidden
// behind the others'; at the end they are carried onto the last and added.
// The last 128-bit value is then brought down to the 16-bit state: halved
// twice by x^64 and x^48, then x^32 mod P, and divided by P with Barrett's
// method. Fewer than 16 bytes, and the 1 to 15 after the last whole block,
// go through the table: nothing is read past the caller's bytes.
//
// A normal model's blocks are read with their bytes reversed, so that the
// first byte is the highest power. A reflected model's are read as they lie:
// bit 0 of the first byte is then the highest power, every polynomial sits
// in its register bit-reversed, and the products of reversed operands come
// out one place further along, which its constants make up for (see
// crc_fold_constants). Its last value is turned round before the reduction,
// and the state turned round after it.
#include "crc_model.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// 8 accumulators where there are 16 vector registers, 4 where there are 8.
constexpr std::size_t ACCUMULATORS = sizeof(void*) >= 8 ? 8 : 4;
static_assert(ACCUMULATORS <= CRC_FOLD_DISTANCES);
constexpr std::size_t BLOCK = 16;

// 32-bit Windows keeps the stack 4-byte aligned; the entry realigns it, so
// that whatever vector the compiler keeps there is aligned as it assumes.
#if defined(__i386__)
#define FOLD_ENTRY __attribute__((target("pclmul,ssse3,sse4.1"), force_align_arg_pointer))
#else
#define FOLD_ENTRY __attribute__((target("pclmul,ssse3,sse4.1")))
#endif
#define FOLD_TARGET __attribute__((target("pclmul,ssse3,sse4.1"), always_inline)) inline

namespace {

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

template <bool REFLECTED>
FOLD_TARGET crc_state fold_blocks(const crc_model& model, crc_state crc, const unsigned char*& data, std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    // The incoming state meets the first two bytes: at the bottom of a
    // reflected block, at the top of a normal one.
    const __m128i state = REFLECTED ? _mm_cvtsi32_si128(crc) : _mm_slli_si128(_mm_cvtsi32_si128(crc), 14);
    __m128i acc = _mm_xor_si128(load_block<REFLECTED>(data), state);
    if (count >= ACCUMULATORS * BLOCK) {
        __m128i accs[ACCUMULATORS];
        accs[0] = acc;
#pragma GCC unroll 8
        for (std::size_t i = 1; i < ACCUMULATORS; ++i) {
            accs[i] = load_block<REFLECTED>(data + i * BLOCK);
        }
        data += ACCUMULATORS * BLOCK;
        count -= ACCUMULATORS * BLOCK;
        const __m128i across_all = load(constants.across[ACCUMULATORS - 1]);
        for (; count >= ACCUMULATORS * BLOCK; data += ACCUMULATORS * BLOCK, count -= ACCUMULATORS * BLOCK) {
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
    } else {
        data += BLOCK;
        count -= BLOCK;
    }
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

} // namespace

FOLD_ENTRY crc_state crc_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count >= BLOCK) {
        crc = model.refin ? fold_blocks<true>(model, crc, data, count) : fold_blocks<false>(model, crc, data, count);
    }
    return crc_update(model, crc, data, count);
}

crc_engine crc_fastest_engine()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return crc_engine::table;
    }
    const unsigned needed = bit_PCLMUL | bit_SSSE3 | bit_SSE4_1;
    return (ecx & needed) == needed ? crc_engine::fold : crc_engine::table;
}

const char* crc_engine_name(crc_engine engine)
{
    return engine == crc_engine::fold ? (ACCUMULATORS == 8 ? "carry-less multiply (PCLMULQDQ), 8 accumulators"
                                                           : "carry-less multiply (PCLMULQDQ), 4 accumulators")
                                      : "table";
}

#else

// No fold here: the table serves.
crc_state crc_fold(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_update(model, crc, data, count);
}

crc_engine crc_fastest_engine() { return crc_engine::table; }

const char* crc_engine_name(crc_engine) { return "table"; }

#endif
