#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <bit>
#include <random>
#include <string_view>
#include <vector>

#include "crc16.hpp"
#include "crc_engine.hpp"
#include "crc_model.hpp"
#include "crc_parameters.hpp"
#include "crc_search.hpp"
#include "linear.hpp"
#include "model.hpp"

namespace {

// CRC-16/ARC's arithmetic, reflected, through its table.
crc_state arc_mulmod(crc_state a, crc_state b) { return crc_mulmod<true>(crc_table.data(), a, b); }
crc_state arc_shift_factor(std::uint64_t count) { return crc_shift_factor<true>(crc_table.data(), count); }
crc_state arc_shift(crc_state crc, std::size_t count) { return crc_shift(crc_table.data(), crc, count); }
crc_state arc_combine(crc_state a, crc_state b, std::uint64_t length_b)
{
    return crc_combine(crc_arc(), a, b, length_b);
}

crc_state crc_of(std::string_view text)
{
    return crc_update(CRC_INIT, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// One bit at a time, straight from the reflected polynomial.
crc_state bitwise_crc(const unsigned char* bytes, std::size_t count, crc_state from = CRC_INIT)
{
    unsigned crc = from;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        }
    }
    return static_cast<crc_state>(crc);
}

std::vector<unsigned char> random_bytes(std::mt19937& random, std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(random());
    }
    return bytes;
}

// Where to split `size` bytes in two: at the edges of a block, at both ends,
// and at 50 random places.
std::vector<std::size_t> split_points(std::mt19937& random, std::size_t size)
{
    std::vector<std::size_t> splits = {0, 1, 4095, 4096, 4097, size};
    for (int i = 0; i < 50; ++i) {
        splits.push_back(random() % (size + 1));
    }
    return splits;
}

TEST(crc_update, known_vectors)
{
    const struct {
        std::string_view input;
        crc_state crc;
    } cases[] = {
        {"", 0x0000},     {"123456789", 0xBB3D}, {"abc", 0x9738},  {"A", 0x30C0},
        {"\x03", 0x0140}, {"\x01", 0xC0C1},      {"\xFF", 0x4040},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crc_of(c.input), c.crc) << "input \"" << c.input << '"';
    }
}

TEST(crc_update, zero_bytes_leave_the_state_at_zero)
{
    for (std::size_t length : {1U, 2U, 255U, 4096U, 65537U}) {
        const std::vector<unsigned char> zeros(length, 0);
        EXPECT_EQ(crc_update(CRC_INIT, zeros.data(), zeros.size()), 0x0000) << length;
    }
}

TEST(crc_update, count_zero_reads_nothing) { EXPECT_EQ(crc_update(0x1234, nullptr, 0), 0x1234); }

TEST(crc_update, any_split_matches_one_call_and_the_bitwise_reference)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        const auto bytes = random_bytes(random, random() % (3 * CRC_BLOCK_SIZE + 2));
        const crc_state whole = crc_update(CRC_INIT, bytes.data(), bytes.size());
        ASSERT_EQ(whole, bitwise_crc(bytes.data(), bytes.size())) << "length " << bytes.size();

        crc_state pieces = CRC_INIT;
        std::size_t at = 0;
        while (at < bytes.size()) {
            // Length-0 pieces are as likely as any other short piece.
            const std::size_t piece =
                std::min<std::size_t>(random() % (round % 2 ? 70 : 2 * CRC_BLOCK_SIZE), bytes.size() - at);
            pieces = crc_update(pieces, bytes.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(pieces, whole) << "length " << bytes.size();
    }
}

// One byte after another, one pass, with no lanes.
crc_state plain_crc(const unsigned char* bytes, std::size_t count, crc_state crc)
{
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<crc_state>((crc >> 8) ^ crc_table[(crc ^ bytes[i]) & 0xFFU]);
    }
    return crc;
}

// Lengths at and next to every lane and block boundary up to three blocks and
// one byte, and to the short lanes' threshold, each at every start alignment
// and carrying a state in; then every remainder after none and after one
// whole block.
TEST(crc_update, lane_and_block_boundaries_match_the_bitwise_reference)
{
    std::mt19937 random(4096);
    const auto bytes = random_bytes(random, 3 * CRC_BLOCK_SIZE + 1 + 8);
    std::vector<std::size_t> lengths;
    for (std::size_t edge = 0; edge <= 3 * CRC_BLOCK_SIZE; edge += CRC_LANE_LENGTH) {
        for (std::size_t length : {edge - 1, edge, edge + 1}) {
            if (length <= 3 * CRC_BLOCK_SIZE + 1) { // edge - 1 wraps at 0
                lengths.push_back(length);
            }
        }
    }
    for (std::size_t edge : {CRC_SHORT_MINIMUM, CRC_BLOCK_SIZE + CRC_SHORT_MINIMUM}) {
        lengths.insert(lengths.end(), {edge - 1, edge, edge + 1, edge + CRC_SHORT_LANES - 1, edge + CRC_SHORT_LANES});
    }
    for (std::size_t remainder = 0; remainder < CRC_BLOCK_SIZE; ++remainder) {
        for (std::size_t length : {remainder, CRC_BLOCK_SIZE + remainder}) {
            ASSERT_EQ(crc_update(0xBB3D, bytes.data() + 1, length), plain_crc(bytes.data() + 1, length, 0xBB3D))
                << "length " << length;
        }
    }
    for (std::size_t length : lengths) {
        for (std::size_t align = 0; align < 8; ++align) {
            for (crc_state from : {CRC_INIT, crc_state{0xBB3D}}) {
                ASSERT_EQ(crc_update(from, bytes.data() + align, length),
                          bitwise_crc(bytes.data() + align, length, from))
                    << "length " << length << ", alignment " << align << ", from " << from;
            }
        }
    }
}

