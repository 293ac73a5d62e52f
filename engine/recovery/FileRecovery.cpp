#include "engine/recovery/FileRecovery.h"

#include "engine/recovery/OutputNames.h"
#include "engine/recovery/RecoverySession.h"
#include "engine/recovery/RecoveryWalk.h"

FileRecovery::FileRecovery() = default;

FileRecovery::~FileRecovery() = default;

void FileRecovery::KeepCallbacks(char letter, BeforeFileCallback before,
                                 RecoverProgressCallback progress, FileDoneCallback done,
                                 ExistsCallback exists, void* user) {
    m_letter = letter;
    m_before = before;
    m_progress = progress;
    m_done = done;
    m_exists = exists;
    m_user = user;
}

bool FileRecovery::RecoverRow(const ScanRow& row, const std::u16string& destination) {
    RecoverySession* session = m_session;
    if (!session) {
        m_ownSession = std::make_unique<RecoverySession>();
        session = m_ownSession.get();
    }
    session->BeginItem();
    RecoveryWalk walk(*this, *session, m_letter);
    const bool complete = walk.Run(row, destination);
    m_totals = walk.Totals();
    return complete;
}

bool FileRecovery::KeepExisting(const std::u16string& path) {
    int answer = 0;
    if (m_exists) m_exists(path.c_str(), 0, &answer, m_user);
    return answer == 1;
}

void FileRecovery::StartFile() {
    m_bytesWritten = 0;
    m_writeFailed = false;
    m_cancelRequested = false;
}

bool FileRecovery::WriteData(const uint8_t* bytes, uint32_t count) {
    if (!m_output.Write(bytes, count)) {
        m_writeFailed = true;
        return false;
    }
    m_bytesWritten += count;
    if (m_progress && !m_progress(LowPart(m_bytesWritten), HighPart(m_bytesWritten), m_user)) {
        m_cancelRequested = true;
        return false;
    }
    return true;
}

bool FileRecovery::WriteDataSink(const uint8_t* bytes, uint32_t count, void* writer) {
    return static_cast<FileRecovery*>(writer)->WriteData(bytes, count);
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
