#include "identify.hpp"

identify_folds make_identify_folds()
{
    identify_folds made;
    for (const crc_catalogue_entry& entry : crc_catalogue()) {
        std::size_t fold = 0;
        while (fold < made.folds.size() &&
               (made.folds[fold]->poly != entry.model.poly || made.folds[fold]->refin != entry.model.refin)) {
            ++fold;
        }
        if (fold == made.folds.size()) {
            made.folds.push_back(&entry.model);
        }
        made.fold_of.push_back(fold);
    }
    return made;
}

identify_verdict open_verdict()
{
    const std::size_t models = crc_catalogue().size();
    return {std::vector<char>(models, 1), std::vector<char>(models, 1), 0};
}

void weigh_entry(const identify_folds& folds, const std::vector<crc_state>& states, std::int64_t length,
                 crc_state expected, identify_verdict& verdict)
{
    const auto catalogue = crc_catalogue();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const crc_model& model = catalogue[i].model;
        const crc_state from_start =
            crc_mulmod(model, crc_start(model), crc_shift_factor(model, static_cast<std::uint64_t>(length)));
        const crc_state made = crc_finish(model, static_cast<crc_state>(from_start ^ states[folds.fold_of[i]]));
        verdict.as_written[i] = static_cast<char>(verdict.as_written[i] != 0 && made == expected);
        verdict.swapped[i] = static_cast<char>(verdict.swapped[i] != 0 && made == crc_swap(expected));
    }
    ++verdict.weighed;
}

void join_verdicts(identify_verdict& into, const identify_verdict& other)
{
    for (std::size_t i = 0; i < into.as_written.size(); ++i) {
        into.as_written[i] = static_cast<char>(into.as_written[i] != 0 && other.as_written[i] != 0);
        into.swapped[i] = static_cast<char>(into.swapped[i] != 0 && other.swapped[i] != 0);
    }
    into.weighed += other.weighed;
}

std::vector<std::string> verdict_lines(const identify_verdict& verdict)
{
    std::vector<std::string> lines;
    if (verdict.weighed == 0) {
        return lines;
    }
    const auto catalogue = crc_catalogue();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        if (verdict.as_written[i] != 0) {
            lines.push_back(std::string(catalogue[i].model.name) + ": as written");
        }
        if (verdict.swapped[i] != 0) {
            lines.push_back(std::string(catalogue[i].model.name) + ": bytes swapped");
        }
    }
    return lines;
}
