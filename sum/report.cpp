#include "report.hpp"

#include <cerrno>
#include <string>
#include <utility>

#include "platform.hpp"
#include "sum_list.hpp"
#include "walk.hpp"

namespace {

// A file's line: its checksum and its name.
void report_sum(const options& opts, output& out, const job& work, tally& seen)
{
    if (work.result.stage != file_stage::checksummed) {
        diagnose_file(out, work.name, work.result.cause);
        seen.failed = true;
        return;
    }
    if (opts.raw) {
        unsigned char bytes[2] = {};
        crc_store(work.result.crc, stored_low_first(opts, *work.model), bytes);
        put_line(out, std::string(reinterpret_cast<const char*>(bytes), 2));
        return;
    }
    const std::string_view end = opts.zero ? std::string_view("\0", 1) : LINE_END;
    put_line(out,
             format_tagged_line(tag_of(opts, *work.model), work.result.crc, portable_name(work.name), end, !opts.zero));
}

bool ignored(const options& opts, const file_checksum& result)
{
    return opts.ignore_missing && result.stage == file_stage::not_opened && result.cause == ENOENT;
}

// The diagnostic of an input too short to hold the checksum stored at its end.
void diagnose_too_short(output& out, const job& work)
{
    diagnose(out,
             work.name + ": too short to hold a checksum: " + (work.result.tail_length == 0 ? "no bytes" : "one byte"));
}

// A verdict: a listed file's, held to its list's checksum, or an input's,
// held to the checksum stored at its end.
void report_verdict(const options& opts, output& out, const job& work, tally& seen)
{
    const file_checksum& result = work.result;
    const char* verdict = nullptr; // none for a match under --quiet
    if (result.stage != file_stage::checksummed) {
        if (ignored(opts, result)) {
            return;
        }
        diagnose_file(out, work.name, result.cause);
        verdict = "FAILED open or read";
        ++seen.unreadable;
    } else if (work.hold_back && result.tail_length < 2) {
        diagnose_too_short(out, work);
        verdict = "FAILED";
        ++seen.too_short;
    } else if (result.crc !=
               (work.hold_back ? crc_stored(result.tail, stored_low_first(opts, *work.model)) : work.expected)) {
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

// A listed file weighed against every model: its failure is reported as
// --check reports it, with no verdict line.
void report_identify(const options& opts, output& out, job& work, tally& seen)
{
    const file_checksum& result = work.result;
    if (result.stage == file_stage::checksummed && work.hold_back && result.tail_length < 2) {
        diagnose_too_short(out, work);
        ++seen.too_short;
    } else if (result.stage == file_stage::checksummed) {
        // An input's own checksum is weighed read low byte first: "as
        // written" is then low byte first, "swapped" high byte first.
        const crc_state expected = work.hold_back ? crc_stored(result.tail, true) : work.expected;
        weigh_entry(catalogue_groups(), work.states, work.length, expected, seen.fits);
        if (work.keep) {
            keep_sample(seen.fits, {std::move(work.kept.bytes), expected, work.name}, work.kept.whole);
        }
        ++seen.matched;
    } else if (!ignored(opts, result)) {
        diagnose_file(out, work.name, result.cause);
        ++seen.unreadable;
    }
}

void report(const options& opts, output& out, job& work, tally& seen)
{
    switch (work.kind) {
    case job_kind::sum: report_sum(opts, out, work, seen); break;
    case job_kind::appended:
    case job_kind::check: report_verdict(opts, out, work, seen); break;
    case job_kind::bad_frame:
        diagnose(out, work.name + ": " + work.fault);
        seen.failed = true;
        break;
    case job_kind::identify: report_identify(opts, out, work, seen); break;
    case job_kind::malformed_line:
        ++seen.malformed;
        if (opts.warn && !opts.status) {
            const char* name = opts.model != nullptr ? crc_name_of(*opts.model) : nullptr;
            const char* what = name != nullptr ? name : "CRC-16";
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

} // namespace

std::string_view tag_of(const options& opts, const crc_model& model)
{
    const bool tagged =
        opts.lines == line_style::tagged || (opts.lines == line_style::by_model && &model != &crc_arc());
    return tagged && crc_name_of(model) != nullptr ? crc_name_of(model) : std::string_view();
}

const crc_model* model_of_entry(const options& opts, std::string_view tag)
{
    if (tag.empty()) {
        return &model_in_effect(opts);
    }
    const crc_model* given = given_model(opts);
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        if (tag == crc_name_of(model)) {
            return given == nullptr || given == &model ? &model : nullptr;
        }
    }
    return nullptr;
}

const identify_groups& catalogue_groups()
{
    static const identify_groups groups = make_identify_groups();
    return groups;
}

void read_to_identify(const options& opts, job& work)
{
    work.readers = catalogue_groups().readers;
    work.keep = opts.search;
}

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

void drain(const options& opts, output& out, job_runner& runner, tally& seen)
{
    for (job done; take_result(runner, done, true);) {
        report(opts, out, done, seen);
    }
}

identify_outcome report_models(const options& opts, output& out, const identify_verdict& fits, std::size_t jobs)
{
    const std::vector<std::string> lines = verdict_lines(fits, opts.appended);
    if (fits.weighed != 0 && lines.empty()) {
        if (opts.search) {
            return report_search(opts, out, fits, jobs);
        }
        diagnose(out, "no catalogued model gives these checksums; --search tries every CRC-16");
    }
    for (const std::string& line : lines) {
        if (!opts.status) {
            put_line(out, line + std::string(LINE_END));
        }
    }
    return lines.empty() ? identify_outcome::unnamed : identify_outcome::named;
}

job input_job(const options& opts, std::string name, job_source source)
{
    job work;
    work.kind = opts.identify ? job_kind::identify : opts.appended ? job_kind::appended : job_kind::sum;
    work.source = source;
    work.name = std::move(name);
    work.hold_back = opts.appended;
    if (opts.identify) {
        read_to_identify(opts, work);
    } else {
        work.model = &model_in_effect(opts);
    }
    return work;
}

bool close_appended(const options& opts, output& out, const tally& seen)
{
    if (!opts.status) {
        if (seen.unreadable != 0) {
            diagnose(out, "WARNING: " + counted(seen.unreadable, "input", "inputs") + " could not be read");
        }
        if (seen.too_short != 0) {
            diagnose(out,
                     "WARNING: " + counted(seen.too_short, "input is", "inputs are") + " too short to hold a checksum");
        }
        if (seen.mismatched != 0) {
            diagnose(out,
                     "WARNING: " + counted(seen.mismatched, "computed checksum", "computed checksums") +
                         " did NOT match");
        }
    }
    // Every input ignored: nothing was verified, which is no success.
    const bool none = seen.matched + seen.mismatched + seen.unreadable + seen.too_short == 0;
    if (opts.ignore_missing && none) {
        diagnose(out, "no input was verified");
    }
    return seen.unreadable != 0 || seen.too_short != 0 || seen.mismatched != 0 || (opts.ignore_missing && none);
}
