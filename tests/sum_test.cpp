#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_sums.hpp"
#include "identify.hpp"
#include "jobs.hpp"
#include "options.hpp"
#include "search.hpp"
#include "walk.hpp"

namespace {

const std::string OWN = "poly=0x1021 init=0x1234 refin=false refout=false";

command_line parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "crc16sum");
    return parse_command_line(arguments);
}

// What a command line asks for, in one line: the command, or the options
// set, the model and the operands.
std::string described(const command_line& line)
{
    switch (line.what) {
    case command::help: return "help";
    case command::version: return "version";
    case command::list_models: return "list-models";
    case command::usage_error: return "error: " + line.error;
    case command::run: break;
    }
    const options& opts = line.opts;
    std::string text;
    const std::pair<bool, const char*> flags[] = {
        {opts.check, "check"},       {opts.zero, "zero"},     {opts.quiet, "quiet"},         {opts.status, "status"},
        {opts.warn, "warn"},         {opts.strict, "strict"}, {opts.ignore_missing, "ig"},   {opts.recursive, "rec"},
        {opts.identify, "identify"}, {opts.debug, "debug"},   {opts.tag_given, "tag-given"}, {opts.hex, "hex"},
        {opts.appended, "appended"}, {opts.raw, "raw"},       {opts.search, "search"},
    };
    for (const auto& [set, name] : flags) {
        text += set ? std::string(name) + " " : "";
    }
    text += opts.jobs != 0 ? "jobs=" + std::to_string(opts.jobs) + " " : "";
    text += opts.model != nullptr ? "model=" + std::string(crc_name_of(*opts.model)) + " " : "";
    if (opts.own) {
        char own[32];
        std::snprintf(own, sizeof own, "own=0x%04X/0x%04X ", static_cast<unsigned>(opts.own->poly),
                      static_cast<unsigned>(opts.own->init));
        text += own;
    }
    text += opts.lines == line_style::tagged ? "tagged " : opts.lines == line_style::untagged ? "untagged " : "";
    text += opts.endian == stored_order::low_first ? "little " : opts.endian == stored_order::high_first ? "big " : "";
    text += "[";
    for (std::size_t i = 0; i < line.operands.size(); ++i) {
        text += (i == 0 ? "" : ",") + line.operands[i];
    }
    return text + "]";
}

struct parse_case {
    std::vector<std::string> arguments;
    std::string want;
};

void expect_parses(const std::vector<parse_case>& cases)
{
    for (const parse_case& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += "'" + argument + "' ";
        }
        EXPECT_EQ(described(parse(c.arguments)), c.want) << shown;
    }
}

TEST(parse_command_line, every_option_short_long_abbreviated_and_with_its_value)
{
    expect_parses({
        {{}, "[]"},
        {{"f"}, "[f]"},
        {{"-c", "l"}, "check [l]"},
        {{"--check", "l"}, "check [l]"},
        {{"--ch", "l"}, "check [l]"},
        {{"-z", "f"}, "zero [f]"},
        {{"--zero", "f"}, "zero [f]"},
        {{"--z", "f"}, "zero [f]"},
        {{"-r", "d"}, "rec [d]"},
        {{"--recursive", "d"}, "rec [d]"},
        {{"--rec", "d"}, "rec [d]"},
        {{"-cw", "l"}, "check warn [l]"},
        {{"-c", "--warn", "l"}, "check warn [l]"},
        {{"-c", "--wa", "--quiet", "--q", "--status", "--strict", "--stri", "--ignore-missing", "l"},
         "check quiet status warn strict ig [l]"},
        {{"-c", "--ig", "--stat", "l"}, "check status ig [l]"},
        {{"-j4", "f"}, "jobs=4 [f]"},
        {{"-j", "4", "f"}, "jobs=4 [f]"},
        {{"--jobs=4", "f"}, "jobs=4 [f]"},
        {{"--jobs", "4", "f"}, "jobs=4 [f]"},
        {{"--jo=1024", "f"}, "jobs=1024 [f]"},
        {{"-rj2", "d"}, "rec jobs=2 [d]"},
        {{"-j", "3", "-j", "1"}, "jobs=1 []"},
        {{"-j", "0007"}, "jobs=7 []"},
        {{"-a", "modbus", "f"}, "model=CRC-16/MODBUS [f]"},
        {{"-amodbus", "f"}, "model=CRC-16/MODBUS [f]"},
        {{"--algorithm=Modbus", "f"}, "model=CRC-16/MODBUS [f]"},
        {{"--alg", "x-25", "f"}, "model=CRC-16/IBM-SDLC [f]"},
        {{"-a", "poly=0x8005 init=0xFFFF refin=true refout=true"}, "model=CRC-16/MODBUS []"},
        {{"-a", OWN}, "own=0x1021/0x1234 []"},
        {{"-a", OWN, "-a", "kermit"}, "model=CRC-16/KERMIT []"},
        {{"-a", "kermit", "--algorithm", OWN}, "own=0x1021/0x1234 []"},
        {{"--tag", "f"}, "tag-given tagged [f]"},
        {{"--ta", "f"}, "tag-given tagged [f]"},
        {{"--untagged", "f"}, "untagged [f]"},
        {{"--un", "f"}, "untagged [f]"},
        {{"--tag", "--untagged", "f"}, "tag-given untagged [f]"},
        {{"--untagged", "--tag", "f"}, "tag-given tagged [f]"},
        {{"--tag", "--untagged", "--tag", "--untagged"}, "tag-given untagged []"},
        {{"--identify", "l"}, "identify [l]"},
        {{"--id", "--quiet", "--untagged", "l"}, "quiet identify untagged [l]"},
        {{"--identify", "--se", "l"}, "identify search [l]"},
        {{"--debug", "f"}, "debug [f]"},
        {{"--de", "f"}, "debug [f]"},
    });
}

