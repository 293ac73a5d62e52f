#include "engine/exfat/ExfatFileRecovery.h"

#include "engine/carve/CarvedRows.h"
#include "engine/exfat/ExfatBytes.h"
#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatScanner.h"
#include "store/ScanRow.h"

#include <algorithm>
#include <cstring>

ExfatFileRecovery::~ExfatFileRecovery() = default;

bool ExfatFileRecovery::OpenVolume(char letter) {
    m_plans.clear();
    return VolumeRecovery::OpenVolume(letter);
}

uint64_t ExfatFileRecovery::HexValueOf(const ScanRow& row) const {
    return row.id;
}

void ExfatFileRecovery::ResolveItem(const ScanRow& row, RecoveryItem& item) {
    // A carved file is read as it lies, whatever the volume's tables say now.
    if (m_volume &&
        ResolveCarvedItem(row, m_volume->Boot().bytesPerSector, m_volume->DeviceSize(), item))
        return;
    item.isFolder = row.isDir != 0;
    item.name = row.name;
    item.hexValue = row.id;
    item.folderId = row.id;
    item.created = row.created;
    item.modified = row.modified;
    item.accessed = row.accessed;
    item.attributes = row.attributes;
    item.claimedSize = row.size;
    if (item.isFolder || row.size == 0 || !m_volume) return;

    const ExfatBootInfo& boot = m_volume->Boot();
    // What the row keeps: the first cluster (through its first sector), the size, whether it
    // was deleted. The entry set on the volume adds the chain flag and the valid length.
    uint64_t first = 0;
    if (row.firSector >= boot.heapOffset)
        first = ((row.firSector - boot.heapOffset) >> boot.clusterSectorShift) + 2;
    bool contiguous = row.isDeleted == 1;
    uint64_t valid = row.size;
    if (row.id >= ExfatScanner::kEntryIdBase) {
        const uint64_t position = (row.id - ExfatScanner::kEntryIdBase) * exfat::kEntrySize;
        uint8_t set[2 * exfat::kEntrySize];
        if (m_volume->CopyBytes(position, sizeof set, set)) {
            const uint8_t* stream = set + exfat::kEntrySize;
            const bool live = set[0] == exfat::kTypeFile;
            if ((set[0] | exfat::kInUse) == exfat::kTypeFile &&
                (stream[0] | exfat::kInUse) == exfat::kTypeStream &&
                exfatbytes::Le64(stream + 24) == row.size) {
                // The set's own first cluster: the row's first sector names the cluster the
                // set was found in when the set has none inside the heap.
                first = exfatbytes::Le32(stream + 20);
                valid = std::min(exfatbytes::Le64(stream + 8), row.size);
                // A deleted file's chain, if it had one, was freed with it.
                contiguous = !live || (stream[1] & exfat::kFlagNoFatChain) != 0;
            }
        }
    }
    Plan plan;
    plan.validLength = valid;
    if (first <= UINT32_MAX && m_volume->InHeap(first))
        plan.runs =
            ExfatClusterRuns(*m_volume, static_cast<uint32_t>(first), contiguous, row.size, true);
    uint64_t held = 0;
    for (const auto& run : plan.runs)
        held += static_cast<uint64_t>(run.count) * m_volume->ClusterSize();
    item.size = std::min<uint64_t>(row.size, held);
    if (item.size == 0) {
        item.unreadable = RecoveryReason::kNoData;
        return;
    }
    item.location = m_plans.size();
    m_plans.push_back(std::move(plan));
}

ReadOutcome ExfatFileRecovery::ReadItemData(const RecoveryItem& item, ChunkCallback sink,
                                            void* user) {
    if (m_volume && item.contiguous)
        return ReadCarvedItem(*m_volume, m_volume->Boot().bytesPerSector, item, sink, user);
    if (!m_volume || item.location >= m_plans.size()) return ReadOutcome::kReadFailed;
    const Plan& plan = m_plans[item.location];
    const uint32_t clusterSize = m_volume->ClusterSize();
    uint64_t done = 0;
    for (const auto& run : plan.runs) {
        if (done >= item.size) break;
        const uint64_t runBytes = static_cast<uint64_t>(run.count) * clusterSize;
        const uint64_t take = std::min(runBytes, item.size - done);
        // The part below the valid length is read; the rest is zeros.
        const uint64_t read = plan.validLength > done ? std::min(take, plan.validLength - done) : 0;
        if (read > 0) {
            const ReadOutcome outcome =
                m_volume->StreamingRead(m_volume->ClusterOffset(run.first), read, sink, user);
            if (outcome != ReadOutcome::kOk) return outcome;
        }
        if (read < take) {
            static const uint8_t kZeros[64 * 1024] = {};
            for (uint64_t left = take - read; left > 0;) {
                const uint32_t piece =
                    static_cast<uint32_t>(std::min<uint64_t>(left, sizeof kZeros));
                if (!sink(kZeros, piece, user)) return ReadOutcome::kSinkRefused;
                left -= piece;
            }
        }
        done += take;
    }
    return done == item.size ? ReadOutcome::kOk : ReadOutcome::kReadFailed;
}
