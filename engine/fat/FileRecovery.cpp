#include "engine/fat/FileRecovery.h"

#include "platform/Text.h"

FileRecovery::~FileRecovery() {
    m_output.Close();
}

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

bool FileRecovery::KeepExisting(const std::u16string& path) {
    int answer = 0;
    if (m_exists) m_exists(path.c_str(), 0, &answer, m_user);
    return answer == 1;
}

bool FileRecovery::CreateOutputFile(const std::u16string& path, uint32_t attributes) {
    if (path.empty()) return false;
    m_output.Close();
    const std::string utf8 = platform::Utf16ToUtf8(path);
    if (platform::PathExists(utf8) && KeepExisting(path)) return false;
    return m_output.Create(utf8, (attributes & 0x01) != 0);
}

bool FileRecovery::CreateOutputDirectory(const std::u16string& path) {
    if (path.empty()) return false;
    const std::string utf8 = platform::Utf16ToUtf8(path);
    if (platform::PathExists(utf8)) {
        if (KeepExisting(path)) return false;
        // Reusing only works for a folder; a file of that name cannot hold children, and a
        // link would lead the writes out of the destination.
        return platform::IsPlainDirectory(utf8);
    }
    return platform::MakeDirectory(utf8);
}

bool FileRecovery::WriteData(const uint8_t* bytes, uint32_t count) {
    if (!m_output.Write(bytes, count)) {
        m_writeFailed = true;
        return false;
    }
    m_bytesWritten += count;
    if (m_progress) return m_progress(LowPart(m_bytesWritten), HighPart(m_bytesWritten), m_user);
    return true;
}

bool FileRecovery::WriteDataSink(const uint8_t* bytes, uint32_t count, void* writer) {
    return static_cast<FileRecovery*>(writer)->WriteData(bytes, count);
}

bool FileRecovery::SetTimes(uint64_t /*created*/, uint64_t accessed, uint64_t modified) {
    return m_output.SetTimes(accessed, modified);
}

bool FileRecovery::CloseOutput() {
    return m_output.Close();
}

std::u16string FileRecovery::FormatHexName(uint64_t value) {
    if (value == 0) return u"0x00";
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string digits;
    for (; value; value >>= 4)
        digits.insert(digits.begin(), kDigits[value & 0xF]);
    if (digits.size() % 2) digits.insert(digits.begin(), u'0');
    return u"0x" + digits;
}

std::u16string FileRecovery::SafeOutputName(std::u16string_view name, uint64_t hexValue) {
    if (name.empty()) return FormatHexName(hexValue);
    std::u16string safe(name);
    for (char16_t& c : safe)
        if (c == u'/' || c == 0) c = u'_';
    if (safe == u"." || safe == u"..") safe.insert(safe.begin(), u'_');
    return safe;
}

std::u16string FileRecovery::JoinOutputPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') path += u'/';
    path += name;
    return path;
}
