#include "frames.hpp"

#include <cstring>
#include <utility>
#include <vector>

#include "hex.hpp"
#include "reading.hpp"

namespace {

// The words for a frame's fault, and where it lies.
std::string describe_fault(const hex_fault& fault)
{
    return "column " + std::to_string(fault.column) +
        (fault.problem == hex_problem::lone_digit ? ": a byte of one hex digit" : ": not a hex digit or a separator");
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A frame being read from standard input: its line, the start of its text
// for its name, its hex, and what its bytes have made so far.
struct frame_line {
    std::size_t number = 0;
    std::string start; // the first FRAME_NAME_LIMIT + 1 bytes of the line
    std::size_t length = 0;
    bool blank = true;           // nothing but blanks so far
    bool pending_return = false; // a carriage return held back: it may end the line
    hex_reader reader{};
    job work;
};

// Starts the job of line `number`.
void begin_line(const options& opts, frame_line& line, std::size_t number)
{
    line.number = number;
    line.start.clear();
    line.length = 0;
    line.blank = true;
    line.pending_return = false;
    line.reader = hex_reader{};
    line.work = input_job(opts, "", job_source::ready);
    line.work.result = {file_stage::checksummed, 0, CRC_ZERO};
    if (line.work.kind == job_kind::identify) {
        line.work.states.assign(line.work.readers.size(), CRC_ZERO);
    } else {
        line.work.result.crc = crc_start(*line.work.model);
    }
}

// Takes `count` characters of the line's text.
void take_text(frame_line& line, const char* text, std::size_t count)
{
    if (line.start.size() <= FRAME_NAME_LIMIT) {
        line.start.append(text, std::min(count, FRAME_NAME_LIMIT + 1 - line.start.size()));
    }
    line.length += count;
    for (std::size_t i = 0; line.blank && i < count; ++i) {
        line.blank = is_blank(text[i]);
    }
    unsigned char bytes[CHUNK_SIZE / 2 + 1];
    for (std::size_t at = 0; at < count;) {
        const std::size_t piece = std::min(count - at, CHUNK_SIZE);
        hex_fault fault{};
        const std::size_t made = hex_decode(line.reader, std::string_view(text + at, piece), bytes, fault);
        job& work = line.work;
        if (work.kind == job_kind::identify) {
            take_bytes(work.readers, work.states.data(), bytes, made, work.hold_back, work.result);
            keep_bytes(work.keep ? &work.kept : nullptr, bytes, made);
            work.length += static_cast<std::int64_t>(made);
        } else {
            const crc_model* const models[] = {work.model};
            take_bytes(models, &work.result.crc, bytes, made, work.hold_back, work.result);
        }
        at += piece;
    }
}

// The line's name: as given, without the blanks around it; "-:N" where it
// is too long to hold.
std::string line_name(const frame_line& line)
{
    if (line.length > FRAME_NAME_LIMIT) {
        return "-:" + std::to_string(line.number);
    }
    std::size_t first = 0, end = line.start.size();
    while (first < end && is_blank(line.start[first])) {
        ++first;
    }
    while (end > first && is_blank(line.start[end - 1])) {
        --end;
    }
    return line.start.substr(first, end - first);
}

// The job of a line once its end is read; false for a line of blanks only.
bool end_line(frame_line& line)
{
    job& work = line.work;
    work.name = line_name(line);
    if (line.blank) {
        return false;
    }
    const hex_fault fault = hex_finish(line.reader);
    if (fault.problem != hex_problem::none) {
        work.kind = job_kind::bad_frame;
        work.fault = describe_fault(fault);
        work.name = "-:" + std::to_string(line.number);
    } else if (work.kind == job_kind::identify) {
        work.length -= static_cast<std::int64_t>(work.result.tail_length);
        if (work.keep && work.kept.whole) {
            work.kept.bytes.resize(static_cast<std::size_t>(work.length));
        }
    } else {
        work.result.crc = crc_finish(*work.model, work.result.crc);
    }
    return true;
}

} // namespace

job frame_operand(const options& opts, const std::string& text)
{
    job work = input_job(opts, text, job_source::memory);
    work.bytes.resize(hex_bytes_at_most(text.size()));
    hex_reader reader{};
    hex_fault fault{};
    work.bytes.resize(hex_decode(reader, text, work.bytes.data(), fault));
    fault = hex_finish(reader);
    if (fault.problem != hex_problem::none) {
        work.kind = job_kind::bad_frame;
        work.source = job_source::ready;
        work.fault = describe_fault(fault);
    }
    return work;
}

bool hand_in_frame_lines(const options& opts, output& out, job_runner& runner, tally& seen)
{
    std::FILE* stream = open_standard_input();
    char text[CHUNK_SIZE];
    chunk_reader reader{.stream = stream, .buffer = reinterpret_cast<unsigned char*>(text), .buffer_size = sizeof text};
    frame_line line;
    std::size_t number = 1, frames = 0;
    begin_line(opts, line, number);
    std::size_t got = 0;
    int cause = 0;
    chunk_status status = chunk_status::chunk;
    while (out.cause == 0 && (status = next_chunk(reader, got, cause)) == chunk_status::chunk) {
        for (std::size_t at = 0; at < got;) {
            const auto* found = static_cast<const char*>(std::memchr(text + at, '\n', got - at));
            const std::size_t end = found != nullptr ? static_cast<std::size_t>(found - text) : got;
            if (line.pending_return && (end > at || found == nullptr)) {
                take_text(line, "\r", 1); // not before the line feed: part of the text
                line.pending_return = false;
            }
            std::size_t count = end - at;
            // A carriage return that ends what is here may be the one before the line feed.
            if (count > 0 && text[end - 1] == '\r') {
                --count;
                line.pending_return = true;
            }
            take_text(line, text + at, count);
            if (found == nullptr) {
                break;
            }
            line.pending_return = false;
            if (end_line(line)) {
                if (opts.raw && ++frames > 1) {
                    return false;
                }
                hand_in(opts, out, runner, std::move(line.work), seen);
            }
            begin_line(opts, line, ++number);
            at = end + 1;
        }
    }
    if (line.pending_return) {
        take_text(line, "\r", 1);
    }
    if (status == chunk_status::failed) {
        diagnose_file(out, "-", cause);
        seen.failed = true;
    } else if (out.cause == 0 && end_line(line)) {
        if (opts.raw && ++frames > 1) {
            return false;
        }
        hand_in(opts, out, runner, std::move(line.work), seen);
    }
    return true;
}