TEST(parse_command_line, operands_anywhere_and_after_the_double_dash)
{
    expect_parses({
        {{"a", "-c", "b", "--quiet"}, "check quiet [a,b]"},
        {{"-", "-c"}, "check [-]"},
        {{"--", "-c", "--bogus", "-"}, "[-c,--bogus,-]"},
        {{"-c", "l", "--", "--quiet", "--"}, "check [l,--quiet,--]"},
        {{"-j", "-c"}, "error: invalid number of jobs: '-c'"}, // a value, whatever it starts with
        {{"-a", "--", "f"}, "error: invalid argument '--' for '--algorithm'"},
    });
}

TEST(parse_command_line, help_version_and_models_end_the_reading)
{
    expect_parses({
        {{"--help"}, "help"},
        {{"--hel", "f"}, "help"},
        {{"--help", "--bogus"}, "help"},
        {{"-c", "-z", "--help"}, "help"},
        {{"--bogus", "--help"}, "error: unrecognized option '--bogus'"},
        {{"--version", "f"}, "version"},
        {{"--v"}, "version"},
        {{"--list-models"}, "list-models"},
        {{"--l"}, "list-models"},
        {{"--hex", "01 03", ""}, "hex [01 03,]"},
        {{"--appended", "--endian=big", "--quiet", "f"}, "quiet appended big [f]"},
        {{"--app", "--endian", "little", "--status", "--ignore-missing"}, "status ig appended little []"},
        {{"--raw", "--endian=little", "--hex", "01"}, "hex raw little [01]"},
        {{"--identify", "--appended", "--hex", "01 02 03"}, "identify hex appended [01 02 03]"},
    });
}

