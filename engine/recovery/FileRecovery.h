#pragma once
// Base of the recovery writers. It keeps the caller's callbacks, the output file being written
// and its byte count, and runs the recovery walk (RecoveryWalk) that both file systems share:
// the derived writer only says what a stored row is (ResolveItem) and reads its data
// (ReadItemData). Destination paths are UTF-16 here and joined with "/"; they become UTF-8
// only at the platform layer.
#include "engine/recovery/RecoveryItem.h"
#include "engine/recovery/RecoveryTotals.h"
#include "engine/volume/EngineTypes.h"
#include "platform/OutputFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class RecoverySession;
struct ScanRow;

class FileRecovery {
public:
    FileRecovery();
    virtual ~FileRecovery();
    FileRecovery(const FileRecovery&) = delete;
    FileRecovery& operator=(const FileRecovery&) = delete;

    // Recovers the row whose record column is `record` from drive `letter`'s table below
    // `destination`. The exists callback is required; the others may be null. True when
    // everything below the row was written: no file failed, was skipped or was cancelled.
    virtual bool Recover(char letter, uint64_t record, const char16_t* destination,
                         BeforeFileCallback before, RecoverProgressCallback progress,
                         FileDoneCallback done, ExistsCallback exists, void* user) = 0;

    // The job's memory across the items it recovers (folders written, names given out). Without
    // one, every Recover call stands alone.
    void SetSession(RecoverySession* session) { m_session = session; }

    // What the last Recover call did.
    const RecoveryTotals& Totals() const { return m_totals; }
    uint64_t BytesWritten() const { return m_bytesWritten; }

    // The data sink of the volume readers: WriteData of the writer passed as user.
    static bool WriteDataSink(const uint8_t* bytes, uint32_t count, void* writer);

    // "0x00" for 0, else the upper-case hex digits padded to an even count ("0x0ABC").
    static std::u16string FormatHexName(uint64_t value);
    // A name that is safe as one path component below the destination: "/" and NUL become
    // "_", "." and ".." get a leading "_", and an empty name becomes FormatHexName(hexValue).
    static std::u16string SafeOutputName(std::u16string_view name, uint64_t hexValue);
    // folder + "/" + name.
    static std::u16string JoinOutputPath(std::u16string_view folder, std::u16string_view name);

protected:
    // Keeps the callbacks, the user value and the drive letter of one Recover call.
    void KeepCallbacks(char letter, BeforeFileCallback before, RecoverProgressCallback progress,
                       FileDoneCallback done, ExistsCallback exists, void* user);
    // Recovers a stored row, file or folder, below destination through the shared walk.
    bool RecoverRow(const ScanRow& row, const std::u16string& destination);

    // What a stored row is: folder or file, its name, times, size and what the volume can
    // back of it. Never fails: what cannot be read is marked in the item.
    virtual void ResolveItem(const ScanRow& row, RecoveryItem& item) = 0;
    // Hands the item's first item.size bytes to sink. False when the read fails or the sink
    // refuses a chunk.
    virtual bool ReadItemData(const RecoveryItem& item, ChunkCallback sink, void* user) = 0;
    // The value that names a nameless row.
    virtual uint64_t HexValueOf(const ScanRow& row) const = 0;
    // A child of a folder being recovered was not written whole.
    virtual void OnChildFailed(const ScanRow& child, const std::u16string& folderPath) {
        (void)child;
        (void)folderPath;
    }

    char m_letter = 0;

private:
    friend class RecoveryWalk;

    // Appends count bytes to the output file and reports progress. False when the write fails
    // or is short, or when the progress callback cancels.
    bool WriteData(const uint8_t* bytes, uint32_t count);
    // True when an existing item at path is to be left alone (the exists callback answered 1).
    bool KeepExisting(const std::u16string& path);
    void StartFile();

    platform::OutputFile m_output;
    BeforeFileCallback m_before = nullptr;
    RecoverProgressCallback m_progress = nullptr;
    FileDoneCallback m_done = nullptr;
    ExistsCallback m_exists = nullptr;
    void* m_user = nullptr;
    uint64_t m_bytesWritten = 0;
    bool m_writeFailed = false;     // the destination refused the current file's data
    bool m_cancelRequested = false; // the progress callback answered false
    RecoverySession* m_session = nullptr;
    std::unique_ptr<RecoverySession> m_ownSession;
    RecoveryTotals m_totals;
};
