#pragma once
// Every row of a drive's table with its full folder path ("E:\Docs\"), computed from the
// pid links of the folder rows. A damaged volume can make folders their own ancestors; such a
// chain ends where it would repeat, so every path is finite.
//
// Holding every row's path costs memory that grows with depth times rows. The printing
// commands read rows one at a time (store/RowReader.h) and build paths on demand from one
// entry per folder (cli/FolderPaths.h) instead.
#include "store/ScanRow.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class RowIndex {
public:
    RowIndex(char letter, uint64_t rootKey);

    const std::vector<ScanRow>& Rows() const { return m_rows; }
    // Full path of the folder with this id ("E:\" for the root); "E:\?\" when unknown.
    std::u16string FolderPath(uint64_t folderId) const;
    // Rows whose pid is folderId, in table order.
    std::vector<const ScanRow*> Children(uint64_t folderId) const;

private:
    char m_letter;
    uint64_t m_rootKey;
    std::vector<ScanRow> m_rows;
    std::unordered_map<uint64_t, size_t> m_folderById; // first folder row of each id
    std::unordered_multimap<uint64_t, size_t> m_byPid;
    mutable std::unordered_map<uint64_t, std::u16string> m_paths;
};