TEST(parse_command_line, every_usage_error_in_its_words)
{
    expect_parses({
        {{"--bogus", "f"}, "error: unrecognized option '--bogus'"},
        {{"--bogus=1"}, "error: unrecognized option '--bogus=1'"},
        {{"--=1"}, "error: unrecognized option '--=1'"},
        {{"-x", "f"}, "error: invalid option -- 'x'"},
        {{"-cx", "f"}, "error: invalid option -- 'x'"},
        {{"-c-"}, "error: invalid option -- '-'"},
        {{"--check=1", "f"}, "error: option '--check' doesn't allow an argument"},
        {{"--che=", "f"}, "error: option '--check' doesn't allow an argument"},
        {{"f", "-a"}, "error: option '-a' requires an argument"},
        {{"-zj"}, "error: option '-j' requires an argument"},
        {{"--jobs"}, "error: option '--jobs' requires an argument"},
        {{"--al"}, "error: option '--algorithm' requires an argument"},
        {{"--s", "f"}, "error: option '--s' is ambiguous; possibilities: '--search' '--status' '--strict'"},
        {{"--i=1"}, "error: option '--i' is ambiguous; possibilities: '--identify' '--ignore-missing'"},
        {{"--search", "f"}, "error: the --search option is meaningful only with --identify"},
        {{"-j", "0"}, "error: invalid number of jobs: '0'"},
        {{"-j1025"}, "error: invalid number of jobs: '1025'"},
        {{"--jobs=+1"}, "error: invalid number of jobs: '+1'"},
        {{"--jobs= 1"}, "error: invalid number of jobs: ' 1'"},
        {{"--jobs="}, "error: invalid number of jobs: ''"},
        {{"-j", "18446744073709551617"}, "error: invalid number of jobs: '18446744073709551617'"},
        {{"-a", "CRC-16/NOSUCH", "f"}, "error: invalid argument 'CRC-16/NOSUCH' for '--algorithm'"},
        {{"-a", "poly=0x1021 refin=false"}, "error: missing model parameter 'refout'"},
        {{"--quiet", "f"}, "error: the --quiet option is meaningful only when verifying checksums"},
        {{"--status", "f"}, "error: the --status option is meaningful only when verifying checksums"},
        {{"--ignore-missing"}, "error: the --ignore-missing option is meaningful only when verifying checksums"},
        {{"--strict", "-w"}, "error: the --strict option is meaningful only when verifying checksums"},
        {{"-w", "--strict"}, "error: the --warn option is meaningful only when verifying checksums"},
        {{"-c", "-z", "l"}, "error: the --zero option is meaningful only when printing checksums"},
        {{"--quiet", "-z", "-c"}, "error: the --zero option is meaningful only when printing checksums"},
        {{"-c", "-r", "l"}, "error: the --recursive option is meaningful only when printing checksums"},
        {{"-c", "--tag", "l"}, "error: the --tag option is meaningless when verifying checksums"},
        {{"-c", "-z", "-r", "--tag"}, "error: the --tag option is meaningless when verifying checksums"},
        {{"--tag", "-a", OWN},
         "error: the --tag option needs a model of the catalogue: a model of one's own has no name"},
        {{"--identify", "-c"}, "error: the --check option is meaningless with --identify"},
        {{"--identify", "-a", "modbus"}, "error: the --algorithm option is meaningless with --identify"},
        {{"--identify", "-a", OWN}, "error: the --algorithm option is meaningless with --identify"},
        {{"--identify", "-r"}, "error: the --recursive option is meaningless with --identify"},
        {{"--identify", "-z"}, "error: the --zero option is meaningless with --identify"},
        {{"--identify", "--tag"}, "error: the --tag option is meaningless with --identify"},
        {{"--he"}, "error: option '--he' is ambiguous; possibilities: '--help' '--hex'"},
        {{"--identify", "--hex", "l"}, "error: the --hex option is meaningless with --identify of lists"},
        {{"--identify", "--appended", "--raw", "f"}, "error: the --raw option is meaningless with --identify"},
        {{"--identify", "--appended", "--endian=big"}, "error: the --endian option is meaningless with --identify"},
        {{"--hex", "-c", "l"}, "error: the --hex option is meaningless with --check"},
        {{"--hex", "-r", "01"}, "error: the --hex option is meaningless with --recursive"},
        {{"--appended", "-c", "l"}, "error: the --appended option is meaningless with --check"},
        {{"--appended", "-z", "f"}, "error: the --appended option is meaningless with --zero"},
        {{"--appended", "--tag", "f"}, "error: the --appended option is meaningless with --tag"},
        {{"--raw", "--appended", "f"}, "error: the --raw option is meaningless with --appended"},
        {{"--raw", "-r", "f"}, "error: the --raw option is meaningless with --recursive"},
        {{"--raw", "f", "g"}, "error: the --raw option takes one input, not several"},
        {{"--endian=big", "f"}, "error: the --endian option is meaningful only with --appended or --raw"},
        {{"--raw", "--endian=middle"},
         "error: invalid argument 'middle' for '--endian'\nValid arguments are:\n  - 'big'\n  - 'little'"},
        {{"--strict", "--appended", "f"}, "error: the --strict option is meaningful only when verifying checksums"},
        {{"--quiet", "-w", "--appended", "f"}, "error: the --warn option is meaningful only when verifying checksums"},
    });
}