TEST(crc_mulmod, products_checked_by_hand)
{
    const struct {
        crc_state a, b, product;
    } cases[] = {
        {CRC_ONE, 0x1234, 0x1234}, // 1 * b = b
        {0x1234, CRC_ONE, 0x1234}, {0x0000, 0xBEEF, 0x0000},
        {0x4000, 0x0001, 0xA001},                            // x * x^15 = x^16 = x^15 + x^2 + 1 mod P
        {0x0001, 0x4000, 0xA001},  {0x4000, 0x4000, 0x2000}, // x * x = x^2
    };
    for (const auto& c : cases) {
        EXPECT_EQ(arc_mulmod(c.a, c.b), c.product) << c.a << " * " << c.b;
    }
    for (unsigned state : {0x0001U, 0x00FFU, 0x8000U, 0xBB3DU, 0xFFFFU}) {
        const unsigned char zero = 0;
        const auto s = static_cast<crc_state>(state);
        EXPECT_EQ(arc_mulmod(s, CRC_ONE >> 8), crc_update(s, &zero, 1)) << "x^8 is one zero byte, from " << state;
    }
}

// The join constants that crc_update works out as it runs, for every lane
// length it can choose, against the slow, byte-by-byte shift.
TEST(crc_shift_factor, equals_the_byte_by_byte_shift_for_every_lane_length)
{
    std::vector<std::size_t> lane_lengths = {0, 1, CRC_LANE_LENGTH, 65537};
    for (std::size_t length = CRC_SHORT_MINIMUM / CRC_SHORT_LANES; length <= (CRC_BLOCK_SIZE - 1) / CRC_SHORT_LANES;
         ++length) {
        lane_lengths.push_back(length);
    }
    for (std::size_t length : lane_lengths) {
        ASSERT_EQ(arc_shift_factor(length), arc_shift(CRC_ONE, length)) << "lane length " << length;
    }
}

// Ranges folded apart, each from 0, and joined: the same as one pass. Random
// splits, the lengths at the edges of a block, and lengths past 2^32, whose
// zero bytes leave a state of 0 and so are joined from the factor alone.
TEST(crc_combine, joins_ranges_as_one_pass_would_fold_them)
{
    std::mt19937 random(27);
    const auto bytes = random_bytes(random, 3 * CRC_BLOCK_SIZE);
    const auto splits = split_points(random, bytes.size());
    for (std::size_t length_b : splits) {
        const std::size_t length_a = bytes.size() - length_b;
        const crc_state a = crc_update(0xBB3D, bytes.data(), length_a);
        const crc_state b = crc_update(CRC_INIT, bytes.data() + length_a, length_b);
        ASSERT_EQ(arc_combine(a, b, length_b), crc_update(0xBB3D, bytes.data(), bytes.size())) << "B of " << length_b;
    }
    // A, then 2^32 + 4096 zero bytes, then "123456789": the zeros' state is 0.
    // The reference carries A through 2^16 zero bytes one at a time, then
    // through 2^16 times as many by squaring that factor 16 times.
    crc_state factor = arc_shift(CRC_ONE, 65536);
    for (int i = 0; i < 16; ++i) {
        factor = arc_mulmod(factor, factor);
    }
    const std::vector<unsigned char> block(CRC_BLOCK_SIZE, 0);
    const crc_state a = crc_update(CRC_INIT, bytes.data(), 100);
    const crc_state through = crc_update(arc_mulmod(a, factor), block.data(), block.size());
    const crc_state zeros_then_digits = crc_update(CRC_INIT, reinterpret_cast<const unsigned char*>("123456789"), 9);
    EXPECT_EQ(arc_combine(arc_combine(a, CRC_INIT, (std::uint64_t{1} << 32) + CRC_BLOCK_SIZE), zeros_then_digits, 9),
              crc_update(through, reinterpret_cast<const unsigned char*>("123456789"), 9));
}

TEST(crc_shift, equals_feeding_zero_bytes)
{
    const std::vector<unsigned char> zeros(2 * CRC_BLOCK_SIZE + 3, 0);
    for (std::size_t count :
         {std::size_t{0}, std::size_t{1}, std::size_t{2}, CRC_LANE_LENGTH, CRC_BLOCK_SIZE + 1, zeros.size()}) {
        for (unsigned state : {0x0001U, 0x8000U, 0xBB3DU}) {
            const auto s = static_cast<crc_state>(state);
            EXPECT_EQ(arc_shift(s, count), crc_update(s, zeros.data(), count)) << count << " zero bytes from " << state;
        }
    }
}

// Any model, one bit at a time, straight from its parameters as the
// catalogue states them: each byte turned over where the model reflects its
// input, shifted in at the top of a state kept in the normal order, the
// state turned over at the end where the model reflects its output. No
// table, no reflected state: another algorithm than the engine's.
struct reference {
    crc_parameters model;
    unsigned state;
};

reference reference_start(const crc_model& model) { return {crc_parameters_of(model), crc_parameters_of(model).init}; }

