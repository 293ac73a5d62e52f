#include "engine/fat/FatFileRecovery.h"

#include "engine/fat/FatChainWalker.h"
#include "store/CppSQLite3Exception.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"

#include <exception>

FatFileRecovery::~FatFileRecovery() = default;

bool FatFileRecovery::OpenVolume(char letter) {
    m_volume = std::make_unique<FATVolume>();
    m_letter = letter;
    return m_volume->Open(letter, true);
}

bool FatFileRecovery::Recover(char letter, uint64_t record, const char16_t* destination,
                              BeforeFileCallback before, RecoverProgressCallback progress,
                              FileDoneCallback done, ExistsCallback exists, void* user) {
    if (!exists || !destination) return false;
    if (!OpenVolume(letter)) return false;
    KeepCallbacks(letter, before, progress, done, exists, user);
    try {
        ScanRow row;
        if (!ReadByRecord(letter, record, row)) return false;
        m_inside.clear();
        m_recovered.clear();
        return RecoverEntry(FatEntry::FromRow(row), destination);
    } catch (const CppSQLite3Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool FatFileRecovery::RecoverEntry(const FatEntry& entry, const std::u16string& folder) {
    if (entry.IsDirectory()) return RecoverDirectory(entry, folder);
    if (!m_volume) return false;

    const std::u16string name = SafeOutputName(entry.name, entry.firstCluster);
    const std::u16string path = JoinOutputPath(folder, name);
    if (m_before &&
        !m_before(path.c_str(), name.c_str(), LowPart(entry.size), HighPart(entry.size), m_user))
        return false;
    if (!CreateOutputFile(path, entry.attributes)) return false;
    StartFile();

    bool ok = true;
    if (entry.size != 0) {
        const bool cancelBefore = g_engineCancel;
        FatChainWalker walker;
        ok = walker.ReadFileData(m_volume.get(), entry.sector, static_cast<uint32_t>(entry.size),
                                 &FileRecovery::WriteDataSink, this);
        // The reader raises the cancel flag whenever the sink refuses data; a refusal caused
        // by the destination fails this file only, not the folders around it.
        if (!ok && WriteFailed()) g_engineCancel = cancelBefore;
    }
    if (ok) {
        SetTimes(entry.created, entry.accessed, entry.modified);
        ok = CloseOutput();
    } else {
        CloseOutput();
    }
    if (m_done) m_done(m_user);
    return ok;
}

bool FatFileRecovery::RecoverDirectory(const FatEntry& entry, const std::u16string& folder) {
    if (!entry.IsDirectory()) return false;
    if (m_recovered.count(entry.firstCluster) || m_inside.size() >= kMaxDepth)
        return false; // the table links this folder below itself, repeats it, or nests without end
    const std::u16string name = SafeOutputName(entry.name, entry.firstCluster);
    const std::u16string path = JoinOutputPath(folder, name);
    if (!CreateOutputDirectory(path)) return false;
    m_inside.insert(entry.firstCluster);
    m_recovered.insert(entry.firstCluster);
    ForEachChildEntry(m_letter, entry.firstCluster, path, &FatFileRecovery::VisitChild, this);
    m_inside.erase(entry.firstCluster);
    return true;
}

void FatFileRecovery::VisitChild(const ScanRow& row, const std::u16string& destination,
                                 void* self) {
    // A failing child does not stop its siblings.
    static_cast<FatFileRecovery*>(self)->RecoverEntry(FatEntry::FromRow(row), destination);
}
