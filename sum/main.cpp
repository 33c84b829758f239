// crc16sum [OPTION]... [FILE]...: a line for each FILE with its CRC-16 as
// crc16 prints it and its name; with --check, reads such lists and checks
// every file they name. Diagnostics go to standard error, each naming the
// file and the cause; the exit status is 1 after any failure, else 0.
#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crc_model.hpp"
#include "identify.hpp"
#include "jobs.hpp"
#include "parameters.hpp"
#include "platform.hpp"
#include "sum_list.hpp"

namespace {

constexpr const char* PROGRAM = "crc16sum";
// More jobs than this are refused: threads beyond it only cost memory.
constexpr unsigned long long MAX_JOBS = 1024;

struct options {
    bool check = false;
    bool zero = false;
    bool quiet = false;
    bool status = false;
    bool warn = false;
    bool strict = false;
    bool ignore_missing = false;
    bool recursive = false;
    bool identify = false;
    bool debug = false;
    std::size_t jobs = 0;                                 // 0: one for each processor
    const crc_model* model = nullptr;                     // -a's, or null: CRC-16/ARC
    enum { by_model, tagged, untagged } lines = by_model; // by the last of --tag and --untagged
    bool tag_given = false;
    crc_model own{}; // a model of one's own that -a gave, where it is in no catalogue
};

// The model a file is read by where its line names none.
const crc_model& default_model(const options& opts) { return opts.model != nullptr ? *opts.model : crc_arc(); }

// The tag of the lines written for `model`: its name, unless the lines are
// plain, as they are by default for CRC-16/ARC, and always for a model of
// no catalogue, which has no name.
std::string_view tag_of(const options& opts, const crc_model& model)
{
    const bool tagged = opts.lines == options::tagged || (opts.lines == options::by_model && &model != &crc_arc());
    return tagged && model.name != nullptr ? model.name : std::string_view();
}

// The model an entry of a list is checked by: -a's, or ARC's, for a plain
// line; for a tagged one, the catalogued model of exactly that name, where
// -a gave none or the same. Null where there is none such: an alias is no
// tag, since aliases mean different models to different people.
const crc_model* model_of_entry(const options& opts, std::string_view tag)
{
    if (tag.empty()) {
        return &default_model(opts);
    }
    for (const crc_catalogue_entry& entry : crc_catalogue()) {
        if (tag == entry.model.name) {
            return opts.model == nullptr || opts.model == &entry.model ? &entry.model : nullptr;
        }
    }
    return nullptr;
}

// What a run or a list has met so far, from which its warnings and its
// status follow.
struct tally {
    std::size_t malformed = 0, unreadable = 0, mismatched = 0, matched = 0;
    bool failed = false;
    identify_verdict fits; // --identify: the models that gave every checksum so far
};

// Standard output, gathered into whole lines and written a few lines at a
// time, each write at most OUTPUT_SIZE bytes: a pipe takes a write of up to
// 4096 bytes in one piece, so lines of processes that share one never mix.
// A longer line is written alone. Once a write fails, the run ends.
constexpr std::size_t OUTPUT_SIZE = 4096;
struct output {
    std::string pending;
    int cause = 0; // why a write failed, or 0
};

bool flush(output& out)
{
    if (out.cause == 0 && !out.pending.empty() && !write_text(stdout, out.pending, out.cause) && out.cause == 0) {
        out.cause = EIO;
    }
    out.pending.clear();
    return out.cause == 0;
}

void put_line(output& out, const std::string& line)
{
    if (out.pending.size() + line.size() > OUTPUT_SIZE) {
        flush(out);
    }
    out.pending += line;
    if (out.pending.size() >= OUTPUT_SIZE) {
        flush(out);
    }
}

// One line on standard error, after what standard output holds so far, so
// that both come in order where they share a terminal.
void diagnose(output& out, const std::string& text)
{
    flush(out);
    int cause = 0;
    static_cast<void>(write_text(stderr, std::string(PROGRAM) + ": " + text + "\n", cause));
}

void diagnose_file(output& out, const std::string& name, int cause)
{
    diagnose(out, name + ": " + describe_cause(cause));
}

// The status a run ends with, from the one thing that decides it: whether
// anything failed; and the words for output that could not be written.
int finish(output& out, bool failed)
{
    if (!flush(out)) {
        diagnose(out, "write error: " + describe_cause(out.cause));
        return 1;
    }
    return failed ? 1 : 0;
}

int usage_error(const std::string& what)
{
    output none;
    diagnose(none, what + "\nTry '" + PROGRAM + " --help' for more information.");
    return 1;
}

// The lines of a list, read through a buffer: false at its end, or at a
// read error, whose cause is kept as it happens (the files the list names
// are read in between, and set errno themselves).
struct line_reader {
    std::FILE* stream;
    char bytes[CHUNK_SIZE];
    std::size_t at = 0;
    std::size_t end = 0;
    int cause = 0; // why a read failed, or 0
};

bool read_line(line_reader& reader, std::string& line)
{
    line.clear();
    bool any = false;
    for (;;) {
        if (reader.at == reader.end) {
            reader.at = 0;
            errno = 0;
            reader.end = std::fread(reader.bytes, 1, sizeof reader.bytes, reader.stream);
            if (reader.end == 0) {
                if (std::ferror(reader.stream) != 0) {
                    reader.cause = errno != 0 ? errno : EIO;
                }
                return any;
            }
        }
        any = true;
        const char* start = reader.bytes + reader.at;
        const std::size_t left = reader.end - reader.at;
        const auto* line_feed = static_cast<const char*>(std::memchr(start, '\n', left));
        const std::size_t taken = line_feed != nullptr ? static_cast<std::size_t>(line_feed - start) : left;
        line.append(start, taken);
        reader.at += line_feed != nullptr ? taken + 1 : taken;
        if (line_feed != nullptr) {
            return true;
        }
    }
}

std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Where a name's bytes come from: "-" is standard input, wherever a name is
// given, but for an entry of a list that is itself read from standard input
// (see check_list); every other name is a file.
job_source source_of(const std::string& name) { return name == "-" ? job_source::standard_input : job_source::file; }

// A file's line: its checksum and its name.
void report_sum(const options& opts, output& out, const job& work, tally& seen)
{
    if (work.result.stage != file_stage::checksummed) {
        diagnose_file(out, work.name, work.result.cause);
        seen.failed = true;
        return;
    }
    const std::string_view end = opts.zero ? std::string_view("\0", 1) : LINE_END;
    put_line(out,
             format_tagged_line(tag_of(opts, *work.model), work.result.crc, portable_name(work.name), end, !opts.zero));
}

// A listed file's verdict.
void report_check(const options& opts, output& out, const job& work, tally& seen)
{
    const file_checksum& result = work.result;
    const char* verdict = nullptr; // none for a match under --quiet
    if (result.stage != file_stage::checksummed) {
        if (opts.ignore_missing && result.stage == file_stage::not_opened && result.cause == ENOENT) {
            return;
        }
        diagnose_file(out, work.name, result.cause);
        verdict = "FAILED open or read";
        ++seen.unreadable;
    } else if (result.crc != work.expected) {
        verdict = "FAILED";
        ++seen.mismatched;
    } else {
        verdict = opts.quiet ? nullptr : "OK";
        ++seen.matched;
    }
    if (verdict != nullptr && !opts.status) {
        put_line(out, format_verdict_line(portable_name(work.name), verdict, LINE_END));
    }
}

// A listed file weighed against every model, for --identify: its failure
// is reported as --check reports it, with no verdict line.
void report_identify(const options& opts, output& out, const job& work, const identify_folds& folds, tally& seen)
{
    const file_checksum& result = work.result;
    if (result.stage == file_stage::checksummed) {
        weigh_entry(folds, work.states, work.length, work.expected, seen.fits);
        ++seen.matched;
    } else if (!opts.ignore_missing || result.stage != file_stage::not_opened || result.cause != ENOENT) {
        diagnose_file(out, work.name, result.cause);
        ++seen.unreadable;
    }
}

// The folds --identify reads every file by.
const identify_folds& catalogue_folds()
{
    static const identify_folds folds = make_identify_folds();
    return folds;
}

// What one job's result prints, in its turn: a file's line or its
// diagnostic; with --check, a verdict, or the warning for a line that is no
// entry.
void report(const options& opts, output& out, const job& work, tally& seen)
{
    switch (work.kind) {
    case job_kind::sum: report_sum(opts, out, work, seen); break;
    case job_kind::check: report_check(opts, out, work, seen); break;
    case job_kind::identify: report_identify(opts, out, work, catalogue_folds(), seen); break;
    case job_kind::malformed_line:
        ++seen.malformed;
        if (opts.warn && !opts.status) {
            const char* what = opts.model != nullptr && opts.model->name != nullptr ? opts.model->name : "CRC-16";
            diagnose(out,
                     work.name + ": " + std::to_string(work.line) + ": improperly formatted " + what +
                         " checksum line");
        }
        break;
    case job_kind::unlisted_folder:
        diagnose_file(out, work.name, work.result.cause);
        seen.failed = true;
        break;
    }
}

// Hands `work` to the jobs, reporting every result that is ready before it.
void hand_in(const options& opts, output& out, job_runner& runner, job work, tally& seen)
{
    job done;
    while (jobs_full(runner) && take_result(runner, done, true)) {
        report(opts, out, done, seen);
    }
    submit_job(runner, std::move(work));
    while (take_result(runner, done, false)) {
        report(opts, out, done, seen);
    }
}

// Reports every result still to come.
void drain(const options& opts, output& out, job_runner& runner, tally& seen)
{
    for (job done; take_result(runner, done, true);) {
        report(opts, out, done, seen);
    }
}

// A folder being walked: its name with '/' after it, its entries in order,
// and the next to hand in.
struct walk_level {
    std::string prefix;
    std::vector<folder_entry> entries;
    std::size_t next = 0;
};

// Lists the folder `name` onto the walk's path or, where it cannot be
// read, hands in its diagnostic, in its turn.
void enter_folder(const options& opts, output& out, job_runner& runner, std::vector<walk_level>& path,
                  const std::string& name, std::string prefix, tally& seen)
{
    walk_level folder{std::move(prefix), {}, 0};
    int cause = 0;
    if (list_folder(folder.prefix, folder.entries, cause)) {
        path.push_back(std::move(folder));
        return;
    }
    job failed;
    failed.kind = job_kind::unlisted_folder;
    failed.name = name;
    failed.result = {file_stage::not_opened, cause, CRC_ZERO};
    hand_in(opts, out, runner, std::move(failed), seen);
}

// Hands in every file under the folder `operand`, in the order of their
// names' bytes, and a diagnostic in its place for each folder that cannot
// be read. Only the folders from the operand down to the one being listed
// are held, each with its entries, so memory follows the depth and the
// widest folder, not the size of the tree.
void walk_folder(const options& opts, output& out, job_runner& runner, const std::string& operand, tally& seen)
{
    std::vector<walk_level> path;
    enter_folder(opts, out, runner, path, operand, folder_prefix(operand), seen);
    while (!path.empty() && out.cause == 0) {
        walk_level& folder = path.back();
        if (folder.next == folder.entries.size()) {
            path.pop_back();
            continue;
        }
        const folder_entry& entry = folder.entries[folder.next++];
        std::string name = folder.prefix + entry.name;
        if (entry.folder) {
            std::string prefix = name + "/";
            enter_folder(opts, out, runner, path, name, std::move(prefix), seen); // moves `folder` and `entry`
        } else {
            job work;
            work.name = std::move(name);
            work.model = &default_model(opts);
            hand_in(opts, out, runner, std::move(work), seen);
        }
    }
}

// Checks every file that the list `list` names, or, with --identify, weighs
// it against every model: what the list met, failed where anything failed.
tally check_list(const options& opts, output& out, const std::string& list, stream_buffer& list_buffer,
                 job_runner& runner)
{
    tally seen;
    seen.fits = open_verdict();
    const job_source list_source = source_of(list);
    int cause = 0;
    std::FILE* stream =
        list_source == job_source::standard_input ? open_standard_input() : open_named(list, list_buffer, cause);
    if (stream == nullptr) {
        diagnose_file(out, list, cause);
        seen.failed = true;
        return seen;
    }
    static line_reader reader;
    reader.stream = stream;
    reader.at = reader.end = 0;
    reader.cause = 0;
    std::size_t line_number = 0, entries = 0;
    std::string text;
    while (read_line(reader, text) && out.cause == 0) {
        ++line_number;
        sum_line line = parse_sum_line(text);
        if (line.kind == line_kind::comment) {
            continue;
        }
        job work;
        work.kind = opts.identify ? job_kind::identify : job_kind::check;
        work.source = source_of(line.name);
        work.name = std::move(line.name);
        work.expected = line.crc;
        // --identify weighs plain lines only: a tagged one knows its model.
        work.model = opts.identify ? nullptr : model_of_entry(opts, line.tag);
        const bool weighable = opts.identify ? line.tag.empty() : work.model != nullptr;
        if (opts.identify) {
            work.folds = catalogue_folds().folds;
        }
        // Standard input holds the rest of a list read from it, not a
        // file's bytes: such an entry is no entry.
        if (line.kind != line_kind::entry || !weighable ||
            (work.source == job_source::standard_input && list_source == job_source::standard_input)) {
            work.kind = job_kind::malformed_line;
            work.name = list;
            work.line = line_number;
        }
        entries += work.kind != job_kind::malformed_line ? 1 : 0;
        hand_in(opts, out, runner, std::move(work), seen);
    }
    drain(opts, out, runner, seen);
    cause = reader.cause;
    const bool read = close_stream(stream, cause) && reader.cause == 0;
    if (!read) {
        diagnose_file(out, list, cause);
    }

    seen.failed = !read || seen.unreadable != 0 || seen.mismatched != 0 || (opts.strict && seen.malformed != 0);
    if (entries == 0) {
        diagnose(out, list + ": no properly formatted checksum lines found");
        seen.failed = true;
    } else if (opts.ignore_missing && seen.unreadable + seen.mismatched + seen.matched == 0) {
        diagnose(out, list + ": no file was verified");
        seen.failed = true;
    }
    // Where the list held no entry at all, that says it, unless each line was named.
    if (!opts.status && (entries != 0 || opts.warn)) {
        if (seen.malformed != 0) {
            diagnose(out, "WARNING: " + counted(seen.malformed, "line is", "lines are") + " improperly formatted");
        }
        if (seen.unreadable != 0) {
            diagnose(out, "WARNING: " + counted(seen.unreadable, "listed file", "listed files") + " could not be read");
        }
        if (seen.mismatched != 0) {
            diagnose(out,
                     "WARNING: " + counted(seen.mismatched, "computed checksum", "computed checksums") +
                         " did NOT match");
        }
    }
    return seen;
}

// --identify's verdict, once every list is weighed: a line for each model
// that gave every checksum, or why none is named; false where none did.
bool report_models(const options& opts, output& out, const identify_verdict& fits)
{
    const std::vector<std::string> lines = verdict_lines(fits);
    if (fits.weighed != 0 && lines.empty()) {
        diagnose(out, "no catalogued model gives these checksums");
    }
    for (const std::string& line : lines) {
        if (!opts.status) {
            put_line(out, line + std::string(LINE_END));
        }
    }
    return !lines.empty();
}

void print_help()
{
    std::printf("Usage: %s [OPTION]... [FILE]...\n", PROGRAM);
    std::fputs("Print or check CRC-16 checksums: for each FILE, a line with its checksum\n"
               "(0x and four upper-case hexadecimal digits) and its name. By default the\n"
               "checksum is CRC-16/ARC, exactly as crc16 prints it, and the line is the\n"
               "checksum, two spaces and the name. For any other model the line is tagged\n"
               "with the model's name, as in 'CRC-16/MODBUS (FILE) = 0x4B37'.\n"
               "\n"
               "With no FILE, or when FILE is -, read standard input.\n"
               "\n"
               "  -a, --algorithm=MODEL read by MODEL, a name or an alias from the list\n"
               "                        below, in any case: -a MODBUS, -a XMODEM; or\n"
               "                        the parameters of a model of one's own, in the\n"
               "                        form --list-models writes: -a 'poly=0x1021\n"
               "                        init=0xFFFF refin=false refout=false'\n"
               "  -c, --check           read lists of checksums from the FILEs and check them\n"
               "      --identify        read lists of plain lines from the FILEs, as --check\n"
               "                        does, and name each model that gives every\n"
               "                        checksum, as written or with its bytes swapped\n"
               "  -j, --jobs=N          read N files at a time (default: one for each\n"
               "                        processor this process may run on)\n"
               "  -r, --recursive       read every file under each FILE that is a folder,\n"
               "                        in the byte order of their names; links to\n"
               "                        folders are not followed\n"
               "      --tag             write tagged lines, for CRC-16/ARC too\n"
               "      --untagged        write plain lines (checksum, two spaces, name), for\n"
               "                        any model; the last of --tag and --untagged counts\n"
               "  -z, --zero            end each output line with NUL, not newline, and do\n"
               "                        not escape file names\n"
               "\n"
               "Only when checking or identifying:\n"
               "      --ignore-missing  do not fail or report on files that do not exist\n"
               "      --quiet           do not print OK for each file that matched\n"
               "      --status          print nothing; the exit status tells the result\n"
               "      --strict          exit non-zero on improperly formatted lines\n"
               "  -w, --warn            warn about each improperly formatted line\n"
               "\n"
               "      --debug           say on standard error which engine computes the checksums\n"
               "      --list-models     list the models with their parameters and exit\n"
               "      --help            display this help and exit\n"
               "      --version         output version information and exit\n"
               "\n"
               "A list may mix models: a tagged line is checked by the model it names,\n"
               "exactly as crc16sum writes the name; a plain line by -a's model, or by\n"
               "CRC-16/ARC where -a is not given. So a list made with -a MODEL --untagged\n"
               "is checked with -a MODEL. With -a, tagged lines of other models are\n"
               "improperly formatted. A model of one's own has no name: its lines are\n"
               "plain, and its lists are checked with the same -a.\n"
               "\n"
               "Models, with their aliases:\n",
               stdout);
    // Each name, and its aliases beside it, as many to a line as fit in 79 columns.
    for (const crc_catalogue_entry& entry : crc_catalogue()) {
        std::string line = std::string("  ") + entry.model.name;
        for (std::string_view aliases = entry.aliases; !aliases.empty();) {
            const std::size_t comma = std::min(aliases.find(','), aliases.size());
            const std::string_view alias = aliases.substr(0, comma);
            aliases.remove_prefix(std::min(comma + 1, aliases.size()));
            const std::string item = std::string(alias) + (aliases.empty() ? "" : ",");
            if (line.size() < 28) {
                line.resize(28, ' ');
            } else if (line.size() + 1 + item.size() > 79) {
                std::printf("%s\n", line.c_str());
                line.assign(28, ' ');
            } else {
                line += ' ';
            }
            line += item;
        }
        std::printf("%s\n", line.c_str());
    }
    std::fputs("\n"
               "Exit status: 0 when every file was read and, when checking, matched its\n"
               "line; 1 otherwise.\n"
               "\n"
               "CRC16SUM_ENGINE=table in the environment computes with the table engine,\n"
               "whatever the processor offers.\n",
               stdout);
}

// The smallest range of a file read in ranges: RANGE_MINIMUM, or the whole
// number of bytes that CRC16SUM_RANGE_MINIMUM gives, of one block at least,
// rounded down to a whole number of blocks. Any other value is ignored.
std::int64_t range_minimum()
{
    const char* given = std::getenv("CRC16SUM_RANGE_MINIMUM");
    if (given == nullptr || *given == '\0' ||
        std::string_view(given).find_first_not_of("0123456789") != std::string_view::npos) {
        return RANGE_MINIMUM;
    }
    errno = 0;
    const unsigned long long bytes = std::strtoull(given, nullptr, 10);
    constexpr auto BLOCK = static_cast<unsigned long long>(CRC_BLOCK_SIZE);
    if (errno != 0 || bytes < BLOCK || bytes > (1ULL << 50)) {
        return RANGE_MINIMUM;
    }
    return static_cast<std::int64_t>(bytes - bytes % BLOCK);
}

// --list-models: each catalogued model in the catalogue's own form, which
// -a takes back as it stands.
void list_models()
{
    for (const crc_catalogue_entry& entry : crc_catalogue()) {
        std::printf("%s\n", format_parameters(entry).c_str());
    }
}

// The model -a gives: a catalogued one by its name or an alias; or by its
// parameters, which select the catalogued model they equal, else make a
// model of one's own in `own`. Null, with `error`, where there is none.
const crc_model* model_of_option(const std::string& text, crc_model& own, std::string& error)
{
    if (!gives_parameters(text)) {
        const crc_model* found = crc_find_model(text);
        if (found == nullptr) {
            error = "invalid argument '" + text + "' for '--algorithm'";
        }
        return found;
    }
    if (!read_parameters(text, own, error)) {
        return nullptr;
    }
    for (const crc_catalogue_entry& entry : crc_catalogue()) {
        const crc_model& model = entry.model;
        if (model.poly == own.poly && model.init == own.init && model.refin == own.refin &&
            model.refout == own.refout && model.xorout == own.xorout) {
            return &model;
        }
    }
    return &own;
}

// Sets an option that only --check takes, keeping the first such option
// given for the usage error without --check.
void set_check_only(bool& option, const char*& first, const char* name)
{
    option = true;
    if (first == nullptr) {
        first = name;
    }
}

enum long_only {
    IGNORE_MISSING = 256,
    QUIET,
    STATUS,
    STRICT,
    TAG,
    UNTAGGED,
    IDENTIFY,
    LIST_MODELS,
    DEBUG,
    HELP,
    VERSION
};

int run(std::vector<std::string> arguments)
{
    static const option LONG_OPTIONS[] = {
        {"check", no_argument, nullptr, 'c'},
        {"zero", no_argument, nullptr, 'z'},
        {"warn", no_argument, nullptr, 'w'},
        {"jobs", required_argument, nullptr, 'j'},
        {"recursive", no_argument, nullptr, 'r'},
        {"ignore-missing", no_argument, nullptr, IGNORE_MISSING},
        {"quiet", no_argument, nullptr, QUIET},
        {"status", no_argument, nullptr, STATUS},
        {"strict", no_argument, nullptr, STRICT},
        {"help", no_argument, nullptr, HELP},
        {"version", no_argument, nullptr, VERSION},
        {"algorithm", required_argument, nullptr, 'a'},
        {"tag", no_argument, nullptr, TAG},
        {"tag", no_argument, nullptr, TAG},
        {"untagged", no_argument, nullptr, UNTAGGED},
        {"identify", no_argument, nullptr, IDENTIFY},
        {"list-models", no_argument, nullptr, LIST_MODELS},
        {"debug", no_argument, nullptr, DEBUG},
        {nullptr, 0, nullptr, 0},
    };
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());

