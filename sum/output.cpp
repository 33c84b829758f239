#include "output.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform.hpp"
#include "reading.hpp"

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

void diagnose(output& out, const std::string& text)
{
    flush(out);
    // Nothing is left to tell a failure to where standard error fails.
    int cause = 0;
    static_cast<void>(write_text(stderr, std::string(PROGRAM) + ": " + text + "\n", cause));
}

void show_progress(output& out, const std::string& text)
{
    flush(out);
    // As wide as the widest line shown, so that each covers the one before.
    constexpr std::size_t WIDTH = 79;
    std::string line = text.empty() ? std::string() : std::string(PROGRAM) + ": " + text;
    line.resize(std::max(line.size(), WIDTH), ' ');
    int cause = 0;
    static_cast<void>(write_text(stderr, "\r" + line + (text.empty() ? "\r" : ""), cause));
}

void diagnose_file(output& out, const std::string& name, int cause)
{
    diagnose(out, name + ": " + describe_cause(cause));
}

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

std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
