#include "engine/recovery/FileRecovery.h"

#include "engine/recovery/OutputNames.h"
#include "engine/recovery/RecoverySession.h"
#include "engine/recovery/RecoveryWalk.h"
#include "engine/volume/EntryBoundary.h"
#include "platform/Text.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"

FileRecovery::FileRecovery() = default;

FileRecovery::~FileRecovery() = default;

bool FileRecovery::FindRow(char letter, uint64_t record, ScanRow& row) {
    return ReadByRecord(letter, record, row);
}

bool FileRecovery::Recover(char letter, uint64_t record, const RecoveryDestination& destination,
                           const RecoveryCallbacks& callbacks) {
    m_totals = {};
    if (!callbacks.exists) return false;
    m_letter = letter;
    if (!OpenVolume(letter)) return false;
    return AtEntryBoundary([&] {
        ScanRow row;
        if (!FindRow(letter, record, row)) return false;
        RecoverySession* session = m_session;
        if (!session) {
            m_ownSession = std::make_unique<RecoverySession>();
            session = m_ownSession.get();
        }
        session->BeginItem();
        RecoveryOutput output(callbacks);
        RecoveryWalk walk(*this, output, *session, letter);
        const bool complete = walk.Run(row, destination);
        m_totals = walk.Totals();
        return complete;
    });
}

bool FileRecovery::Recover(char letter, uint64_t record, const char16_t* destination,
                           BeforeFileCallback before, RecoverProgressCallback progress,
                           FileDoneCallback done, ExistsCallback exists, void* user) {
    if (!destination) return false;
    platform::OutputFolder root;
    root.Open(platform::Utf16ToUtf8(destination)); // when it fails, every file fails with it
    return Recover(letter, record, RecoveryDestination{&root, destination, {}},
                   RecoveryCallbacks{before, progress, done, exists, user});
}

std::u16string FileRecovery::FormatHexName(uint64_t value) {
    return outputnames::FormatHexName(value);
}

std::u16string FileRecovery::SafeOutputName(std::u16string_view name, uint64_t hexValue) {
    return outputnames::SafeName(name, hexValue);
}

std::u16string FileRecovery::JoinOutputPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') path += u'/';
    path += name;
    return path;
}
