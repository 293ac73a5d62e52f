#include "engine/ntfs/NTFSFileRecovery.h"

#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/DebugOutput.h"
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/RecoveryLookups.h"

#include <vector>

namespace {

constexpr uint32_t kData = 0x80;

std::string HexText(uint64_t value) {
    return platform::Utf16ToUtf8(FileRecovery::FormatHexName(value));
}

} // namespace

NTFSFileRecovery::~NTFSFileRecovery() = default;

bool NTFSFileRecovery::Recover(char letter, uint64_t record, const char16_t* destination,
                               BeforeFileCallback before, RecoverProgressCallback progress,
                               FileDoneCallback done, ExistsCallback exists, void* user) {
    if (!exists || !destination) return false;
    m_volume = std::make_unique<NTFSVolume>();
    if (!m_volume->Open(letter, true)) return false;
    KeepCallbacks(letter, before, progress, done, exists, user);
    m_inside.clear();
    const std::u16string folder(destination);
    std::u16string extraName;
    if (FindExtraFolder(letter, record, extraName))
        return RecoverFolder(record, folder, platform::Utf8ToUtf16(kExtraFolderName));
    return RecoverRecord(record, folder);
}

bool NTFSFileRecovery::RecoverRecord(uint64_t record, const std::u16string& folder) {
    if (static_cast<int64_t>(record) < 0 || !m_volume) return false;
    auto file = m_volume->ReadRecord(record);
    if (!file) {
        DebugOutput("[Error]:Failed to read FILE at record " + HexText(record) + ".\n");
        return false;
    }
    if (file->IsDirectory()) {
        file.reset();
        return RecoverDirectoryRecord(record, folder);
    }
    auto row = BuildRow(*file, *m_volume);
    if (!row) return false;
    const std::u16string name = SafeOutputName(row->name, record);
    ExpandAttributeList(file->attributes, m_volume.get());
    const std::u16string path = JoinOutputPath(folder, name);

    NTFSAttribute* data = FindAttribute(file->attributes, kData);
    const uint64_t size = data ? data->DataSize() : 0;
    if (m_before && !m_before(path.c_str(), name.c_str(), LowPart(size), HighPart(size), m_user))
        return false;
    if (!CreateOutputFile(path, row->attributes)) return false;
    StartFile();
    if (size != 0 && !ReadAttributeData(m_volume.get(), data, &FileRecovery::WriteDataSink, this)) {
        CloseOutput();
        if (m_done) m_done(m_user);
        return false;
    }
    // A resident value is handed over without looking at the sink's answer; a failed write
    // still fails the file.
    bool ok = !WriteFailed();
    ok = SetTimes(row->created, row->accessed, row->modified) && ok;
    ok = CloseOutput() && ok;
    if (m_done) m_done(m_user);
    return ok;
}

bool NTFSFileRecovery::RecoverDirectoryRecord(uint64_t record, const std::u16string& folder) {
    if (!m_volume) return false;
    auto file = m_volume->ReadRecord(record);
    if (!file) {
        DebugOutput("[Error]:Failed to read FILE at record " + HexText(record) + ".");
        return false;
    }
    if (!file->IsDirectory()) return false;
    auto row = BuildRow(*file, *m_volume);
    if (!row) return false;
    return RecoverFolder(record, folder, row->name);
}

bool NTFSFileRecovery::RecoverFolder(uint64_t record, const std::u16string& folder,
                                     std::u16string name) {
    name = SafeOutputName(name, record);
    if (m_inside.count(record) || m_inside.size() >= kMaxFolderDepth)
        return false; // listed below itself, or absurdly deep
    const std::u16string path = JoinOutputPath(folder, name);
    if (!CreateOutputDirectory(path)) return false;
    std::vector<uint64_t> children;
    ChildRecords(m_letter, record, children);
    m_inside.insert(record);
    for (uint64_t child : children) {
        if (g_engineCancel) break;
        if (!RecoverRecord(child, path))
            DebugOutput("[Error]:Recovery of file record " + HexText(child) + " (within \"" +
                        platform::Utf16ToUtf8(path) + "\") failed.");
    }
    m_inside.erase(record);
    return true;
}
