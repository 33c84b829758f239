// The search for the models that give some samples' checksums, for one
// polynomial and input order (crc_search.hpp). In the normal order, with
// s0 the initial value, X = x^(8L) mod P for a sample of L bytes and z the
// state its bytes leave from zero, the state it leaves is s0 * X + z. Its
// checksum is that state, reflected where refout is set, plus the final
// XOR; so with G that reflection or none, and b = G(xorout),
//     G(checksum) + z = s0 * X + b.
// Subtracting the first sample's equation from each other's leaves
// s0 * (X_i + X_0) = y_i + y_0, with y = G(checksum) + z: sixteen linear
// equations in s0 for each further sample, the same coefficients for every
// refout and byte order, only their right-hand sides apart. b then follows
// from the first sample. s0 is the initial value as the parameters give it,
// whichever the input order.
//
// Two solutions give the same checksum for every input of every length
// when their difference d has d * x^(8L) = d for every L, that is
// d * (x^8 + 1) = 0 mod P: such d exist where (x + 1) divides P, and
// they are a subspace of the solutions' differences, counted out of
// `models`.
#include <algorithm>
#include <string_view>

#include "crc_engine.hpp"
#include "crc_search.hpp"
#include "linear.hpp"
#include "model.hpp"

namespace {

// The longest sample whose shift is worked out a byte at a time.
constexpr std::size_t SHORT_SHIFT = 256;

// The normal order's state for a state kept in `refin`'s.
crc_state normal_state(bool refin, crc_state crc) { return refin ? crc_reflect(crc) : crc; }

// How many independent differences between solutions make no difference on
// any input: the unknowns the equations d * (x^8 + 1) = 0 leave free.
unsigned equivalent_dimension(crc_state poly)
{
    crc_system system;
    crc_system_add_product(system, poly, 0x0101, nullptr, 0);
    return 16 - crc_system_rank(system);
}

// The model that reads the samples from zero: its table always; what the
// table's lanes join blocks by, where a sample has a whole block; the
// folds' constants only where the samples are long enough for the fold to
// earn back the time they take to make.
crc_model reader_of(std::span<const crc_sample> samples, crc_state poly, bool refin)
{
    const crc_parameters p{poly, 0, refin, refin, 0};
    crc_model model{nullptr, "", p, 0, 0, crc_make_table(poly, refin), 0, {}};
    std::size_t longest = 0;
    for (const crc_sample& sample : samples) {
        longest = std::max(longest, sample.length);
    }
    if (longest >= CRC_BLOCK_SIZE) {
        model.block_join = refin ? crc_shift_factor<true>(model.table.data(), CRC_LANE_LENGTH)
                                 : crc_shift_factor<false>(model.table.data(), CRC_LANE_LENGTH);
    }
    if (crc_search_engine(samples) != crc_engine::table) {
        model.fold = crc_make_fold_constants(poly, refin, model.table.data());
    }
    return model;
}

// x^(8 * length) mod P in the normal order: for a short sample, one
// carried through its length in zero bytes, which costs what reading it
// does; for a longer one, by square-and-multiply.
crc_state shift_of(const crc_model& model, std::size_t length)
{
    const bool refin = model.parameters.refin;
    if (length > SHORT_SHIFT) {
        return crc_xpow(model.parameters.poly, 8 * std::uint64_t{length});
    }
    const crc_state one = crc_one(refin);
    const crc_state after = crc_shift(model.table.data(), refin ? one : crc_swap(one), length);
    return normal_state(refin, refin ? after : crc_swap(after));
}

} // namespace

crc_engine crc_search_engine(std::span<const crc_sample> samples)
{
    std::uint64_t total = 0;
    for (const crc_sample& sample : samples) {
        total += sample.length;
    }
    return total >= CRC_SEARCH_FOLD_MINIMUM ? crc_engine_in_use() : crc_engine::table;
}

std::size_t crc_search_poly(std::span<const crc_sample> samples, crc_state poly, bool refin,
                            crc_search_fit (&fits)[CRC_SEARCH_FITS])
{
    if (samples.size() < 2 || (poly & 1U) == 0) {
        return 0;
    }
    const crc_model model = reader_of(samples, poly, refin);
    // Each system s: refout = s / 2, its checksums swapped where s is odd.
    constexpr unsigned SYSTEMS = 4;
    auto side = [](const crc_sample& sample, crc_state zero_state, unsigned s) {
        const crc_state checksum = (s & 1U) != 0 ? crc_swap(sample.checksum) : sample.checksum;
        return static_cast<crc_state>(((s & 2U) != 0 ? crc_reflect(checksum) : checksum) ^ zero_state);
    };
    const crc_sample& first = samples[0];
    const crc_state first_zero = normal_state(refin, crc_update(model, CRC_ZERO, first.data, first.length));
    const crc_state first_shift = shift_of(model, first.length);
    crc_state first_sides[SYSTEMS] = {};
    for (unsigned s = 0; s < SYSTEMS; ++s) {
        first_sides[s] = side(first, first_zero, s);
    }
    crc_system system;
    for (const crc_sample& sample : samples.subspan(1)) {
        const crc_state zero = normal_state(refin, crc_update(model, CRC_ZERO, sample.data, sample.length));
        const auto factor = static_cast<crc_state>(shift_of(model, sample.length) ^ first_shift);
        crc_state sides[SYSTEMS] = {};
        for (unsigned s = 0; s < SYSTEMS; ++s) {
            sides[s] = static_cast<crc_state>(side(sample, zero, s) ^ first_sides[s]);
        }
        crc_system_add_product(system, poly, factor, sides, SYSTEMS);
        if (system.conflicts == (1U << SYSTEMS) - 1) {
            return 0;
        }
    }
    const unsigned free_unknowns = 16 - crc_system_rank(system);
    const unsigned equivalent = equivalent_dimension(poly);
    std::size_t found = 0;
    for (unsigned s = 0; s < SYSTEMS; ++s) {
        if ((system.conflicts >> s & 1U) != 0) {
            continue;
        }
        const bool refout = (s & 2U) != 0;
        const crc_state init = crc_system_least(system, s);
        const auto b = static_cast<crc_state>(first_sides[s] ^ crc_mulmod_normal(poly, init, first_shift));
        fits[found++] = {{poly, init, refin, refout, refout ? crc_reflect(b) : b},
                         (s & 1U) != 0,
                         std::uint32_t{1} << (free_unknowns - equivalent)};
    }
    return found;
}
