#include "engine/recovery/RecoveryOutput.h"

bool RecoveryOutput::BeforeFile(const std::u16string& path, const std::u16string& name,
                                uint64_t size) {
    return !m_callbacks.before || m_callbacks.before(path.c_str(), name.c_str(), LowPart(size),
                                                     HighPart(size), m_callbacks.user);
}

bool RecoveryOutput::KeepExisting(const std::u16string& path) {
    int answer = 0;
    if (m_callbacks.exists) m_callbacks.exists(path.c_str(), 0, &answer, m_callbacks.user);
    return answer == 1;
}

void RecoveryOutput::FileDone(const RecoveredFile& file) {
    if (m_callbacks.done) m_callbacks.done(&file, m_callbacks.user);
}

void RecoveryOutput::StartFile() {
    m_bytesWritten = 0;
    m_writeFailed = false;
    m_cancelRequested = false;
}

bool RecoveryOutput::Write(const uint8_t* bytes, uint32_t count) {
    if (!m_file.Write(bytes, count)) {
        m_writeFailed = true;
        return false;
    }
    m_bytesWritten += count;
    if (m_callbacks.progress && !m_callbacks.progress(LowPart(m_bytesWritten),
                                                      HighPart(m_bytesWritten), m_callbacks.user)) {
        m_cancelRequested = true;
        return false;
    }
    return true;
}

bool RecoveryOutput::Sink(const uint8_t* bytes, uint32_t count, void* output) {
    return static_cast<RecoveryOutput*>(output)->Write(bytes, count);
}
