#include "store/TreeFacts.h"

#include <algorithm>

void TreeFacts::Set::Add(int64_t value) {
    if (!values.empty() && values.back() == value) return;
    values.push_back(value);
    if (values.size() >= 65536 && values.size() >= 2 * compacted) Compact();
}

void TreeFacts::Set::Compact() {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    compacted = values.size();
}

void TreeFacts::Note(int64_t id, int64_t pid, bool isDir, bool isDeleted, bool dotFolder) {
    ++rows_;
    if (isDir) folderIds_.Add(id);
    parents_.Add(pid);
    if (dotFolder) {
        dotRows_.push_back(rows_);
        return;
    }
    if (isDeleted) deletedParentSet_.Add(pid);
    if (isDir) folderParentSet_.Add(pid);
}

void TreeFacts::Seal() {
    folderIds_.Compact();
    parents_.Compact();
    deletedParentSet_.Compact();
    folderParentSet_.Compact();
    deletedParents_ = std::move(deletedParentSet_.values);
    folderParents_ = std::move(folderParentSet_.values);
    sealed_ = true;
}

namespace {

bool Holds(const std::vector<int64_t>& sorted, int64_t value) {
    return std::binary_search(sorted.begin(), sorted.end(), value);
}

void InsertSorted(std::vector<int64_t>& sorted, int64_t value) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), value);
    if (at == sorted.end() || *at != value) sorted.insert(at, value);
}

} // namespace

bool TreeFacts::HasOrphans(int64_t root) const {
    const std::vector<int64_t>& folders = folderIds_.values;
    return std::any_of(parents_.values.begin(), parents_.values.end(),
                       [&](int64_t pid) { return pid != root && !Holds(folders, pid); });
}

std::vector<int64_t> TreeFacts::OrphanParents(int64_t root) const {
    std::vector<int64_t> orphans;
    for (const int64_t pid : parents_.values)
        if (pid != root && !Holds(folderIds_.values, pid)) orphans.push_back(pid);
    return orphans;
}

bool TreeFacts::Known(int64_t number) const {
    return Holds(folderIds_.values, number) || Holds(parents_.values, number);
}

void TreeFacts::Adopted(int64_t extraId, int64_t root, bool holdsFolders) {
    // The new folder row is deleted and a folder, below root; its rows are deleted.
    InsertSorted(deletedParents_, extraId);
    InsertSorted(deletedParents_, root);
    InsertSorted(folderParents_, root);
    if (holdsFolders) InsertSorted(folderParents_, extraId);
}