void reference_feed(reference& crc, const unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        unsigned byte = bytes[i];
        if (crc.model.refin) {
            byte = crc_reflect(static_cast<crc_state>(byte << 8));
        }
        crc.state ^= byte << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc.state =
                (crc.state & 0x8000U) ? ((crc.state << 1) ^ crc.model.poly) & 0xFFFFU : (crc.state << 1) & 0xFFFFU;
        }
    }
}

crc_state reference_result(const reference& crc)
{
    const auto state = static_cast<crc_state>(crc.state);
    return static_cast<crc_state>((crc.model.refout ? crc_reflect(state) : state) ^ crc.model.xorout);
}

// The engines that run here: the table, and the folds this processor has.
std::vector<crc_engine> engines_here()
{
    std::vector<crc_engine> engines;
    for (const crc_engine engine : CRC_ENGINES) {
        if (crc_engine_runs(engine)) {
            engines.push_back(engine);
        }
    }
    return engines;
}

crc_state engine_crc(crc_engine engine, const crc_model& model, const unsigned char* bytes, std::size_t count)
{
    return crc_finish(model, crc_update_by(engine, model, crc_start(model), bytes, count));
}

const char* name_or_mixed(const crc_model& model)
{
    return crc_name_of(model) != nullptr ? crc_name_of(model) : "a model of mixed order";
}

// A model of no catalogue whose input and output orders differ.
constexpr crc_model MIXED_ORDER = crc_make_model(nullptr, "", {0x1021, 0x1D0F, true, false, 0x00FF});
constexpr crc_model MIXED_ORDER_OTHER_WAY = crc_make_model(nullptr, "", {0x8BB7, 0xB2AA, false, true, 0xFFFF});

TEST(catalogue, every_check_value_through_the_engine_and_the_reference)
{
    const auto digits = reinterpret_cast<const unsigned char*>("123456789");
    ASSERT_GT(crc_catalogue_size(), 0U);
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        const crc_state check = crc_check_of(model);
        for (const crc_engine engine : engines_here()) {
            EXPECT_EQ(engine_crc(engine, model, digits, 9), check)
                << crc_name_of(model) << ", " << crc_engine_name(engine);
        }
        // In pieces, one of them empty.
        crc_state crc = crc_update(model, crc_start(model), digits, 4);
        crc = crc_update(model, crc_update(model, crc, digits + 4, 0), digits + 4, 5);
        EXPECT_EQ(crc_finish(model, crc), check) << crc_name_of(model);
        reference slow = reference_start(model);
        reference_feed(slow, digits, 9);
        EXPECT_EQ(reference_result(slow), check) << crc_name_of(model);
    }
}

// `message` followed by its checksum, as it is sent: the low byte first where
// the model reflects its output, the high byte first otherwise.
std::vector<unsigned char> with_checksum(const crc_model& model, std::vector<unsigned char> message)
{
    reference crc = reference_start(model);
    reference_feed(crc, message.data(), message.size());
    const crc_state checksum = reference_result(crc);
    const auto high = static_cast<unsigned char>(checksum >> 8), low = static_cast<unsigned char>(checksum & 0xFFU);
    message.push_back(crc_parameters_of(model).refout ? low : high);
    message.push_back(crc_parameters_of(model).refout ? high : low);
    return message;
}

// What a message and its checksum leave before the final XOR, as the
// reference and as the engine make it.
crc_state reference_residue(const crc_model& model, const std::vector<unsigned char>& sent)
{
    reference crc = reference_start(model);
    reference_feed(crc, sent.data(), sent.size());
    return static_cast<crc_state>(reference_result(crc) ^ crc_parameters_of(model).xorout);
}

crc_state engine_residue(const crc_model& model, const std::vector<unsigned char>& sent)
{
    return static_cast<crc_state>(engine_crc(crc_engine_in_use(), model, sent.data(), sent.size()) ^
                                  crc_parameters_of(model).xorout);
}