    options opts;
    const char* check_only = nullptr; // the first option that only --check takes
    opterr = 0;
    for (int option; (option = getopt_long(argc, argv.data(), ":a:czwrj:", LONG_OPTIONS, nullptr)) != -1;) {
        switch (option) {
        case 'c': opts.check = true; break;
        case 'z': opts.zero = true; break;
        case 'r': opts.recursive = true; break;
        case 'a': {
            std::string error;
            opts.model = model_of_option(optarg, opts.own, error);
            if (opts.model == nullptr) {
                return usage_error(error);
            }
            break;
        }
        case TAG:
            opts.lines = options::tagged;
            opts.tag_given = true;
            break;
        case UNTAGGED: opts.lines = options::untagged; break;
        case 'j': {
            // A whole number of one or more, nothing around it.
            const std::string value = optarg;
            char* end = nullptr;
            errno = 0;
            const unsigned long long jobs =
                value.find_first_not_of("0123456789") == std::string::npos ? std::strtoull(value.c_str(), &end, 10) : 0;
            if (jobs == 0 || errno != 0 || jobs > MAX_JOBS) {
                return usage_error("invalid number of jobs: '" + value + "'");
            }
            opts.jobs = static_cast<std::size_t>(jobs);
            break;
        }
        case 'w': set_check_only(opts.warn, check_only, "--warn"); break;
        case IGNORE_MISSING: set_check_only(opts.ignore_missing, check_only, "--ignore-missing"); break;
        case QUIET: set_check_only(opts.quiet, check_only, "--quiet"); break;
        case STATUS: set_check_only(opts.status, check_only, "--status"); break;
        case STRICT: set_check_only(opts.strict, check_only, "--strict"); break;
        case IDENTIFY: opts.identify = true; break;
        case DEBUG: opts.debug = true; break;
        case LIST_MODELS: list_models(); return std::fflush(stdout) == 0 ? 0 : 1;
        case HELP: print_help(); return std::fflush(stdout) == 0 ? 0 : 1;
        case VERSION: std::printf("%s (crc16) %s\n", PROGRAM, CRC16_VERSION); return std::fflush(stdout) == 0 ? 0 : 1;
        default: {
            const std::string given = argv[static_cast<std::size_t>(optind - 1)];
            // The parsers of glibc and mingw-w64 differ in what they return
            // for an option given a value it does not take: the text tells.
            if (given.rfind("--", 0) == 0 && given.find('=') != std::string::npos && optopt != 0) {
                return usage_error("option '" + given.substr(0, given.find('=')) + "' doesn't allow an argument");
            }
            if (option == ':') {
                return usage_error("option '" + given + "' requires an argument");
            }
            if (optopt == 0) {
                return usage_error("unrecognized option '" + given + "'");
            }
            if (optopt < 256 && given.rfind("--", 0) != 0) {
                return usage_error(std::string("invalid option -- '") + static_cast<char>(optopt) + "'");
            }
            return usage_error("option '" + given.substr(0, given.find('=')) + "' doesn't allow an argument");
        }
        }
    }
    if (opts.identify) {
        // The options that choose a model, or make lines or walk folders.
        const char* conflicting = opts.check ? "--check"
            : opts.model != nullptr          ? "--algorithm"
            : opts.recursive                 ? "--recursive"
            : opts.zero                      ? "--zero"
            : opts.tag_given                 ? "--tag"
                                             : nullptr;
        if (conflicting != nullptr) {
            return usage_error(std::string("the ") + conflicting + " option is meaningless with --identify");
        }
    } else if (check_only != nullptr && !opts.check) {
        return usage_error(std::string("the ") + check_only + " option is meaningful only when verifying checksums");
    }
    if (opts.tag_given && opts.model == &opts.own) {
        return usage_error("the --tag option needs a model of the catalogue: a model of one's own has no name");
    }
    if (opts.tag_given && opts.check) {
        return usage_error("the --tag option is meaningless when verifying checksums");
    }
    if (opts.zero && opts.check) {
        return usage_error("the --zero option is meaningful only when printing checksums");
    }
    if (opts.recursive && opts.check) {
        return usage_error("the --recursive option is meaningful only when printing checksums");
    }

