// The recover entry point: the recovery writer of the drive's file system for one row.
#include "engine/volume/EntryPoints.h"

#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/exfat/ExfatFileRecovery.h"
#include "engine/fat/FatFileRecovery.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "engine/volume/EntryBoundary.h"
#include "platform/Text.h"
#include "store/RecoveryLookups.h"

#include <memory>

bool RecoverItem(char letter, bool isNtfs, uint64_t key, const RecoveryDestination& destination,
                 CountCallback count, const RecoveryCallbacks& callbacks,
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
    return AtEntryBoundary([&] {
        if (count) count(CountForRecovery(letter, key), callbacks.user);
        return writer->Recover(letter, key, destination, callbacks);
    });
}

bool RecoverItem(char letter, bool isNtfs, uint64_t key, const char16_t* destination,
                 CountCallback count, BeforeFileCallback before, RecoverProgressCallback progress,
                 FileDoneCallback done, ExistsCallback exists, void* context,
                 RecoverySession* session) {
    if (!destination) return false;
    platform::OutputFolder root;
    root.Open(platform::Utf16ToUtf8(destination)); // when it fails, every file fails with it
    return RecoverItem(letter, isNtfs, key, RecoveryDestination{&root, destination, {}}, count,
                       RecoveryCallbacks{before, progress, done, exists, context}, session);
}
