#include "check.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "sum_list.hpp"

namespace {

// The lines of a list, read through a buffer of its own. A read error's
// cause is kept as it happens: the files the list names are read in
// between, and set errno themselves.
struct line_reader {
    std::FILE* stream = nullptr;
    char bytes[CHUNK_SIZE];
    std::size_t at = 0;
    std::size_t end = 0;
    int cause = 0; // why a read failed, or 0
};

// The next line, without its line feed: false at the list's end, or at a
// read error.
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

// The job for one line of a list: the file it names, or, for a line that
// is no entry, only its place in the order.
job job_of_line(const options& opts, sum_line line, const std::string& list, job_source list_source,
                std::size_t line_number)
{
    job work;
    work.kind = opts.identify ? job_kind::identify : job_kind::check;
    work.source = source_of(line.name);
    work.name = std::move(line.name);
    work.expected = line.crc;
    // --identify weighs plain lines only: a tagged one knows its model.
    work.model = opts.identify ? nullptr : model_of_entry(opts, line.tag);
    const bool weighable = opts.identify ? line.tag.empty() : work.model != nullptr;
    if (opts.identify) {
        read_to_identify(opts, work);
    }
    // Standard input holds the rest of a list read from it, not a file's
    // bytes: such an entry is no entry.
    if (line.kind != line_kind::entry || !weighable ||
        (work.source == job_source::standard_input && list_source == job_source::standard_input)) {
        work.kind = job_kind::malformed_line;
        work.name = list;
        work.line = line_number;
    }
    return work;
}

// What a list's end says: that it held nothing to check, and how many of
// its lines and files went wrong, unless --status silences it.
void conclude(const options& opts, output& out, const std::string& list, std::size_t entries, tally& seen)
{
    if (entries == 0) {
        diagnose(out, list + ": no properly formatted checksum lines found");
        seen.failed = true;
    } else if (opts.ignore_missing && seen.unreadable + seen.mismatched + seen.matched == 0) {
        diagnose(out, list + ": no file was verified");
        seen.failed = true;
    }
    // Where the list held no entry at all, that says it, unless each line was named.
    if (opts.status || (entries == 0 && !opts.warn)) {
        return;
    }
    if (seen.malformed != 0) {
        diagnose(out, "WARNING: " + counted(seen.malformed, "line is", "lines are") + " improperly formatted");
    }
    if (seen.unreadable != 0) {
        diagnose(out, "WARNING: " + counted(seen.unreadable, "listed file", "listed files") + " could not be read");
    }
    if (seen.mismatched != 0) {
        diagnose(out,
                 "WARNING: " + counted(seen.mismatched, "computed checksum", "computed checksums") + " did NOT match");
    }
}

} // namespace

tally check_list(const options& opts, output& out, const std::string& list, stream_buffer& list_buffer,
                 job_runner& runner)
{
    tally seen;
    const job_source list_source = source_of(list);
    int cause = 0;
    std::FILE* stream =
        list_source == job_source::standard_input ? open_standard_input() : open_named(list, list_buffer, cause);
    if (stream == nullptr) {
        diagnose_file(out, list, cause);
        seen.failed = true;
        return seen;
    }
    line_reader reader;
    reader.stream = stream;
    std::size_t line_number = 0, entries = 0;
    std::string text;
    while (read_line(reader, text) && out.cause == 0) {
        ++line_number;
        sum_line line = parse_sum_line(text);
        if (line.kind == line_kind::comment) {
            continue;
        }
        job work = job_of_line(opts, std::move(line), list, list_source, line_number);
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
    conclude(opts, out, list, entries, seen);
    return seen;
}
