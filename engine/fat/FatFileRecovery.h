#pragma once
// Recovery of one found row of a FAT32 scan: a file is read along its cluster chain (or
// contiguously, once the chain has ended) and written below the destination with its times
// and read-only state; a folder is re-created and the rows below it are recovered into it,
// depth first.
#include "engine/fat/FATVolume.h"
#include "engine/fat/FatEntry.h"
#include "engine/fat/FileRecovery.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

class FatFileRecovery : public FileRecovery {
public:
    // Folders nested deeper than this below the recovered one are not written (the item
    // fails); a damaged table can chain folders arbitrarily deep.
    static constexpr uint32_t kMaxDepth = 512;

    FatFileRecovery() = default;
    ~FatFileRecovery() override;

    bool Recover(char letter, uint64_t record, const char16_t* destination,
                 BeforeFileCallback before, RecoverProgressCallback progress, FileDoneCallback done,
                 ExistsCallback exists, void* user) override;

    // Recovers entry into folder: a folder through RecoverDirectory, a file by its data.
    bool RecoverEntry(const FatEntry& entry, const std::u16string& folder);
    // Creates the folder of entry below folder and recovers the rows whose pid is its first
    // cluster. A folder already recovered in this call (or being recovered further up) is not
    // written again: false.
    bool RecoverDirectory(const FatEntry& entry, const std::u16string& folder);

    // Opens the volume for a writer used without Recover (tests).
    bool OpenVolume(char letter);

private:
    static void VisitChild(const ScanRow& row, const std::u16string& destination, void* self);

    std::unique_ptr<FATVolume> m_volume;
    // Folder ids on the path from the recovered item down to the folder being written.
    std::unordered_set<uint64_t> m_inside;
    // Folder ids recovered (or being recovered) in this call. A damaged table can list one
    // folder under several parents or several times in one parent; its rows are written once,
    // so the work stays linear in the rows instead of growing with every path to them.
    std::unordered_set<uint64_t> m_recovered;
};
