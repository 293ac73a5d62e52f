#include "engine/fat/FatSlotWalker.h"

#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlot.h"

#include <cstring>

FatSlotWalker::End FatSlotWalker::Walk(const StreamBase& cluster, uint32_t slotCount,
                                       uint32_t parent, const FatSlotPolicy& policy,
                                       FatEntryAssembler& assembler, FatSlotVisitor& visitor) {
    for (uint32_t k = 0; k < slotCount; ++k) {
        uint8_t slot[32] = {}; // bytes the cluster does not have read as zeros
        const uint64_t at = 32ull * k;
        const uint8_t* bytes = cluster.Data();
        const uint32_t size = bytes ? cluster.Size() : 0;
        if (at < size) std::memcpy(slot, bytes + at, size - at < 32 ? size - at : 32);
        if (slot[0] == 0x00) {
            assembler.Clear(); // the end of the folder
            return End::EndMark;
        }
        assembler.Append(slot);
        if (slot[fatslot::kAttributes] == FatEntry::kLongName) continue;
        const bool acceptable = !IsDotOrLabel(slot) &&
                                (policy.insideFolder ? IsWellFormedEntry(slot, policy.clusterBound)
                                                     : IsValidEntry(slot, policy.clusterBound));
        if (!acceptable) {
            assembler.Clear();
            continue;
        }
        const FatEntry& entry = assembler.Build(parent);
        assembler.Clear();
        if (!policy.insideFolder && !IsCleanName(entry.name)) continue;
        if (!visitor.OnEntry(entry, slot)) {
            assembler.Clear();
            return End::Stopped;
        }
    }
    assembler.CarryOver();
    return End::Exhausted;
}
