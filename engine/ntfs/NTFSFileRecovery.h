#pragma once
// Recovery writer for NTFS volumes. Given the record column of a scanned row (the slot its MFT
// record was read from) it reads that record again and writes the file's first $DATA below the
// destination, or re-creates a folder and recovers the rows the store lists below it. Names,
// times and attributes come from the record as it is on the volume now.
#include "engine/fat/FileRecovery.h"
#include "engine/ntfs/NTFSVolume.h"

#include <memory>
#include <string>
#include <unordered_set>

class NTFSFileRecovery : public FileRecovery {
public:
    // Folders nested deeper than this are not entered (no real path gets near it).
    static constexpr size_t kMaxFolderDepth = 256;

    NTFSFileRecovery() = default;
    ~NTFSFileRecovery() override;

    bool Recover(char letter, uint64_t record, const char16_t* destination,
                 BeforeFileCallback before, RecoverProgressCallback progress, FileDoneCallback done,
                 ExistsCallback exists, void* user) override;

    // Recovers the file or folder held in the record in slot `record`.
    bool RecoverRecord(uint64_t record, const std::u16string& folder);
    // Recovers a record known to be a folder.
    bool RecoverDirectoryRecord(uint64_t record, const std::u16string& folder);
    // Creates folder/name and recovers the rows the store lists below the row of `record`.
    // A record that is already being recovered further up (a folder listed below itself) is
    // not entered again.
    bool RecoverFolder(uint64_t record, const std::u16string& folder, std::u16string name);

private:
    std::unique_ptr<NTFSVolume> m_volume;
    std::unordered_set<uint64_t> m_inside; // folders being recovered, outermost first
};
