#include "jobs/ChosenRows.h"

#include "engine/recovery/FileRecovery.h"
#include "engine/recovery/OutputNames.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RowReader.h"

#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Deeper chains than this are taken as loops in a damaged table.
constexpr int kMaxDepth = 4096;

struct Folder {
    uint64_t pid = 0;
    std::u16string name;
    bool deleted = false;
};

// The folder rows of the table by id (the first row of each id).
std::unordered_map<uint64_t, Folder> ReadFolders(DataBase& store, bool names) {
    std::unordered_map<uint64_t, Folder> folders;
    RowReader reader(store, RowSet::kFolders);
    RowFields row;
    while (reader.Next(row)) {
        if (folders.count(row.id)) continue;
        Folder f;
        f.pid = row.pid;
        f.deleted = row.isDeleted == 1;
        if (names) f.name = platform::Utf8ToUtf16(std::string(row.name));
        folders.emplace(row.id, std::move(f));
    }
    return folders;
}

class PathBuilder {
public:
    PathBuilder(const std::unordered_map<uint64_t, Folder>& folders, char letter, uint64_t root)
        : m_folders(folders), m_root(root), m_rootPath{static_cast<char16_t>(letter), u':', u'\\'} {
    }

    const std::u16string& PathOf(uint64_t id) {
        if (const auto known = m_known.find(id); known != m_known.end()) return known->second;
        std::vector<const std::u16string*> names;
        std::unordered_set<uint64_t> seen;
        uint64_t at = id;
        bool complete = false;
        while (static_cast<int>(names.size()) < kMaxDepth) {
            if (at == m_root) {
                complete = true;
                break;
            }
            const auto f = m_folders.find(at);
            if (f == m_folders.end() || !seen.insert(at).second) break;
            names.push_back(&f->second.name);
            at = f->second.pid;
        }
        std::u16string path = m_rootPath;
        if (!complete) path += u"?\\";
        for (auto n = names.rbegin(); n != names.rend(); ++n)
            path += **n + u"\\";
        return m_known.emplace(id, std::move(path)).first->second;
    }

private:
    const std::unordered_map<uint64_t, Folder>& m_folders;
    uint64_t m_root;
    std::u16string m_rootPath;
    std::unordered_map<uint64_t, std::u16string> m_known;
};

} // namespace

std::vector<ScanRow> TopmostDeletedRows(char letter, uint64_t rootKey) {
    DataBase store(letter);
    const auto folders = ReadFolders(store, true);
    PathBuilder paths(folders, letter, rootKey);
    std::vector<ScanRow> rows;
    RowReader reader(store, RowSet::kDeleted);
    RowFields f;
    while (reader.Next(f)) {
        const auto parent = folders.find(f.pid);
        if (f.pid != f.id && parent != folders.end() && parent->second.deleted) continue;
        ScanRow row;
        row.name = platform::Utf8ToUtf16(std::string(f.name));
        row.size = f.size;
        row.created = f.created;
        row.modified = f.modified;
        row.accessed = f.accessed;
        row.attributes = f.attributes;
        row.id = f.id;
        row.pid = f.pid;
        row.isDeleted = f.isDeleted;
        row.isDir = f.isDir;
        row.record = f.record;
        row.firSector = f.firSector;
        row.path = paths.PathOf(f.pid);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ScanRow> WithoutNested(char letter, const std::vector<ScanRow>& rows) {
    std::unordered_set<uint64_t> chosenFolders;
    for (const ScanRow& row : rows)
        if (row.isDir != 0) chosenFolders.insert(row.id);
    std::vector<ScanRow> kept;
    std::set<std::pair<uint64_t, uint64_t>> seen;
    std::unordered_map<uint64_t, Folder> folders;
    if (!chosenFolders.empty()) {
        DataBase store(letter);
        folders = ReadFolders(store, false);
    }
    for (const ScanRow& row : rows) {
        if (!seen.emplace(row.id, row.record).second) continue;
        bool nested = false;
        std::unordered_set<uint64_t> climbed;
        // A folder's own row may name itself as parent (the root): that is no nesting.
        uint64_t at = row.pid;
        for (int depth = 0; depth < kMaxDepth && !chosenFolders.empty(); ++depth) {
            if (at == row.id && row.isDir != 0) break;
            if (chosenFolders.count(at)) {
                nested = true;
                break;
            }
            const auto f = folders.find(at);
            if (f == folders.end() || !climbed.insert(at).second) break;
            at = f->second.pid;
        }
        if (!nested) kept.push_back(row);
    }
    return kept;
}

std::u16string FolderDestination(const std::u16string& root, const std::u16string& folderPath) {
    std::u16string out = root;
    size_t start = folderPath.size() >= 3 && folderPath[1] == u':' ? 3 : 0;
    while (start < folderPath.size()) {
        size_t stop = folderPath.find(u'\\', start);
        if (stop == std::u16string::npos) stop = folderPath.size();
        if (stop > start)
            out = FileRecovery::JoinOutputPath(
                out, outputnames::Shorten(
                         outputnames::SafeName(folderPath.substr(start, stop - start), 0), false));
        start = stop + 1;
    }
    return out;
}