// Every row's residue is what any message followed by its checksum leaves,
// the nine digits or others, long enough for the engine's lanes; and
// crc_residue_of, which the build holds each row to, says the same of models
// whose input and output orders differ, for the nine digits.
TEST(catalogue, every_residue_after_a_message_and_its_checksum)
{
    std::mt19937 random(16);
    std::vector<unsigned char> long_message(3000);
    std::generate(long_message.begin(), long_message.end(), [&] { return static_cast<unsigned char>(random()); });
    const std::vector<std::vector<unsigned char>> messages = {
        {}, {'1', '2', '3', '4', '5', '6', '7', '8', '9'}, {0x00}, {0xFF, 0xFF, 0xFF}, long_message};
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        const crc_state residue = crc_residue_of(model);
        for (const std::vector<unsigned char>& message : messages) {
            const std::vector<unsigned char> sent = with_checksum(model, message);
            EXPECT_EQ(reference_residue(model, sent), residue) << crc_name_of(model) << ", " << message.size();
            EXPECT_EQ(engine_residue(model, sent), residue) << crc_name_of(model) << ", " << message.size();
        }
    }
    for (const crc_model* model : {&MIXED_ORDER, &MIXED_ORDER_OTHER_WAY}) {
        const std::vector<unsigned char> sent = with_checksum(*model, {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
        EXPECT_EQ(crc_residue_of(*model), reference_residue(*model, sent)) << crc_parameters_of(*model).poly;
        EXPECT_EQ(crc_residue_of(*model), engine_residue(*model, sent)) << crc_parameters_of(*model).poly;
    }
}

TEST(catalogue, names_and_aliases_in_any_case_and_nothing_else)
{
    const struct {
        const char* given;
        const char* model; // null: none
    } cases[] = {
        {"CRC-16/ARC", "CRC-16/ARC"},
        {"crc-16/modbus", "CRC-16/MODBUS"},
        {"MODBUS", "CRC-16/MODBUS"},
        {"x-25", "CRC-16/IBM-SDLC"},
        {"CRC-CCITT", "CRC-16/KERMIT"},
        {"crc-16/ccitt-false", "CRC-16/IBM-3740"},
        {"zmodem", "CRC-16/XMODEM"},
        {"CRC-16", "CRC-16/ARC"},
        {"CRC-16/MODBU", nullptr},
        {"MODBUS,", nullptr},
        {"", nullptr},
        {"CRC-16/", nullptr},
        {"CRC-16/ARC ", nullptr},
        {"ARC,CRC-16", nullptr},
    };
    for (const auto& c : cases) {
        const crc_model* found = crc_find_model(c.given);
        if (c.model == nullptr) {
            EXPECT_EQ(found, nullptr) << c.given;
        } else {
            ASSERT_NE(found, nullptr) << c.given;
            EXPECT_STREQ(crc_name_of(*found), c.model) << c.given;
        }
    }
    EXPECT_EQ(&crc_arc(), crc_find_model("CRC-16/ARC"));
    EXPECT_EQ(crc_arc().table, crc_table);
}

// Every length below a block, alone and after one whole block, for a
// reflected model, a normal one (each with an initial value and a final
// XOR) and the two of mixed order, against the reference.
TEST(crc_update_model, every_length_below_a_block_matches_the_reference)
{
    std::mt19937 random(33);
    const auto bytes = random_bytes(random, 2 * CRC_BLOCK_SIZE);
    const crc_model* models[] = {crc_find_model("CRC-16/MODBUS"), crc_find_model("CRC-16/IBM-3740"), &MIXED_ORDER,
                                 &MIXED_ORDER_OTHER_WAY};
    for (const crc_model* model : models) {
        ASSERT_NE(model, nullptr);
        for (std::size_t after : {std::size_t{0}, CRC_BLOCK_SIZE}) {
            reference slow = reference_start(*model);
            reference_feed(slow, bytes.data(), after);
            for (std::size_t length = 0; length < CRC_BLOCK_SIZE; ++length) {
                ASSERT_EQ(engine_crc(crc_engine::table, *model, bytes.data(), after + length), reference_result(slow))
                    << name_or_mixed(*model) << ", " << after << " bytes and " << length;
                reference_feed(slow, bytes.data() + after + length, 1);
            }
        }
    }
}

// Ranges folded apart from CRC_ZERO and joined to the start's state, for
// both orders with an initial value and a final XOR: the same as one pass.
TEST(crc_combine_model, joins_ranges_of_any_model)
{
    std::mt19937 random(34);
    const auto bytes = random_bytes(random, 3 * CRC_BLOCK_SIZE);
    const auto splits = split_points(random, bytes.size());
    for (const char* name : {"CRC-16/MODBUS", "CRC-16/IBM-3740", "CRC-16/USB", "CRC-16/GENIBUS"}) {
        const crc_model& model = *crc_find_model(name);
        const crc_state whole = engine_crc(crc_engine::table, model, bytes.data(), bytes.size());
        for (std::size_t split : splits) {
            const crc_state a = crc_update(model, CRC_ZERO, bytes.data(), split);
            const crc_state b = crc_update(model, CRC_ZERO, bytes.data() + split, bytes.size() - split);
            crc_state joined = crc_combine(model, crc_start(model), a, split);
            joined = crc_combine(model, joined, b, bytes.size() - split);
            ASSERT_EQ(crc_finish(model, joined), whole) << name << ", split at " << split;
        }
        // The factor of a length is the byte-by-byte carry of 1 through as many zero bytes.
        for (std::size_t length : {0U, 1U, 4095U, 4096U, 4097U}) {
            const std::vector<unsigned char> zeros(length, 0);
            const crc_state one = crc_one(crc_parameters_of(model).refin);
            EXPECT_EQ(crc_combine(model, one, CRC_ZERO, length), crc_update(model, one, zeros.data(), zeros.size()))
                << name << ", " << length << " zero bytes";
        }
    }
}

// The folds that run on this processor: the carry-less fold, the wide one
// and the widest. None where the processor has no carry-less multiply.
std::vector<crc_engine> folds_here()
{
    std::vector<crc_engine> folds;
    for (const crc_engine engine : {crc_engine::fold_128, crc_engine::fold_256, crc_engine::fold_512}) {
        if (crc_engine_runs(engine)) {
            folds.push_back(engine);
        }
    }
    return folds;
}

// Each fold against the table, where this processor has it: every length
// to past eight accumulators of 128 bytes and a tail (and four steps of the
// wide fold's and the widest's 256), at every start alignment, from states 0, 0xFFFF and a
// random one, for a reflected and a normal model with an initial value and
// a final XOR and for the two of mixed order; and every model's check value.
TEST(crc_fold, matches_the_table_at_every_length_alignment_and_state)
{
    if (folds_here().empty()) {
        GTEST_SKIP() << "this processor has no carry-less multiply for the fold";
    }
    std::mt19937 random(36);
    const auto bytes = random_bytes(random, 1100 + 16);
    const crc_model* models[] = {crc_find_model("CRC-16/MODBUS"), crc_find_model("CRC-16/IBM-3740"), &MIXED_ORDER,
                                 &MIXED_ORDER_OTHER_WAY};
    const auto random_state = static_cast<crc_state>(random());
    for (const crc_engine engine : folds_here()) {
        for (const crc_model* model : models) {
            ASSERT_TRUE(crc_model_folds(*model));
            for (std::size_t align = 0; align < 16; ++align) {
                for (crc_state from : {crc_state{0}, crc_state{0xFFFF}, random_state}) {
                    for (std::size_t length = 0; length <= 1100; ++length) {
                        ASSERT_EQ(crc_update_by(engine, *model, from, bytes.data() + align, length),
                                  crc_update_by(crc_engine::table, *model, from, bytes.data() + align, length))
                            << crc_engine_name(engine) << ", " << name_or_mixed(*model) << ", length " << length
                            << ", alignment " << align << ", from " << from;
                    }
                }
            }
        }
    }
    const auto digits = reinterpret_cast<const unsigned char*>("123456789"
                                                               "123456789"
                                                               "123456789");
    for (const crc_engine engine : folds_here()) {
        for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
            const crc_model& model = crc_catalogue_model(row);
            EXPECT_EQ(engine_crc(engine, model, digits, 9), crc_check_of(model)) << crc_name_of(model);
            // Past a block, where the fold itself runs, and past a wide group.
            const std::vector<unsigned char> long_input = random_bytes(random, 600);
            for (const std::size_t length : {std::size_t{27}, long_input.size()}) {
                const unsigned char* input = length == 27 ? digits : long_input.data();
                EXPECT_EQ(crc_update_by(engine, model, crc_start(model), input, length),
                          crc_update_by(crc_engine::table, model, crc_start(model), input, length))
                    << crc_engine_name(engine) << ", " << crc_name_of(model) << ", " << length << " bytes";
            }
        }
    }
}