TEST(parse_command_line, a_copy_holds_its_own_model)
{
    std::optional<command_line> original = parse({"-a", OWN});
    const command_line copy = *original;
    original.reset();
    ASSERT_TRUE(copy.opts.own.has_value());
    EXPECT_EQ(copy.opts.model, nullptr);
    crc_model* own = crc_new_model(*copy.opts.own);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(crc_check_of(*own), 0xEDEB);
    crc_free_model(own);
    EXPECT_EQ(&model_in_effect(parse({}).opts), &crc_arc());
}

std::string names_in_order(std::vector<folder_entry> entries)
{
    sort_entries(entries);
    std::string names;
    for (const folder_entry& entry : entries) {
        names += entry.name + (entry.folder ? "/ " : " ");
    }
    return names;
}

TEST(sort_entries, by_the_bytes_of_full_names_a_folder_as_if_it_ended_in_a_slash)
{
    const struct {
        std::vector<folder_entry> entries;
        std::string want;
    } cases[] = {
        {{{"f50", true}, {"f5.x", false}, {"f5", true}, {"f5-x", false}}, "f5-x f5.x f5/ f50/ "},
        {{{"a0", false}, {"a", true}, {"a-", false}}, "a- a/ a0 "},
        {{{"ab", false}, {"a", false}, {"B", false}, {"", false}}, " B a ab "},
        {{{"\xC3\xA9", false}, {"z", true}, {"~", false}}, "z/ ~ \xC3\xA9 "},
        {{{"b", false}, {"a", false}, {"b", false}}, "a b b "},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names_in_order(c.entries), c.want);
    }
}

TEST(folder_prefix, one_slash_after_the_operand)
{
    const struct {
        const char* operand;
        const char* want;
    } cases[] = {
        {"tree", "tree/"},   {"tree/", "tree/"},   {"tree//", "tree/"}, {"a/b", "a/b/"},
        {"/", "/"},          {"///", "/"},         {"./", "./"},
#ifdef _WIN32
        {"tree\\", "tree/"}, {"a\\b\\/", "a\\b/"}, {"\\", "/"},
#else
        {"tree\\", "tree\\/"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folder_prefix(c.operand), c.want) << c.operand;
    }
#ifdef _WIN32
    EXPECT_EQ(portable_name("a\\b/c\\"), "a/b/c/");
#else
    EXPECT_EQ(portable_name("a\\b/c\\"), "a\\b/c\\");
#endif
}

TEST(ranges, count_and_length)
{
    constexpr std::int64_t MIB = 1 << 20;
    constexpr auto BLOCK = static_cast<std::int64_t>(CRC_BLOCK_SIZE);
    const struct {
        std::int64_t size;
        std::size_t jobs;
        std::int64_t minimum;
        std::size_t count;
        std::int64_t length; // of every range but the last
    } cases[] = {
        {SIZE_UNKNOWN, 8, 64 * MIB, 1, 0},
        {0, 8, 64 * MIB, 1, 0},
        {128 * MIB - 1, 8, 64 * MIB, 1, 0},
        {128 * MIB, 8, 64 * MIB, 2, 64 * MIB},
        {128 * MIB, 1, 64 * MIB, 1, 0},
        {1024 * MIB, 2, 64 * MIB, 2, 512 * MIB},
        {192 * MIB - 1, 8, 64 * MIB, 2, 96 * MIB - BLOCK},
        {1024 * MIB, 8, 64 * MIB, 8, 128 * MIB},
        {1024 * MIB, 64, 64 * MIB, 16, 64 * MIB},
        {3 * BLOCK + 1, 3, BLOCK, 3, BLOCK},
        {3 * BLOCK - 1, 3, BLOCK, 2, BLOCK},
        {(std::int64_t{5} << 32) + 7, 3, 64 * MIB, 3, (std::int64_t{5} << 32) / 3 / BLOCK * BLOCK},
    };
    for (const auto& c : cases) {
        const std::size_t count = range_count(c.size, c.jobs, c.minimum);
        EXPECT_EQ(count, c.count) << c.size << " bytes, " << c.jobs << " jobs";
        if (count > 1) {
            const std::int64_t length = range_length(c.size, count);
            EXPECT_EQ(length, c.length) << c.size << " bytes, " << count << " ranges";
            // The last range, from the end of the others, is no shorter than they are.
            EXPECT_GE(c.size - length * static_cast<std::int64_t>(count - 1), length) << c.size;
        }
    }
}

