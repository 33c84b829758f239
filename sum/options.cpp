#include "options.hpp"

#include <cstdio>
#include <string_view>

#include "crc_parameters.hpp"

namespace {

enum class option_id {
    algorithm,
    appended,
    check,
    debug,
    endian,
    help,
    hex,
    identify,
    ignore_missing,
    jobs,
    list_models,
    quiet,
    raw,
    recursive,
    search,
    status,
    strict,
    tag,
    untagged,
    version,
    warn,
    zero
};

struct known_option {
    std::string_view name; // without "--"
    char letter;           // the short option, or 0
    bool takes_value;
    option_id id;
};

constexpr known_option OPTIONS[] = {
    {"algorithm", 'a', true, option_id::algorithm},
    {"appended", 0, false, option_id::appended},
    {"check", 'c', false, option_id::check},
    {"debug", 0, false, option_id::debug},
    {"endian", 0, true, option_id::endian},
    {"help", 0, false, option_id::help},
    {"hex", 0, false, option_id::hex},
    {"identify", 0, false, option_id::identify},
    {"ignore-missing", 0, false, option_id::ignore_missing},
    {"jobs", 'j', true, option_id::jobs},
    {"list-models", 0, false, option_id::list_models},
    {"quiet", 0, false, option_id::quiet},
    {"raw", 0, false, option_id::raw},
    {"recursive", 'r', false, option_id::recursive},
    {"search", 0, false, option_id::search},
    {"status", 0, false, option_id::status},
    {"strict", 0, false, option_id::strict},
    {"tag", 0, false, option_id::tag},
    {"untagged", 0, false, option_id::untagged},
    {"version", 0, false, option_id::version},
    {"warn", 'w', false, option_id::warn},
    {"zero", 'z', false, option_id::zero},
};

// The reading so far: the value it makes, and the first option given that
// only --check takes, for the usage error without --check.
struct reading {
    command_line line;
    const char* check_only = nullptr;
};

bool fail(reading& state, std::string error)
{
    state.line.what = command::usage_error;
    state.line.error = std::move(error);
    return false;
}

// The words for a fault in -a's parameters, naming the item at fault.
std::string describe_parameter_fault(const crc_parameter_reading& read)
{
    const std::string item(read.item);
    switch (read.fault) {
    case crc_parameter_fault::unknown_key: return "unknown model parameter '" + item + "'";
    case crc_parameter_fault::repeated_key: return "repeated model parameter '" + item + "'";
    case crc_parameter_fault::invalid_width:
        return "invalid model parameter '" + item + "': every model here is 16 bits wide";
    case crc_parameter_fault::missing_key: return "missing model parameter '" + item + "'";
    case crc_parameter_fault::check_mismatch: {
        char made[8];
        std::snprintf(made, sizeof made, "0x%04X", static_cast<unsigned>(read.made));
        return "the model's parameters make check=" + std::string(made) + ", not '" + item + "'";
    }
    case crc_parameter_fault::invalid_value:
    case crc_parameter_fault::none: break;
    }
    return "invalid model parameter '" + item + "'";
}

// -a's model: a catalogued one by its name or an alias; or by its
// parameters, the catalogued model they equal, else a model of one's own.
bool set_model(reading& state, const std::string& text)
{
    options& opts = state.line.opts;
    if (!crc_gives_parameters(text)) {
        const crc_model* found = crc_find_model(text);
        if (found == nullptr) {
            return fail(state, "invalid argument '" + text + "' for '--algorithm'");
        }
        opts.model = found;
        opts.own.reset();
        return true;
    }
    const crc_parameter_reading read = crc_read_parameters(text);
    if (read.fault != crc_parameter_fault::none) {
        return fail(state, describe_parameter_fault(read));
    }
    opts.model = crc_catalogued_model(read.parameters);
    opts.own.reset();
    if (opts.model == nullptr) {
        opts.own = read.parameters;
    }
    return true;
}

// A whole number from 1 to MAX_JOBS, nothing around it.
bool set_jobs(reading& state, const std::string& value)
{
    bool valid = !value.empty();
    unsigned long long jobs = 0;
    for (const char c : value) {
        valid = valid && c >= '0' && c <= '9' && jobs <= MAX_JOBS;
        jobs = valid ? jobs * 10 + static_cast<unsigned long long>(c - '0') : 0;
    }
    if (!valid || jobs == 0 || jobs > MAX_JOBS) {
        return fail(state, "invalid number of jobs: '" + value + "'");
    }
    state.line.opts.jobs = static_cast<std::size_t>(jobs);
    return true;
}

void set_check_only(reading& state, bool& option, const char* name)
{
    option = true;
    if (state.check_only == nullptr) {
        state.check_only = name;
    }
}

// Takes one option and its value. False where the reading ends here: at an
// error, or at an option that replaces the run.
bool apply(reading& state, const known_option& known, const std::string& value)
{
    options& opts = state.line.opts;
    switch (known.id) {
    case option_id::algorithm: return set_model(state, value);
    case option_id::jobs: return set_jobs(state, value);
    case option_id::check: opts.check = true; break;
    case option_id::appended: opts.appended = true; break;
    case option_id::hex: opts.hex = true; break;
    case option_id::raw: opts.raw = true; break;
    case option_id::endian:
        if (value != "little" && value != "big") {
            return fail(state,
                        "invalid argument '" + value +
                            "' for '--endian'\nValid arguments are:\n  - 'big'\n  - 'little'");
        }
        opts.endian = value == "little" ? stored_order::low_first : stored_order::high_first;
        break;
    case option_id::debug: opts.debug = true; break;
    case option_id::identify: opts.identify = true; break;
    case option_id::recursive: opts.recursive = true; break;
    case option_id::search: opts.search = true; break;
    case option_id::zero: opts.zero = true; break;
    case option_id::tag:
        opts.lines = line_style::tagged;
        opts.tag_given = true;
        break;
    case option_id::untagged: opts.lines = line_style::untagged; break;
    case option_id::ignore_missing: set_check_only(state, opts.ignore_missing, "--ignore-missing"); break;
    case option_id::quiet: set_check_only(state, opts.quiet, "--quiet"); break;
    case option_id::status: set_check_only(state, opts.status, "--status"); break;
    case option_id::strict: set_check_only(state, opts.strict, "--strict"); break;
    case option_id::warn: set_check_only(state, opts.warn, "--warn"); break;
    case option_id::help: state.line.what = command::help; return false;
    case option_id::version: state.line.what = command::version; return false;
    case option_id::list_models: state.line.what = command::list_models; return false;
    }
    return true;
}

// The long option that `name` names: exactly, or as the start of one alone.
const known_option* find_long(reading& state, std::string_view name, const std::string& argument)
{
    const known_option* found = nullptr;
    std::string candidates;
    std::size_t matches = 0;
    for (const known_option& known : OPTIONS) {
        if (known.name == name) {
            return &known;
        }
        if (!name.empty() && known.name.substr(0, name.size()) == name) {
            found = &known;
            candidates += " '--" + std::string(known.name) + "'";
            ++matches;
        }
    }
    if (matches == 0) {
        fail(state, "unrecognized option '" + argument + "'");
        return nullptr;
    }
    if (matches > 1) {
        fail(state, "option '--" + std::string(name) + "' is ambiguous; possibilities:" + candidates);
        return nullptr;
    }
    return found;
}

// Reads the long option in arguments[at], and its value, which may be the
// next argument: `at` is left at the last argument taken.
bool read_long(reading& state, const std::vector<std::string>& arguments, std::size_t& at)
{
    const std::string& argument = arguments[at];
    const std::size_t equals = argument.find('=');
    const std::string_view name =
        std::string_view(argument).substr(2, equals == std::string::npos ? equals : equals - 2);
    const known_option* known = find_long(state, name, argument);
    if (known == nullptr) {
        return false;
    }
    const std::string shown = "--" + std::string(known->name);
    if (!known->takes_value) {
        return equals == std::string::npos ? apply(state, *known, {})
                                           : fail(state, "option '" + shown + "' doesn't allow an argument");
    }
    if (equals != std::string::npos) {
        return apply(state, *known, argument.substr(equals + 1));
    }
    if (at + 1 == arguments.size()) {
        return fail(state, "option '" + shown + "' requires an argument");
    }
    return apply(state, *known, arguments[++at]);
}

// Reads the short options grouped in arguments[at]; a value is the rest of
// the argument after its option, or the next argument.
bool read_short(reading& state, const std::vector<std::string>& arguments, std::size_t& at)
{
    const std::string& argument = arguments[at];
    for (std::size_t i = 1; i < argument.size(); ++i) {
        const known_option* known = nullptr;
        for (const known_option& candidate : OPTIONS) {
            known = candidate.letter == argument[i] ? &candidate : known;
        }
        if (known == nullptr) {
            return fail(state, std::string("invalid option -- '") + argument[i] + "'");
        }
        if (!known->takes_value) {
            if (!apply(state, *known, {})) {
                return false;
            }
            continue;
        }
        if (i + 1 < argument.size()) {
            return apply(state, *known, argument.substr(i + 1));
        }
        if (at + 1 == arguments.size()) {
            return fail(state, std::string("option '-") + argument[i] + "' requires an argument");
        }
        return apply(state, *known, arguments[++at]);
    }
    return true;
}

// The usage errors of options that exclude each other, once all are read.
void check_combination(reading& state)
{
    const options& opts = state.line.opts;
    if (opts.identify) {
        // The options that choose a model, or make lines or walk folders;
        // frames in hex, where the inputs are lists.
        const char* conflicting = opts.check     ? "--check"
            : opts.model != nullptr || opts.own  ? "--algorithm"
            : opts.recursive                     ? "--recursive"
            : opts.zero                          ? "--zero"
            : opts.tag_given                     ? "--tag"
            : opts.raw                           ? "--raw"
            : opts.endian != stored_order::model ? "--endian"
            : opts.hex && !opts.appended         ? "--hex"
                                                 : nullptr;
        if (conflicting != nullptr) {
            fail(state,
                 std::string("the ") + conflicting + " option is meaningless with --identify" +
                     (opts.hex && !opts.appended ? " of lists" : ""));
            return;
        }
    } else if (opts.search) {
        fail(state, "the --search option is meaningful only with --identify");
        return;
    } else if (state.check_only != nullptr && !opts.check) {
        // --appended takes those that say what to print and what to skip;
        // it has no lines to warn of.
        const char* refused = !opts.appended ? state.check_only
            : opts.warn                      ? "--warn"
            : opts.strict                    ? "--strict"
                                             : nullptr;
        if (refused != nullptr) {
            fail(state, std::string("the ") + refused + " option is meaningful only when verifying checksums");
            return;
        }
    }
    // What reads inputs that carry their checksum, or writes one as bytes.
    const char* with_hex = opts.check ? "--check" : opts.recursive ? "--recursive" : nullptr;
    const char* with_appended = opts.check ? "--check" : opts.zero ? "--zero" : opts.tag_given ? "--tag" : nullptr;
    const char* with_raw = opts.appended ? "--appended"
        : opts.check                     ? "--check"
        : opts.recursive                 ? "--recursive"
        : opts.zero                      ? "--zero"
        : opts.tag_given                 ? "--tag"
                                         : nullptr;
    if (opts.hex && with_hex != nullptr) {
        fail(state, std::string("the --hex option is meaningless with ") + with_hex);
    } else if (opts.appended && with_appended != nullptr) {
        fail(state, std::string("the --appended option is meaningless with ") + with_appended);
    } else if (opts.raw && with_raw != nullptr) {
        fail(state, std::string("the --raw option is meaningless with ") + with_raw);
    } else if (opts.raw && state.line.operands.size() > 1) {
        fail(state, "the --raw option takes one input, not several");
    } else if (opts.endian != stored_order::model && !opts.appended && !opts.raw) {
        fail(state, "the --endian option is meaningful only with --appended or --raw");
    } else if (opts.tag_given && opts.own) {
        fail(state, "the --tag option needs a model of the catalogue: a model of one's own has no name");
    } else if (opts.tag_given && opts.check) {
        fail(state, "the --tag option is meaningless when verifying checksums");
    } else if (opts.zero && opts.check) {
        fail(state, "the --zero option is meaningful only when printing checksums");
    } else if (opts.recursive && opts.check) {
        fail(state, "the --recursive option is meaningful only when printing checksums");
    }
}

} // namespace

const crc_model* given_model(const options& opts) { return opts.model; }

const crc_model& model_in_effect(const options& opts)
{
    const crc_model* given = given_model(opts);
    return given != nullptr ? *given : crc_arc();
}

bool stored_low_first(const options& opts, const crc_model& model)
{
    return opts.endian == stored_order::model ? crc_stored_low_first(model) : opts.endian == stored_order::low_first;
}

command_line parse_command_line(const std::vector<std::string>& arguments)
{
    reading state;
    bool only_operands = false;
    for (std::size_t at = 1; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (only_operands || argument.size() < 2 || argument[0] != '-') {
            state.line.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_operands = true;
            continue;
        }
        const bool read = argument[1] == '-' ? read_long(state, arguments, at) : read_short(state, arguments, at);
        if (!read) {
            return state.line;
        }
    }
    check_combination(state);
    return state.line;
}