// The fold never reads past the caller's last byte: the bytes end where a
// page nobody may read begins, so that a read past them ends the test.
TEST(crc_fold, reads_nothing_past_the_last_byte)
{
#ifdef _WIN32
    GTEST_SKIP() << "the guard page is made with mmap and mprotect";
#else
    if (folds_here().empty()) {
        GTEST_SKIP() << "this processor has no carry-less multiply for the fold";
    }
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    auto* end = static_cast<unsigned char*>(pages) + page;
    ASSERT_EQ(mprotect(end, page, PROT_NONE), 0);
    std::mt19937 random(37);
    for (unsigned char* at = end - page; at < end; ++at) {
        *at = static_cast<unsigned char>(random());
    }
    for (const crc_engine engine : folds_here()) {
        for (const char* name : {"CRC-16/MODBUS", "CRC-16/IBM-3740"}) {
            const crc_model& model = *crc_find_model(name);
            for (std::size_t length = 0; length <= 600; ++length) {
                ASSERT_EQ(crc_update_by(engine, model, 0x1234, end - length, length),
                          crc_update_by(crc_engine::table, model, 0x1234, end - length, length))
                    << crc_engine_name(engine) << ", " << name << ", " << length << " bytes";
            }
        }
    }
    munmap(pages, 2 * page);
#endif
}

} // namespace

