#include "engine/fat/FatSlotWalker.h"

#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlot.h"

#include <cstring>

FatSlotWalker::End FatSlotWalker::WalkFrom(const StreamBase& cluster, uint32_t firstSlot,
                                           uint32_t slotCount, uint32_t parent,
                                           const FatSlotPolicy& policy,
                                           FatEntryAssembler& assembler, FatSlotVisitor& visitor,
                                           uint32_t* stoppedAt) {
    for (uint32_t k = firstSlot; k < slotCount; ++k) {
        // The bytes are looked up afresh for every slot (see the header). A slot the cluster
        // holds whole is read in place; the bytes of one it does not hold read as zeros.
        const uint64_t at = 32ull * k;
        const uint8_t* bytes = cluster.Data();
        const uint32_t size = bytes ? cluster.Size() : 0;
        uint8_t padded[32] = {};
        const uint8_t* slot = padded;
        if (at + 32 <= size)
            slot = bytes + at;
        else if (at < size)
            std::memcpy(padded, bytes + at, size - at);
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
        // The visitor may read other clusters, after which this cluster's bytes may have moved:
        // it gets a copy of the slot.
        uint8_t copy[32];
        std::memcpy(copy, slot, sizeof copy);
        if (!visitor.OnEntry(entry, copy)) {
            if (stoppedAt) *stoppedAt = k;
            assembler.Clear();
            return End::Stopped;
        }
    }
    assembler.CarryOver();
    return End::Exhausted;
}
