#include "identify.hpp"

#include <utility>

identify_groups make_identify_groups()
{
    identify_groups made;
    for (std::size_t row = 0; row < crc_catalogue_size(); ++row) {
        const crc_model& model = crc_catalogue_model(row);
        const crc_parameters& p = crc_parameters_of(model);
        std::size_t group = 0;
        while (group < made.readers.size() &&
               (crc_parameters_of(*made.readers[group]).poly != p.poly ||
                crc_parameters_of(*made.readers[group]).refin != p.refin)) {
            ++group;
        }
        if (group == made.readers.size()) {
            made.readers.push_back(&model);
        }
        made.group_of.push_back(group);
    }
    return made;
}

identify_verdict open_verdict()
{
    const std::size_t models = crc_catalogue_size();
    identify_verdict verdict;
    verdict.as_written.assign(models, 1);
    verdict.swapped.assign(models, 1);
    return verdict;
}

void weigh_entry(const identify_groups& groups, const std::vector<crc_state>& states, std::int64_t length,
                 crc_state expected, identify_verdict& verdict)
{
    for (std::size_t i = 0; i < crc_catalogue_size(); ++i) {
        const crc_model& model = crc_catalogue_model(i);
        // The initial value carried through the length, joined to what the bytes left from zero.
        const crc_state made = crc_finish(model,
                                          crc_combine(model, crc_start(model), states[groups.group_of[i]],
                                                      static_cast<std::uint64_t>(length)));
        verdict.as_written[i] = static_cast<char>(verdict.as_written[i] != 0 && made == expected);
        verdict.swapped[i] = static_cast<char>(verdict.swapped[i] != 0 && made == crc_swap(expected));
    }
    ++verdict.weighed;
}

void keep_sample(identify_verdict& verdict, identify_sample&& sample, bool whole)
{
    if (!verdict.unkept.empty()) {
        return;
    }
    if (!whole || sample.bytes.size() > KEEP_LIMIT - verdict.kept) {
        verdict.unkept = std::move(sample.name);
        std::vector<identify_sample>().swap(verdict.samples);
        return;
    }
    verdict.kept += sample.bytes.size();
    sample.bytes.shrink_to_fit(); // what was read in chunks holds room to spare
    verdict.samples.push_back(std::move(sample));
}

void join_verdicts(identify_verdict& into, identify_verdict&& other)
{
    for (std::size_t i = 0; i < into.as_written.size(); ++i) {
        into.as_written[i] = static_cast<char>(into.as_written[i] != 0 && other.as_written[i] != 0);
        into.swapped[i] = static_cast<char>(into.swapped[i] != 0 && other.swapped[i] != 0);
    }
    into.weighed += other.weighed;
    if (into.unkept.empty() && !other.unkept.empty()) {
        into.unkept = std::move(other.unkept);
        std::vector<identify_sample>().swap(into.samples);
    }
    for (identify_sample& sample : other.samples) {
        keep_sample(into, std::move(sample), true);
    }
}

std::vector<std::string> verdict_lines(const identify_verdict& verdict, bool stored)
{
    std::vector<std::string> lines;
    if (verdict.weighed == 0) {
        return lines;
    }
    for (std::size_t i = 0; i < crc_catalogue_size(); ++i) {
        const char* name = crc_name_of(crc_catalogue_model(i));
        if (verdict.as_written[i] != 0) {
            lines.push_back(std::string(name) + (stored ? ": low byte first" : ": as written"));
        }
        if (verdict.swapped[i] != 0) {
            lines.push_back(std::string(name) + (stored ? ": high byte first" : ": bytes swapped"));
        }
    }
    return lines;
}
