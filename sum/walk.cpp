#include "walk.hpp"

#include <algorithm>
#include <utility>

namespace {

// A subfolder's name as if it ended in '/'; -1 past the end.
int byte_at(const folder_entry& entry, std::size_t i)
{
    if (i < entry.name.size()) {
        return static_cast<unsigned char>(entry.name[i]);
    }
    return entry.folder && i == entry.name.size() ? '/' : -1;
}

bool comes_before(const folder_entry& a, const folder_entry& b)
{
    for (std::size_t i = 0;; ++i) {
        const int x = byte_at(a, i), y = byte_at(b, i);
        if (x != y || x < 0) {
            return x < y;
        }
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
// listed, hands in its diagnostic, in its turn.
void enter_folder(const options& opts, output& out, job_runner& runner, std::vector<walk_level>& path,
                  const std::string& name, std::string prefix, tally& seen)
{
    walk_level folder{std::move(prefix), {}, 0};
    int cause = 0;
    if (list_folder(folder.prefix, folder.entries, cause)) {
        sort_entries(folder.entries);
        path.push_back(std::move(folder));
        return;
    }
    job failed;
    failed.kind = job_kind::unlisted_folder;
    failed.name = name;
    failed.result = {file_stage::not_opened, cause, CRC_ZERO};
    hand_in(opts, out, runner, std::move(failed), seen);
}

} // namespace

std::string portable_name(std::string name)
{
    for (char& c : name) {
        c = is_path_separator(c) ? '/' : c;
    }
    return name;
}

std::string folder_prefix(const std::string& operand)
{
    std::size_t end = operand.size();
    while (end > 0 && is_path_separator(operand[end - 1])) {
        --end;
    }
    // Nothing but separators: the root.
    return end == 0 && !operand.empty() ? "/" : operand.substr(0, end) + "/";
}

void sort_entries(std::vector<folder_entry>& entries) { std::sort(entries.begin(), entries.end(), comes_before); }

// Only the folders from the operand down to the one being listed are held,
// each with its entries, so memory follows the depth and the widest folder,
// not the size of the tree.
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
            hand_in(opts, out, runner, input_job(opts, std::move(name), job_source::file), seen);
        }
    }
}
