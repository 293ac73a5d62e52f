#include "cli/FolderPaths.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RowReader.h"

#include <algorithm>
#include <utility>

FolderPaths::FolderPaths(DataBase& store, uint64_t rootKey) : m_rootKey(rootKey) {
    m_rootPath = std::string(1, store.Letter()) + ":\\";
    m_unknownPath = m_rootPath + "?\\";
    RowReader reader(store, RowSet::kFolders);
    RowFields row;
    while (reader.Next(row)) {
        if (row.id == rootKey) continue; // the root's own row names no folder below it
        const size_t offset = m_names.size();
        platform::AppendCleanUtf8(m_names, row.name);
        m_folders.push_back({row.id, row.pid, offset,
                             static_cast<uint32_t>(m_names.size() - offset), 0,
                             row.isDeleted == 1});
    }
    // By id; of several rows with one id, the first in table order names the folder.
    std::stable_sort(m_folders.begin(), m_folders.end(),
                     [](const Folder& a, const Folder& b) { return a.id < b.id; });
    m_folders.erase(std::unique(m_folders.begin(), m_folders.end(),
                                [](const Folder& a, const Folder& b) { return a.id == b.id; }),
                    m_folders.end());
    m_folders.shrink_to_fit();
    m_names.shrink_to_fit();
}

FolderPaths::Folder* FolderPaths::Find(uint64_t id) {
    return const_cast<Folder*>(std::as_const(*this).Find(id));
}

const FolderPaths::Folder* FolderPaths::Find(uint64_t id) const {
    auto it = std::lower_bound(m_folders.begin(), m_folders.end(), id,
                               [](const Folder& f, uint64_t key) { return f.id < key; });
    return it != m_folders.end() && it->id == id ? &*it : nullptr;
}

bool FolderPaths::IsDeletedFolder(uint64_t folderId) const {
    const Folder* folder = folderId == m_rootKey ? nullptr : Find(folderId);
    return folder != nullptr && folder->deleted;
}

const std::string* FolderPaths::Known(uint64_t id) const {
    if (m_haveLast && m_lastReusable && id == m_lastId) return &m_last;
    auto it = m_cache.find(id);
    return it != m_cache.end() ? &it->second : nullptr;
}

void FolderPaths::Keep(uint64_t id, const std::string& path) {
    constexpr size_t kEntryBytes = 64; // the map's node and bucket for one path
    const size_t bytes = path.capacity() + kEntryBytes;
    if (bytes > kCacheBudget) return;
    if (m_cacheBytes + bytes > kCacheBudget) {
        // Rows come folder by folder, so a path is rarely needed again long after it was
        // built; starting afresh keeps the memory bounded at little cost.
        m_cache.clear();
        m_cacheBytes = 0;
    }
    if (m_cache.emplace(id, path).second) m_cacheBytes += bytes;
}

const std::string& FolderPaths::PathOf(uint64_t folderId) {
    if (folderId == m_rootKey) return m_rootPath;
    if (m_haveLast && folderId == m_lastId) return m_last;
    if (const std::string* known = Known(folderId)) return *known;

    // Climb until the root, a folder whose path is known, a parent that is not in the table,
    // or a folder met before on this climb (a loop).
    if (++m_visit == 0) { // the counter wrapped: forget the old marks
        for (Folder& f : m_folders)
            f.visit = 0;
        m_visit = 1;
    }
    m_chain.clear();
    const std::string* base = &m_rootPath;
    bool loop = false;
    for (uint64_t id = folderId; id != m_rootKey;) {
        if (!m_chain.empty()) {
            if (const std::string* known = Known(id)) {
                base = known;
                break;
            }
        }
        Folder* folder = Find(id);
        if (folder == nullptr || folder->visit == m_visit) {
            loop = folder != nullptr;
            base = &m_unknownPath;
            break;
        }
        folder->visit = m_visit;
        m_chain.push_back(folder);
        id = folder->pid;
    }

    std::string path = *base;
    for (auto it = m_chain.rbegin(); it != m_chain.rend(); ++it) {
        path.append(m_names, (*it)->nameOffset, (*it)->nameLength);
        path += '\\';
    }
    // A path cut by a loop depends on where the climb began, so it is not kept for others.
    if (!loop) Keep(folderId, path);
    m_last = std::move(path);
    m_lastId = folderId;
    m_haveLast = true;
    m_lastReusable = !loop;
    return m_last;
}
