#pragma once
// The folders of a drive's table, one entry each (its parent and its name), and the full path
// of any of them ("E:\Docs\Reports\") built when it is asked for. Memory grows with the
// number of folders, not with their depth: paths are built on demand and only a bounded
// number of them is kept for reuse, so rows printed folder after folder build each folder's
// path once.
//
// A damaged volume can name a parent that is not in the table, or link folders in a loop.
// Such a path starts at "E:\?\" and holds the folders as far as they can be followed; the
// path of a folder never depends on which folders were asked for before it.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class DataBase;

class FolderPaths {
public:
    // Reads the folder rows of the store's table; rootKey is the id of the drive's root.
    FolderPaths(DataBase& store, uint64_t rootKey);

    // The path of the folder with this id, ending in a backslash; "E:\" for the root. The
    // reference stays valid until the next call.
    const std::string& PathOf(uint64_t folderId);

    // Whether the folder with this id is marked deleted; false for the root and for an id that
    // names no folder of the table.
    bool IsDeletedFolder(uint64_t folderId) const;

    size_t FolderCount() const { return m_folders.size(); }
    // Bytes held by the paths kept for reuse (with a share for the map's own entries); never
    // more than kCacheBudget.
    size_t CachedBytes() const { return m_cacheBytes; }

    static constexpr size_t kCacheBudget = 8u << 20;

private:
    struct Folder {
        uint64_t id;
        uint64_t pid;
        uint64_t nameOffset; // in m_names
        uint32_t nameLength;
        uint32_t visit; // climb that last passed this folder, for loop detection
        bool deleted;
    };
    Folder* Find(uint64_t id);
    const Folder* Find(uint64_t id) const;
    // The path kept for id, or null.
    const std::string* Known(uint64_t id) const;
    void Keep(uint64_t id, const std::string& path);

    uint64_t m_rootKey;
    std::string m_rootPath;        // "E:\"
    std::string m_unknownPath;     // "E:\?\"
    std::vector<Folder> m_folders; // by id; the first folder row of each id
    std::string m_names;           // every folder name, UTF-8, one after the other
    std::unordered_map<uint64_t, std::string> m_cache;
    size_t m_cacheBytes = 0;
    uint32_t m_visit = 0;
    std::vector<const Folder*> m_chain;
    uint64_t m_lastId = 0;
    bool m_haveLast = false;
    bool m_lastReusable = false; // false when the last path was cut by a loop
    std::string m_last;
};
