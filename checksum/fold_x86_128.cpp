// The carry-less fold on x86: CRC-16 of any model, 16 bytes at a time, by
// the processor's carry-less multiply (PCLMULQDQ), with SSSE3's and SSE4.1's
// shuffles. Only this file holds those instructions, each function marked
// for them, so that the rest of the program stays built for the baseline
// processor; crc_engine_runs asks the processor whether it has them (and
// whether it has what fold_x86_256.cpp and fold_x86_512.cpp need), and
// crc16sum asks once.
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
#include "crc_engine.hpp"
#include "model.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>

#include "fold_x86.hpp"

using namespace fold_x86;

namespace {

template <bool REFLECTED> FOLD_TARGET __m128i load_blocks(const unsigned char* at) { return load_block<REFLECTED>(at); }
FOLD_TARGET __m128i across_blocks(const crc_fold_constants& constants, std::size_t blocks)
{
    return load(constants.across[blocks - 1]);
}

} // namespace

#define FOLD_DRIVER_TARGET FOLD_TARGET
#include "fold_driver.hpp"

namespace {

template <bool REFLECTED>
FOLD_TARGET crc_state fold_blocks(const crc_model& model, crc_state crc, const unsigned char*& data, std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    const __m128i first = _mm_xor_si128(load_block<REFLECTED>(data), state_block<REFLECTED>(crc));
    return fold_rest<REFLECTED>(constants, fold_side_by_side<REFLECTED, ACCUMULATORS, 1>(constants, first, data, count),
                                data, count);
}

} // namespace

FOLD_ENTRY crc_state crc_fold_128(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count >= BLOCK) {
        crc = model.parameters.refin ? fold_blocks<true>(model, crc, data, count)
                                     : fold_blocks<false>(model, crc, data, count);
    }
    return crc_table_update(model, crc, data, count);
}

bool crc_engine_runs(crc_engine engine)
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (engine == crc_engine::table) {
        return true;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const unsigned fold = bit_PCLMUL | bit_SSSE3 | bit_SSE4_1;
    if ((ecx & fold) != fold) {
        return false;
    }
    if (engine == crc_engine::fold_128) {
        return true;
    }
    // The wide fold: AVX2 and VPCLMULQDQ, and a system that saves the
    // 256-bit registers (XGETBV says so where OSXSAVE is set). The widest:
    // AVX-512F and BW as well, and a system that saves the mask registers
    // and all 512 bits of all 32 vector registers.
    if ((ecx & (bit_OSXSAVE | bit_AVX)) != (bit_OSXSAVE | bit_AVX)) {
        return false;
    }
    unsigned saved = 0, saved_high = 0;
    __asm__("xgetbv" : "=a"(saved), "=d"(saved_high) : "c"(0));
    if ((saved & 0x06U) != 0x06U || __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    if ((ebx & bit_AVX2) == 0 || (ecx & bit_VPCLMULQDQ) == 0) {
        return false;
    }
    if (engine == crc_engine::fold_256) {
        return true;
    }
    const unsigned avx512 = bit_AVX512F | bit_AVX512BW;
    return (saved & 0xE6U) == 0xE6U && (ebx & avx512) == avx512;
}

const char* crc_engine_name(crc_engine engine)
{
    if (engine == crc_engine::fold_512) {
        return "carry-less multiply (VPCLMULQDQ, 512 bits), 4 accumulators";
    }
    if (engine == crc_engine::fold_256) {
        return ACCUMULATORS == 8 ? "carry-less multiply (VPCLMULQDQ, 256 bits), 8 accumulators"
                                 : "carry-less multiply (VPCLMULQDQ, 256 bits), 4 accumulators";
    }
    return engine == crc_engine::fold_128 ? (ACCUMULATORS == 8 ? "carry-less multiply (PCLMULQDQ), 8 accumulators"
                                                               : "carry-less multiply (PCLMULQDQ), 4 accumulators")
                                          : "table";
}

#endif