    // In the order getopt_long has left them: the operands after the
    // options, read where they are, so that no name is held twice.
    static char standard_input[] = "-";
    if (optind == argc) {
        argv[static_cast<std::size_t>(argc)] = standard_input;
        ++argc;
    }
    use_binary_output();
    static_cast<void>(std::setvbuf(stdout, nullptr, _IONBF, 0)); // output gathers whole lines itself
    output out;
    static read_buffers own_buffer;
    static stream_buffer list_buffer;
    job_runner runner;
    // The engine, chosen once: the fastest the processor has, unless the
    // environment asks for the table.
    const char* asked = std::getenv("CRC16SUM_ENGINE");
    const bool table_asked = asked != nullptr && std::string_view(asked) == "table";
    const crc_engine engine = table_asked ? crc_engine::table : crc_fastest_engine();
    if (opts.debug) {
        diagnose(out,
                 std::string("engine: ") + crc_engine_name(engine) + (table_asked ? " (CRC16SUM_ENGINE=table)" : ""));
    }
    start_jobs(runner, opts.jobs != 0 ? opts.jobs : processors_available(), engine, range_minimum(), own_buffer);
    tally seen;
    seen.fits = open_verdict();
    for (int i = optind; i < argc; ++i) {
        const std::string operand = argv[static_cast<std::size_t>(i)];
        if (out.cause != 0) {
            break;
        }
        if (opts.check || opts.identify) {
            const tally list = check_list(opts, out, operand, list_buffer, runner);
            seen.failed = list.failed || seen.failed;
            join_verdicts(seen.fits, list.fits);
        } else if (opts.recursive && source_of(operand) == job_source::file && names_folder(operand)) {
            walk_folder(opts, out, runner, operand, seen);
        } else {
            job work;
            work.source = source_of(operand);
            work.name = operand;
            work.model = &default_model(opts);
            hand_in(opts, out, runner, std::move(work), seen);
        }
    }
    drain(opts, out, runner, seen);
    stop_jobs(runner);
    if (opts.identify && out.cause == 0) {
        seen.failed = !report_models(opts, out, seen.fits) || seen.failed;
    }
    return finish(out, seen.failed);
}

} // namespace

#ifdef _WIN32
// The Windows shells hand wildcards over as they are: the C runtime expands
// them in the operands, as users of a Windows program expect.
extern "C" {
int _dowildcard = -1;
}
int wmain(int argc, wchar_t* argv[]) { return run(utf8_arguments(argc, argv)); }
#else
int main(int argc, char* argv[]) { return run(utf8_arguments(argc, argv)); }
#endif