// Three files, and what each group's reader makes of each from zero.
struct weighed_file {
    std::string bytes;
    std::vector<crc_state> states;
};

std::vector<weighed_file> three_files(const identify_groups& groups)
{
    std::vector<weighed_file> files = {{"hello", {}}, {"frame two", {}}, {std::string(5000, '\0'), {}}};
    for (std::size_t i = 0; i < files[2].bytes.size(); ++i) {
        files[2].bytes[i] = static_cast<char>((i * 7919 + i / 13) & 0xFF);
    }
    for (weighed_file& file : files) {
        for (const crc_model* reader : groups.readers) {
            const auto* data = reinterpret_cast<const unsigned char*>(file.bytes.data());
            file.states.push_back(crc_update(*reader, CRC_ZERO, data, file.bytes.size()));
        }
    }
    return files;
}

crc_state checksum_of(const crc_model& model, const std::string& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    return crc_finish(model, crc_update(model, crc_start(model), data, bytes.size()));
}

// A list of the three files' checksums by `model`, weighed.
identify_verdict weigh_list(const identify_groups& groups, const std::vector<weighed_file>& files,
                            const crc_model& model, bool swapped)
{
    identify_verdict verdict = open_verdict();
    for (const weighed_file& file : files) {
        const crc_state crc = checksum_of(model, file.bytes);
        weigh_entry(groups, file.states, static_cast<std::int64_t>(file.bytes.size()), swapped ? crc_swap(crc) : crc,
                    verdict);
    }
    return verdict;
}

TEST(identify, names_the_model_that_gave_every_checksum_as_written_or_swapped)
{
    const identify_groups groups = make_identify_groups();
    const std::vector<weighed_file> files = three_files(groups);
    for (const char* name :
         {"CRC-16/MODBUS", "CRC-16/ARC", "CRC-16/XMODEM", "CRC-16/KERMIT", "CRC-16/RIELLO", "CRC-16/IBM-SDLC"}) {
        const crc_model& model = *crc_find_model(name);
        for (const bool swapped : {false, true}) {
            const identify_verdict verdict = weigh_list(groups, files, model, swapped);
            EXPECT_EQ(verdict.weighed, 3U);
            const std::string want = std::string(name) + (swapped ? ": bytes swapped" : ": as written");
            EXPECT_EQ(verdict_lines(verdict), std::vector<std::string>{want});
        }
    }
}

TEST(identify, lists_are_joined_to_the_models_that_fit_them_all)
{
    const identify_groups groups = make_identify_groups();
    const std::vector<weighed_file> files = three_files(groups);
    const crc_model& modbus = *crc_find_model("CRC-16/MODBUS");
    const crc_model& xmodem = *crc_find_model("CRC-16/XMODEM");

    identify_verdict both = weigh_list(groups, files, modbus, false);
    join_verdicts(both, weigh_list(groups, files, modbus, false));
    EXPECT_EQ(both.weighed, 6U);
    EXPECT_EQ(verdict_lines(both), std::vector<std::string>{"CRC-16/MODBUS: as written"});

    // One list by MODBUS, one by XMODEM, one by MODBUS swapped: no model gives them all.
    for (const auto& [model, swapped] : {std::pair{&xmodem, false}, std::pair{&modbus, true}}) {
        identify_verdict mixed = weigh_list(groups, files, modbus, false);
        join_verdicts(mixed, weigh_list(groups, files, *model, swapped));
        EXPECT_EQ(mixed.weighed, 6U);
        EXPECT_TRUE(verdict_lines(mixed).empty());
    }

    // Nothing weighed names no model, though none has been ruled out.
    identify_verdict none = open_verdict();
    join_verdicts(none, open_verdict());
    EXPECT_EQ(none.weighed, 0U);
    EXPECT_TRUE(verdict_lines(none).empty());
}

} // namespace

