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

bool TreeFacts::HasOrphans(int64_t root) const {
    const std::vector<int64_t>& folders = folderIds_.values;
    return std::any_of(parents_.values.begin(), parents_.values.end(), [&](int64_t pid) {
        return pid != root && !std::binary_search(folders.begin(), folders.end(), pid);
    });
}