namespace {

// The engine is chosen once: the widest fold that runs here, or the table
// where the environment asks for it.
TEST(crc_engine, in_use_is_the_widest_that_runs_unless_the_table_is_asked)
{
    crc_engine widest = crc_engine::table;
    for (const crc_engine engine : engines_here()) {
        widest = engine;
    }
    EXPECT_EQ(crc_engine_in_use(), crc_engine_forced() ? crc_engine::table : widest);
    EXPECT_TRUE(crc_engine_runs(crc_engine_in_use()));
}

// A model of one's own, made and freed: the same checksums as the reference,
// through whichever engine is in use, and the residue that its checksum
// stored after any input leaves, as the catalogue's rows have theirs.
TEST(crc_new_model, computes_by_its_parameters_and_leaves_its_residue)
{
    std::mt19937 random(42);
    const crc_parameters cases[] = {
        {0x1021, 0x1234, false, false, 0x0000}, {0x8005, 0xFFFF, true, true, 0xFFFF},
        {0x3D65, 0x0000, false, false, 0xFFFF}, {0x0589, 0x0000, false, false, 0x0001},
        {0x1021, 0x1D0F, true, false, 0x00FF},
    };
    for (const crc_parameters& parameters : cases) {
        crc_model* model = crc_new_model(parameters);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(crc_name_of(*model), nullptr);
        EXPECT_TRUE(crc_parameters_of(*model) == parameters);
        const auto bytes = random_bytes(random, 300);
        reference slow = reference_start(*model);
        reference_feed(slow, bytes.data(), bytes.size());
        const crc_state crc = engine_crc(crc_engine_in_use(), *model, bytes.data(), bytes.size());
        EXPECT_EQ(crc, reference_result(slow));
        if (parameters.refin == parameters.refout) {
            std::vector<unsigned char> stored = bytes;
            const auto low = static_cast<unsigned char>(crc & 0xFF), high = static_cast<unsigned char>(crc >> 8);
            stored.push_back(parameters.refout ? low : high);
            stored.push_back(parameters.refout ? high : low);
            const crc_state after = crc_update(*model, crc_start(*model), stored.data(), stored.size());
            EXPECT_EQ(crc_finish(*model, after) ^ parameters.xorout, crc_residue_of(*model))
                << std::hex << parameters.poly << " " << parameters.xorout;
        }
        crc_free_model(model);
    }
}

// The parameter form: what reads, and each fault with the item it names.
TEST(crc_read_parameters, reads_the_form_and_names_each_fault)
{
    const std::string_view xmodem = "width=16 poly=0x1021 init=0x0000 refin=false refout=false xorout=0x0000";
    const struct {
        std::string_view text;
        crc_parameter_fault fault;
        std::string_view item;
    } cases[] = {
        {xmodem, crc_parameter_fault::none, ""},
        {"refout=false\trefin=false  poly=0X1021", crc_parameter_fault::none, ""},
        {"poly=0x1021 refin=false refout=false check=0x31c3 residue=0x0000 name=\"A NAME\"", crc_parameter_fault::none,
         ""},
        {"poly=0x1021 refin=false refout=false check=0x31C4", crc_parameter_fault::check_mismatch, "check=0x31C4"},
        {"poly=0x1021 refin=false", crc_parameter_fault::missing_key, "refout"},
        {"refin=true refout=true", crc_parameter_fault::missing_key, "poly"},
        {"poly=0x1021 refin=false refout=false poly=0x1021", crc_parameter_fault::repeated_key, "poly=0x1021"},
        {"poly=0x1021 refin=maybe refout=false", crc_parameter_fault::invalid_value, "refin=maybe"},
        {"poly=0x10210 refin=false refout=false", crc_parameter_fault::invalid_value, "poly=0x10210"},
        {"poly=1021 refin=false refout=false", crc_parameter_fault::invalid_value, "poly=1021"},
        {"poly=0x refin=false refout=false", crc_parameter_fault::invalid_value, "poly=0x"},
        {"poly=0x102g refin=false refout=false", crc_parameter_fault::invalid_value, "poly=0x102g"},
        {"width=32 poly=0x1021 refin=false refout=false", crc_parameter_fault::invalid_width, "width=32"},
        {"poly=0x1021 refin=false refout=false colour=red", crc_parameter_fault::unknown_key, "colour=red"},
        {"poly=0x1021 refin=false refout=false alone", crc_parameter_fault::unknown_key, "alone"},
        {"poly=0x1021 refin=false refout=false name=", crc_parameter_fault::invalid_value, "name="},
    };
    for (const auto& c : cases) {
        const crc_parameter_reading read = crc_read_parameters(c.text);
        EXPECT_EQ(read.fault, c.fault) << c.text;
        EXPECT_EQ(read.item, c.item) << c.text;
        if (c.fault == crc_parameter_fault::none) {
            EXPECT_EQ(crc_catalogued_model(read.parameters), crc_find_model("CRC-16/XMODEM")) << c.text;
        }
    }
    EXPECT_EQ(crc_read_parameters("poly=0x1021 refin=false refout=false check=0x31C4").made, 0x31C3);
    EXPECT_EQ(crc_catalogued_model(crc_read_parameters("poly=0x1021 init=0x1234 refin=false refout=false").parameters),
              nullptr);
}

// Every catalogued model written in the form and read back is itself.
TEST(crc_format_parameters, every_model_reads_back_as_itself)
{
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        char form[CRC_PARAMETER_FORM_SIZE];
        const std::size_t length = crc_format_parameters(model, form);
        ASSERT_EQ(length, std::string_view(form).size());
        const crc_parameter_reading read = crc_read_parameters(form);
        ASSERT_EQ(read.fault, crc_parameter_fault::none) << form;
        EXPECT_EQ(crc_catalogued_model(read.parameters), &model) << form;
        EXPECT_NE(std::string_view(form).find(" name=\"" + std::string(crc_name_of(model)) + "\""),
                  std::string_view::npos);
    }
    char form[CRC_PARAMETER_FORM_SIZE];
    crc_model* own = crc_new_model({0x1021, 0x1234, false, false, 0x0000});
    ASSERT_NE(own, nullptr);
    crc_format_parameters(*own, form);
    EXPECT_STREQ(form,
                 "width=16 poly=0x1021 init=0x1234 refin=false refout=false xorout=0x0000 check=0xEDEB "
                 "residue=0x0000");
    crc_free_model(own);
}

} // namespace

namespace {

// The stored order: low byte first where the output is reflected; and the
// bytes stored so read back as the checksum, in either order.
TEST(crc_stored_low_first, by_the_output_order_of_each_model)
{
    const struct {
        const char* name;
        bool low_first;
    } cases[] = {
        {"CRC-16/MODBUS", true},  {"CRC-16/KERMIT", true},    {"X-25", true},         {"CRC-16/ARC", true},
        {"CRC-16/XMODEM", false}, {"CRC-16/IBM-3740", false}, {"CRC-16/UMTS", false},
    };
    for (const auto& c : cases) {
        const crc_model* model = crc_find_model(c.name);
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_EQ(crc_stored_low_first(*model), c.low_first) << c.name;
    }
    for (const bool low_first : {true, false}) {
        unsigned char bytes[2] = {};
        crc_store(0x4B37, low_first, bytes);
        EXPECT_EQ(bytes[0], low_first ? 0x37 : 0x4B);
        EXPECT_EQ(bytes[1], low_first ? 0x4B : 0x37);
        EXPECT_EQ(crc_stored(bytes, low_first), 0x4B37);
    }
}

} // namespace