namespace {

// Holding back a stored checksum: whatever pieces the bytes come in, one at
// a time or all at once, the checksum leaves out the last two and holds
// them; fewer than two are held as they are.
TEST(take_bytes, holds_back_the_last_two_bytes_in_any_pieces)
{
    const crc_model& model = *crc_find_model("CRC-16/MODBUS");
    const crc_model* const models[] = {&model};
    std::vector<unsigned char> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(i * 37 + 11);
    }
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}, bytes.size()}) {
        const std::size_t held = std::min<std::size_t>(length, 2);
        const crc_state want = crc_update(model, crc_start(model), bytes.data(), length - held);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1000}}) {
            file_checksum result{file_stage::checksummed, 0, CRC_ZERO};
            crc_state crc = crc_start(model);
            for (std::size_t at = 0; at < length; at += piece) {
                take_bytes(models, &crc, bytes.data() + at, std::min(piece, length - at), true, result);
            }
            EXPECT_EQ(crc, want) << length << " bytes in pieces of " << piece;
            ASSERT_EQ(result.tail_length, held) << length << " bytes in pieces of " << piece;
            for (std::size_t i = 0; i < held; ++i) {
                EXPECT_EQ(result.tail[i], bytes[length - held + i]) << length << " bytes in pieces of " << piece;
            }
        }
    }
}

} // namespace

namespace {

// How many samples, shortest first, the whole search reads.
TEST(searched_count, as_many_as_the_bytes_hold_and_two_at_least)
{
    const struct {
        std::vector<std::size_t> lengths;
        std::uint64_t most;
        std::size_t want;
    } cases[] = {
        {{}, 100, 0},          {{5}, 100, 1},
        {{5, 10, 20}, 100, 3}, {{5, 10, 20, 70}, 100, 3},
        {{5, 10, 85}, 100, 3}, {{200, 300, 400}, 100, 2},
        {{0, 0, 0}, 0, 3},     {{1, 1, 1}, 0, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(searched_count(c.lengths, c.most), c.want) << c.lengths.size() << " " << c.most;
    }
    // By default, 4 MiB.
    EXPECT_EQ(searched_count(std::vector<std::size_t>{1 << 20, 1 << 20, 1 << 20, 1 << 20, 1 << 20}), 4U);
    EXPECT_EQ(searched_count(std::vector<std::size_t>{1, 1 << 20, 1 << 20, 1 << 20, 1 << 20}), 4U);
}

// The samples a model of one's own made: the two shortest alone leave
// many models; held to the rest too, only the maker is left, on any number
// of jobs, the same as where every sample is searched.
TEST(search_models, what_fits_the_shortest_is_held_to_the_rest)
{
    const crc_parameters maker{0x3D65, 0x0BAD, true, true, 0x00FF}; // outside the catalogue
    crc_model* model = crc_new_model(maker);
    ASSERT_NE(model, nullptr);
    std::vector<std::vector<unsigned char>> bytes;
    std::vector<crc_sample> samples;
    for (const std::size_t length : std::vector<std::size_t>{300, 6, 41, 150}) {
        std::vector<unsigned char> b(length);
        for (std::size_t i = 0; i < length; ++i) {
            b[i] = static_cast<unsigned char>(i * 37 + length);
        }
        bytes.push_back(std::move(b));
    }
    samples.reserve(bytes.size());
    for (const auto& b : bytes) {
        samples.push_back(
            {b.data(), b.size(), crc_finish(*model, crc_update(*model, crc_start(*model), b.data(), b.size()))});
    }
    crc_free_model(model);
    output out;
    const search_result two = search_models(std::span(samples), 1, out, false, 0);
    EXPECT_EQ(two.searched, 2U);
    EXPECT_EQ(two.bytes, 6U + 41U); // the shortest, not the first
    EXPECT_GT(two.survivors, 16U);
    ASSERT_EQ(two.fits.size(), 1U);
    EXPECT_TRUE(two.fits[0].parameters == maker);
    EXPECT_FALSE(two.fits[0].swapped);
    EXPECT_EQ(two.fits[0].models, 1U);
    for (const std::size_t jobs : std::vector<std::size_t>{1, 3}) {
        const search_result all = search_models(std::span(samples), jobs, out, false);
        EXPECT_EQ(all.searched, 4U);
        EXPECT_EQ(all.bytes, 497U);
        EXPECT_EQ(all.survivors, 0U);
        ASSERT_EQ(all.fits.size(), 1U);
        EXPECT_TRUE(all.fits[0].parameters == maker);
    }
    EXPECT_EQ(fit_line(two.fits[0], false),
              "width=16 poly=0x3D65 init=0x0BAD refin=true refout=true xorout=0x00FF "
              "check=0x807D residue=0x74F0: as written");
}

} // namespace
