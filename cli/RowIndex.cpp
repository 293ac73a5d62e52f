#include "cli/RowIndex.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RowReader.h"

#include <algorithm>
#include <unordered_set>

RowIndex::RowIndex(char letter, uint64_t rootKey) : m_letter(letter), m_rootKey(rootKey) {
    DataBase store(letter);
    RowReader reader(store);
    RowFields f;
    while (reader.Next(f)) {
        ScanRow r;
        r.name = platform::Utf8ToUtf16(f.name);
        r.size = f.size;
        r.created = f.created;
        r.modified = f.modified;
        r.accessed = f.accessed;
        r.attributes = f.attributes;
        r.id = f.id;
        r.pid = f.pid;
        r.isDeleted = f.isDeleted;
        r.isDir = f.isDir;
        r.record = f.record;
        r.firSector = f.firSector;
        m_rows.push_back(std::move(r));
    }
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const ScanRow& r = m_rows[i];
        if (r.isDir && r.id != m_rootKey) m_folderById.emplace(r.id, i);
        m_byPid.emplace(r.pid, i);
    }
    for (ScanRow& r : m_rows)
        r.path = FolderPath(r.pid);
}

std::u16string RowIndex::FolderPath(uint64_t folderId) const {
    if (auto it = m_paths.find(folderId); it != m_paths.end()) return it->second;
    const std::u16string root = std::u16string(1, static_cast<char16_t>(m_letter)) + u":\\";
    // Climb to the root, or to a folder already known, or until a folder repeats.
    std::vector<uint64_t> chain;
    std::unordered_set<uint64_t> seen;
    uint64_t id = folderId;
    std::u16string base = root;
    while (id != m_rootKey) {
        if (auto known = m_paths.find(id); known != m_paths.end()) {
            base = known->second;
            break;
        }
        auto it = m_folderById.find(id);
        if (it == m_folderById.end() || !seen.insert(id).second) {
            base = root + u"?\\"; // the folder is not in the table, or the chain loops
            break;
        }
        chain.push_back(id);
        id = m_rows[it->second].pid;
    }
    std::u16string path = base;
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        path += m_rows[m_folderById.at(*c)].name + u"\\";
        m_paths.emplace(*c, path);
    }
    m_paths.emplace(folderId, path);
    return path;
}

std::vector<const ScanRow*> RowIndex::Children(uint64_t folderId) const {
    std::vector<size_t> idx;
    auto [b, e] = m_byPid.equal_range(folderId);
    for (auto it = b; it != e; ++it)
        idx.push_back(it->second);
    std::sort(idx.begin(), idx.end());
    std::vector<const ScanRow*> out;
    for (size_t i : idx)
        if (!(m_rows[i].id == folderId && m_rows[i].isDir)) // the root's own row
            out.push_back(&m_rows[i]);
    return out;
}
