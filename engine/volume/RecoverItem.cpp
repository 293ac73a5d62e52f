// The recover entry point: the recovery writer of the drive's file system for one row.
#include "engine/volume/EntryPoints.h"

#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/exfat/ExfatFileRecovery.h"
#include "engine/fat/FatFileRecovery.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "store/CppSQLite3Exception.h"
#include "store/RecoveryLookups.h"

#include <memory>

bool RecoverItem(char letter, bool isNtfs, uint64_t key, const char16_t* destination,
                 CountCallback count, BeforeFileCallback before, RecoverProgressCallback progress,
                 FileDoneCallback done, ExistsCallback exists, void* context,
                 RecoverySession* session) {
    g_engineCancel = false;
    std::unique_ptr<FileRecovery> writer;
    if (isNtfs)
        writer = std::make_unique<NTFSFileRecovery>();
    else if (IsExfatDrive(letter))
        writer = std::make_unique<ExfatFileRecovery>();
    else
        writer = std::make_unique<FatFileRecovery>();
    writer->SetSession(session);
    try {
        if (count) count(CountForRecovery(letter, key), context);
        return writer->Recover(letter, key, destination, before, progress, done, exists, context);
    } catch (const CppSQLite3Exception&) {
        return false; // no table for this drive, or the store failed
    }
}
