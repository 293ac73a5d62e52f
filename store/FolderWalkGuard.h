#pragma once
// Guard for walks that follow pid links down a drive's table. A damaged volume can link a
// folder below itself, or list the same folder in several places; a walk that enters every
// folder id at most once always ends and never repeats a subtree.
#include <cstdint>
#include <unordered_set>

class FolderWalkGuard {
public:
    // True the first time an id is offered, false for every later time.
    bool Enter(uint64_t folderId) { return m_visited.insert(folderId).second; }
    bool Visited(uint64_t folderId) const { return m_visited.count(folderId) != 0; }

private:
    std::unordered_set<uint64_t> m_visited;
};
