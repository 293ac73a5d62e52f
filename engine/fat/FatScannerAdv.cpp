#include "engine/fat/FatScannerAdv.h"

#include "engine/fat/FATStream.h"
#include "engine/fat/FatEntryChecks.h"

bool FatScannerAdv::Scan(ScanStartCallback start, ScanProgressCallback progress,
                         ScanFinishCallback finish, void* user, uint32_t first, uint32_t end) {
    if (!start || !progress || !finish) return false;
    if (!Open()) return false;
    if (end == 0) end = m_clusterBound;
    if (first >= end) return false;

    const uint32_t total = end - first;
    m_pending.Clear();
    m_hasLast = false;
    start(total, 0, 1000, user);
    m_store.SelectDrive(m_letter);
    m_store.DropTable();
    m_store.BeginInsert();

    const uint32_t step = total / 1000 ? total / 1000 : 1;
    // 64-bit: a range of 0xFFFFFFFF clusters must not wrap the counter.
    for (uint64_t n = 1; n <= total; ++n) {
        if (n % step == 0 && !progress(static_cast<uint32_t>(n), 0, user)) break;
        const uint32_t c = first + static_cast<uint32_t>(n - 1);
        if (c >= 2 && !m_volume.HasBytesAt(m_volume.ClusterOffset(c))) {
            // This cluster and every later one lie past the end of the device (the boot
            // sector claims more than there is): nothing is left to find, only to report.
            for (uint64_t m = (n / step + 1) * step; m <= total; m += step)
                if (!progress(static_cast<uint32_t>(m), 0, user)) break;
            break;
        }
        ScanClusterFlat(c);
    }

    m_store.EndInsert();
    m_store.AdoptOrphans(m_volume.Boot().rootCluster);
    m_store.FinishTree(m_volume.Boot().rootCluster);
    finish(user);
    return true;
}

void FatScannerAdv::ScanClusterFlat(uint32_t c) {
    FatEntryAssembler& assembler = m_pending;
    if (!m_hasLast || m_lastCluster + 1 != c) assembler.Clear();
    m_lastCluster = c;
    m_hasLast = true;

    FATStream stream;
    ReadCluster(c, stream);
    if (!stream.Data()) {
        assembler.Clear(); // an unreadable cluster contributes nothing
        return;
    }
    const uint8_t* bytes = stream.Data();
    const uint32_t slots =
        stream.Size() / 32 < m_entriesPerCluster ? stream.Size() / 32 : m_entriesPerCluster;
    for (uint32_t k = 0; k < slots; ++k) {
        const uint8_t* slot = bytes + 32u * k;
        if (slot[0] == 0x00) {
            assembler.Clear();
            return;
        }
        assembler.Append(slot);
        if (slot[0x0B] == FatEntry::kLongName) continue;
        if (IsDotOrLabel(slot) || !IsValidEntry(slot)) {
            assembler.Clear();
            continue;
        }
        const FatEntry& entry = BuildEntry(assembler, c);
        assembler.Clear();
        if (IsCleanName(entry.name)) StoreEntry(entry);
    }
    assembler.KeepLast(FatEntryAssembler::kMaxLongNameSlots - 1);
}
