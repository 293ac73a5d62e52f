#pragma once
// Base of the recovery writers. It finds the stored row, opens the destination's output side
// and runs the recovery walk (RecoveryWalk) that every file system shares: the derived writer
// opens its volume and says what a stored row is and reads its data (RecoveryReader). Names
// read from a volume are UTF-16 and joined with "/"; the folder the user chose reaches the walk
// open (RecoveryDestination).
#include "engine/recovery/RecoveryDestination.h"
#include "engine/recovery/RecoveryOutput.h"
#include "engine/recovery/RecoveryReader.h"
#include "engine/recovery/RecoveryTotals.h"
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class RecoverySession;
struct ScanRow;

class FileRecovery : public RecoveryReader {
public:
    FileRecovery();
    ~FileRecovery() override;
    FileRecovery(const FileRecovery&) = delete;
    FileRecovery& operator=(const FileRecovery&) = delete;

    // Recovers the row whose record column is `record` from drive `letter`'s table below
    // destination. The exists callback is required. True when everything below the row was
    // written: no file failed, was skipped or was cancelled.
    bool Recover(char letter, uint64_t record, const RecoveryDestination& destination,
                 const RecoveryCallbacks& callbacks);
    // The same into the folder at the path destination (a program's own UTF-16 path, opened
    // here), with the callbacks one by one.
    bool Recover(char letter, uint64_t record, const char16_t* destination,
                 BeforeFileCallback before, RecoverProgressCallback progress, FileDoneCallback done,
                 ExistsCallback exists, void* user);

    // The job's memory across the items it recovers (folders written, names given out). Without
    // one, every Recover call stands alone.
    void SetSession(RecoverySession* session) { m_session = session; }

    // What the last Recover call did.
    const RecoveryTotals& Totals() const { return m_totals; }

    // "0x00" for 0, else the upper-case hex digits padded to an even count ("0x0ABC").
    static std::u16string FormatHexName(uint64_t value);
    // A name that is safe as one path component below the destination: "/" and NUL become
    // "_", "." and ".." get a leading "_", and an empty name becomes FormatHexName(hexValue).
    static std::u16string SafeOutputName(std::u16string_view name, uint64_t hexValue);
    // folder + "/" + name.
    static std::u16string JoinOutputPath(std::u16string_view folder, std::u16string_view name);

protected:
    // Opens drive letter's volume for reading; false when it cannot be read.
    virtual bool OpenVolume(char letter) = 0;
    // The stored row to recover for a record value; false when there is none to recover.
    virtual bool FindRow(char letter, uint64_t record, ScanRow& row);

    char m_letter = 0;

private:
    RecoverySession* m_session = nullptr;
    std::unique_ptr<RecoverySession> m_ownSession;
    RecoveryTotals m_totals;
};
