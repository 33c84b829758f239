// The carry-less fold on arm64: the fold of fold_x86_128.cpp, with the crypto
// extension's 64x64 carry-less multiply (PMULL) in place of PCLMULQDQ, the
// same constants and the same layout: 16-byte blocks read as they lie for a
// reflected model, their bytes reversed for a normal one, eight
// accumulators side by side, then two folds down and a Barrett reduction.
// Only this file holds those instructions, each function marked for them,
// so that the programs stay built for the baseline (armv8-a) and a board
// without the extension runs the table; crc_engine_runs asks the system
// (getauxval's HWCAP_PMULL) whether it has it.
#include "crc_engine.hpp"
#include "model.hpp"

#if defined(__aarch64__)

#include <arm_neon.h>
#include <asm/hwcap.h>
#include <sys/auxv.h>

#define PMULL_ENTRY __attribute__((target("+crypto")))
#define PMULL_TARGET __attribute__((target("+crypto"), always_inline)) inline

namespace {

constexpr std::size_t ACCUMULATORS = 8;
constexpr std::size_t BLOCK = 16;

PMULL_TARGET uint8x16_t load(const void* at) { return vld1q_u8(static_cast<const std::uint8_t*>(at)); }

PMULL_TARGET uint8x16_t reversed_bytes(uint8x16_t value)
{
    static constexpr std::uint8_t ORDER[16] = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    return vqtbl1q_u8(value, vld1q_u8(ORDER));
}

// A block of 16 bytes as its polynomial: reversed for a normal model; one
// block to a vector.
template <bool REFLECTED> PMULL_TARGET uint8x16_t load_blocks(const unsigned char* at)
{
    if constexpr (REFLECTED) {
        return load(at);
    } else {
        return reversed_bytes(load(at));
    }
}

// The carry-less product of lane `a_lane` of `a` and lane `b_lane` of `b`.
PMULL_TARGET uint8x16_t multiply(uint8x16_t a, int a_lane, uint8x16_t b, int b_lane)
{
    const uint64x2_t a64 = vreinterpretq_u64_u8(a), b64 = vreinterpretq_u64_u8(b);
    const poly64_t x = a_lane == 0 ? vgetq_lane_u64(a64, 0) : vgetq_lane_u64(a64, 1);
    const poly64_t y = b_lane == 0 ? vgetq_lane_u64(b64, 0) : vgetq_lane_u64(b64, 1);
    return vreinterpretq_u8_p128(vmull_p64(x, y));
}

// `acc` carried across the blocks `constants` are for, added to `next`.
PMULL_TARGET uint8x16_t fold_across(uint8x16_t acc, uint8x16_t constants, uint8x16_t next)
{
    const uint8x16_t low = multiply(acc, 0, constants, 0);
    const uint8x16_t high =
        vreinterpretq_u8_p128(vmull_high_p64(vreinterpretq_p64_u8(acc), vreinterpretq_p64_u8(constants)));
    return veorq_u8(veorq_u8(low, high), next);
}

// The value moved down or up by `bytes` bytes, zeros coming in.
template <int BYTES> PMULL_TARGET uint8x16_t down(uint8x16_t value) { return vextq_u8(value, vdupq_n_u8(0), BYTES); }
template <int BYTES> PMULL_TARGET uint8x16_t up(uint8x16_t value) { return vextq_u8(vdupq_n_u8(0), value, 16 - BYTES); }

PMULL_TARGET uint8x16_t low_64(uint8x16_t value)
{
    return vreinterpretq_u8_u64(vcombine_u64(vget_low_u64(vreinterpretq_u64_u8(value)), vcreate_u64(0)));
}

PMULL_TARGET uint8x16_t low_32(uint8x16_t value)
{
    return vreinterpretq_u8_u32(vsetq_lane_u32(vgetq_lane_u32(vreinterpretq_u32_u8(value), 0), vdupq_n_u32(0), 0));
}

// value * x^16 mod P for a polynomial of degree below 128 in the normal
// order, in the low 16 bits of the result: the steps of fold_x86.hpp's.
PMULL_TARGET uint8x16_t reduce(const crc_fold_constants& constants, uint8x16_t value)
{
    const uint8x16_t below = load(constants.down), barrett = load(constants.barrett);
    value = veorq_u8(multiply(value, 1, below, 0), low_64(value));
    value = veorq_u8(multiply(value, 1, below, 0), low_64(value));
    value = veorq_u8(multiply(down<4>(value), 0, below, 1), up<2>(low_32(value)));
    value = veorq_u8(multiply(down<4>(value), 0, barrett, 0), low_32(value));
    const uint8x16_t quotient = down<2>(multiply(down<2>(value), 0, barrett, 1));
    return veorq_u8(value, multiply(quotient, 0, load(constants.p), 0));
}

// All 128 bits in the other order.
PMULL_TARGET uint8x16_t reverse_bits(uint8x16_t value) { return reversed_bytes(vrbitq_u8(value)); }

// The constants that carry a block across `blocks` blocks: one block to a vector.
PMULL_TARGET uint8x16_t across_blocks(const crc_fold_constants& constants, std::size_t blocks)
{
    return load(constants.across[blocks - 1]);
}

} // namespace

#define FOLD_DRIVER_TARGET PMULL_TARGET
#include "fold_driver.hpp"

namespace {

template <bool REFLECTED>
PMULL_TARGET crc_state fold_blocks(const crc_model& model, crc_state crc, const unsigned char*& data,
                                   std::size_t& count)
{
    const crc_fold_constants& constants = model.fold;
    // The incoming state meets the first two bytes: at the bottom of a
    // reflected block, at the top of a normal one.
    const uint8x16_t state = vreinterpretq_u8_u16(vsetq_lane_u16(crc, vdupq_n_u16(0), REFLECTED ? 0 : 7));
    uint8x16_t acc =
        fold_side_by_side<REFLECTED, ACCUMULATORS, 1>(constants, veorq_u8(load_blocks<REFLECTED>(data), state), data,
                                                      count);
    const uint8x16_t across_one = load(constants.across[0]);
    for (; count >= BLOCK; data += BLOCK, count -= BLOCK) {
        acc = fold_across(acc, across_one, load_blocks<REFLECTED>(data));
    }
    if constexpr (REFLECTED) {
        return vgetq_lane_u16(vreinterpretq_u16_u8(reverse_bits(reduce(constants, reverse_bits(acc)))), 7);
    } else {
        return vgetq_lane_u16(vreinterpretq_u16_u8(reduce(constants, acc)), 0);
    }
}

} // namespace

PMULL_ENTRY crc_state crc_fold_128(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    if (count >= BLOCK) {
        crc = model.parameters.refin ? fold_blocks<true>(model, crc, data, count)
                                     : fold_blocks<false>(model, crc, data, count);
    }
    return crc_table_update(model, crc, data, count);
}

// No wider folds here: the fold serves in their place.
crc_state crc_fold_256(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_fold_128(model, crc, data, count);
}

crc_state crc_fold_512(const crc_model& model, crc_state crc, const unsigned char* data, std::size_t count)
{
    return crc_fold_128(model, crc, data, count);
}

bool crc_engine_runs(crc_engine engine)
{
    return engine == crc_engine::table || (engine == crc_engine::fold_128 && (getauxval(AT_HWCAP) & HWCAP_PMULL) != 0);
}

const char* crc_engine_name(crc_engine engine)
{
    return engine == crc_engine::table ? "table" : "carry-less multiply (PMULL), 8 accumulators";
}

#endif