namespace {

// Systems of equations over GF(2): each row's coefficients and its
// right-hand sides, what they leave free, and the least solution of each.
TEST(crc_system, solves_reduces_and_finds_each_least_solution)
{
    const struct {
        std::vector<std::uint32_t> rows;
        unsigned rank;
        std::uint32_t conflicts;
        crc_state least; // of system 0
    } cases[] = {
        // x0 = 1, x15 = 1: the rest free, at 0.
        {{0x1'0001, 0x1'8000}, 2, 0, 0x8001},
        // x0 + x1 = 1: 0b01 or 0b10, the least 1.
        {{0x1'0003}, 1, 0, 0x0001},
        // x14 + x15 = 1: the least sets x14, not x15.
        {{0x1'C000}, 1, 0, 0x4000},
        // The same row twice, and the sum of two others: x0 = x2, x1 = x2 + 1, the least 0b010.
        {{0x1'0003, 0x1'0003, 0x0'0005, 0x1'0006}, 2, 0, 0x0002},
        // x0 = 0 and x0 = 1: system 0 has no solution; system 1 (x0 = 1 twice) has.
        {{0x2'0001, 0x3'0001}, 1, 0x1, 0x0000},
        // Every unknown its own: x = 0xA5C3.
        {[] {
             std::vector<std::uint32_t> unit;
             for (unsigned j = 0; j < 16; ++j) {
                 unit.push_back((1U << j) | (((0xA5C3U >> j) & 1U) << 16));
             }
             return unit;
         }(),
         16, 0, 0xA5C3},
        // No equations: all free.
        {{}, 0, 0, 0x0000},
    };
    for (const auto& c : cases) {
        crc_system system;
        for (const std::uint32_t row : c.rows) {
            crc_system_add(system, row);
        }
        EXPECT_EQ(crc_system_rank(system), c.rank) << c.rows.size();
        EXPECT_EQ(system.conflicts, c.conflicts) << c.rows.size();
        if ((c.conflicts & 1U) == 0) {
            const crc_state least = crc_system_least(system, 0);
            EXPECT_EQ(least, c.least) << c.rows.size();
            // It solves every row.
            for (const std::uint32_t row : c.rows) {
                EXPECT_EQ(static_cast<unsigned>(std::popcount(row & least & 0xFFFFU)) % 2U, (row >> 16) & 1U)
                    << std::hex << row;
            }
        }
    }
    crc_system second;
    crc_system_add(second, 0x2'0001);
    crc_system_add(second, 0x3'0001);
    EXPECT_EQ(crc_system_least(second, 1), 0x0001);
}

// a * factor = product, taken as its sixteen equations, is solved by a.
TEST(crc_system, a_product_equation_is_solved_by_its_factor)
{
    std::mt19937 random(7);
    for (const crc_state poly : {crc_state{0x8BB7}, crc_state{0x1021}, crc_state{0x8005}, crc_state{0x3D65}}) {
        for (int round = 0; round < 20; ++round) {
            const auto a = static_cast<crc_state>(random()), factor = static_cast<crc_state>(random() | 1U);
            const crc_state product = crc_mulmod_normal(poly, a, factor);
            crc_system system;
            crc_system_add_product(system, poly, factor, &product, 1);
            EXPECT_EQ(system.conflicts, 0U);
            const crc_state least = crc_system_least(system, 0);
            EXPECT_EQ(crc_mulmod_normal(poly, least, factor), product) << std::hex << poly << " " << factor;
        }
    }
}

// The models of one polynomial and order that give every sample's checksum,
// the slow way: every initial value, the final XOR that the first sample
// then needs, each sample read from that initial value byte by byte. Each
// fit's smallest initial value, and how many fit once pairs that agree on
// every input (on the empty one and on one byte: then on all) count once.
struct brute_fit {
    bool found = false;
    crc_state init = 0, xorout = 0;
    std::uint32_t models = 0;
};
brute_fit brute_force(const std::vector<std::vector<unsigned char>>& samples, const std::vector<crc_state>& checksums,
                      const crc_parameters& order)
{
    crc_parameters p = order;
    p.init = 0;
    p.xorout = 0;
    const crc_model model = crc_make_model(nullptr, "", p);
    auto value = [&](crc_state init, const unsigned char* data, std::size_t length) {
        p.init = init;
        const crc_state state = crc_update_by(crc_engine::table, model, crc_start_of(p), data, length);
        return crc_finish(model, state);
    };
    brute_fit fit;
    std::vector<std::uint32_t> classes;
    const unsigned char zero = 0;
    for (unsigned init = 0; init < 0x10000; ++init) {
        const auto xorout = static_cast<crc_state>(
            checksums[0] ^ value(static_cast<crc_state>(init), samples[0].data(), samples[0].size()));
        bool all = true;
        for (std::size_t i = 1; all && i < samples.size(); ++i) {
            all = (value(static_cast<crc_state>(init), samples[i].data(), samples[i].size()) ^ xorout) == checksums[i];
        }
        if (!all) {
            continue;
        }
        if (!fit.found) {
            fit = {true, static_cast<crc_state>(init), xorout, 0};
        }
        const std::uint32_t empty = value(static_cast<crc_state>(init), nullptr, 0) ^ xorout;
        const std::uint32_t one = value(static_cast<crc_state>(init), &zero, 1) ^ xorout;
        classes.push_back(empty << 16 | one);
    }
    std::sort(classes.begin(), classes.end());
    fit.models = static_cast<std::uint32_t>(std::unique(classes.begin(), classes.end()) - classes.begin());
    return fit;
}

// Samples of mixed lengths made by models of one's own, the search held to
// the brute force over every initial value, in every order, for
// polynomials with and without the factor x + 1; the model that made them
// among the fits wherever its pair is the least that fits.
TEST(crc_search_poly, agrees_with_trying_every_initial_value)
{
    std::mt19937 random(44);
    const crc_parameters made_by[] = {
        {0x8BB7, 0x1234, false, false, 0x0F0F}, {0x8BB7, 0x8001, true, true, 0x0000},
        {0x2F15, 0xBEEF, true, false, 0x5555},  {0x2F15, 0x0003, false, true, 0xFFFF},
        {0x1021, 0xF01F, false, false, 0xF01F}, // XMODEM's equal: (x + 1) divides it
        {0x8005, 0x7777, true, true, 0x1111},   // (x + 1) divides it once
        {0x402D, 0x0B0B, false, true, 0x1234},  // (x + 1)^2 divides it
    };
    for (const std::vector<std::size_t>& lengths :
         {std::vector<std::size_t>{3, 17, 40, 8}, std::vector<std::size_t>{9, 9, 9}, std::vector<std::size_t>{5, 30}}) {
        for (const crc_parameters& p : made_by) {
            crc_model* model = crc_new_model(p);
            ASSERT_NE(model, nullptr);
            std::vector<std::vector<unsigned char>> bytes;
            std::vector<crc_state> checksums;
            std::vector<crc_sample> samples;
            for (const std::size_t length : lengths) {
                bytes.push_back(random_bytes(random, length));
                checksums.push_back(
                    crc_finish(*model, crc_update(*model, crc_start(*model), bytes.back().data(), length)));
            }
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                samples.push_back({bytes[i].data(), bytes[i].size(), checksums[i]});
            }
            crc_search_fit fits[CRC_SEARCH_FITS] = {};
            const std::size_t found = crc_search_poly(samples, p.poly, p.refin, fits);
            const crc_search_fit* fit = nullptr;
            for (std::size_t k = 0; k < found; ++k) {
                if (fits[k].parameters.refout == p.refout && !fits[k].swapped) {
                    fit = &fits[k];
                }
            }
            const brute_fit slow = brute_force(bytes, checksums, p);
            ASSERT_TRUE(slow.found);
            ASSERT_NE(fit, nullptr) << std::hex << p.poly << " " << lengths.size();
            EXPECT_EQ(fit->parameters.init, slow.init) << std::hex << p.poly << " " << lengths.size();
            EXPECT_EQ(fit->parameters.xorout, slow.xorout) << std::hex << p.poly << " " << lengths.size();
            EXPECT_EQ(fit->models, slow.models) << std::hex << p.poly << " " << lengths.size();
            crc_free_model(model);
        }
    }
}

// Where the lengths differ, a polynomial without the factor x + 1 has the
// one model that made the samples; the checksums swapped, it is found as
// swapped; random checksums fit no model of it. Long samples take other
// paths: the shift by square-and-multiply past 256 bytes, the table's
// lanes joined past a block, the fold past 64 KiB in all.
TEST(crc_search_poly, finds_the_maker_as_written_or_swapped_and_nothing_from_noise)
{
    std::mt19937 random(45);
    for (const std::vector<std::size_t>& lengths :
         {std::vector<std::size_t>{4, 11, 64, 25}, std::vector<std::size_t>{1, 300, 5000, 9000},
          std::vector<std::size_t>{1, 300, 5000, 70000}}) {
        std::vector<std::vector<unsigned char>> bytes;
        bytes.reserve(lengths.size());
        for (const std::size_t length : lengths) {
            bytes.push_back(random_bytes(random, length));
        }
        for (const crc_parameters& p :
             {crc_parameters{0x8BB7, 0x1234, true, false, 0x0F0F}, crc_parameters{0x8BB7, 0x1234, false, false, 0x0F0F},
              crc_parameters{0x2F15, 0xBEEF, true, false, 0x5555}}) {
            crc_model* model = crc_new_model(p);
            ASSERT_NE(model, nullptr);
            for (const bool swapped : {false, true}) {
                std::vector<crc_sample> samples;
                samples.reserve(bytes.size());
                for (const auto& b : bytes) {
                    const crc_state crc = crc_finish(*model, crc_update(*model, crc_start(*model), b.data(), b.size()));
                    samples.push_back({b.data(), b.size(), swapped ? crc_swap(crc) : crc});
                }
                crc_search_fit fits[CRC_SEARCH_FITS] = {};
                ASSERT_EQ(crc_search_poly(samples, p.poly, p.refin, fits), 1U)
                    << std::hex << p.poly << " " << lengths[3];
                EXPECT_TRUE(fits[0].parameters == p) << std::hex << p.poly << " " << lengths[3];
                EXPECT_EQ(fits[0].swapped, swapped);
                EXPECT_EQ(fits[0].models, 1U);
                for (crc_sample& sample : samples) {
                    sample.checksum = static_cast<crc_state>(random());
                }
                EXPECT_EQ(crc_search_poly(samples, p.poly, p.refin, fits), 0U);
                EXPECT_EQ(crc_search_poly(std::span(samples).first(1), p.poly, p.refin, fits), 0U);
            }
            crc_free_model(model);
        }
    }
}

} // namespace
