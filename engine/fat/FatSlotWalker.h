#pragma once
// The walk over the 32-byte slots of one directory cluster, shared by the quick scan (which
// follows folders) and the complete scan (which reads every cluster). Long-name slots are
// collected in an assembler until their short entry; the policy says which check a short
// entry must pass; every accepted entry is handed to a visitor.
#include "engine/fat/FatEntry.h"
#include "engine/fat/FatEntryAssembler.h"
#include "engine/volume/StreamBase.h"

#include <cstdint>
#include <utility>

// Which entries of a cluster are kept.
struct FatSlotPolicy {
    // True for a cluster known to belong to a folder (the quick scan's folders, the clusters
    // of a folder's chain in the complete scan): the structure already says its slots are
    // entries, so they need only be well formed (IsWellFormedEntry). False for any other
    // cluster, which may hold anything: entries must look plausible (IsValidEntry) and have a
    // clean name.
    bool insideFolder = true;
    uint32_t clusterBound = 0;
};

class FatSlotVisitor {
public:
    virtual ~FatSlotVisitor() = default;
    // An accepted entry and its short slot. False ends the cluster at once.
    virtual bool OnEntry(const FatEntry& entry, const uint8_t* slot) = 0;
};

class FatSlotWalker {
public:
    enum class End {
        EndMark,   // a slot starting with 0x00: the folder ends here
        Exhausted, // every slot was read; pending long-name slots are carried over
        Stopped,   // the visitor asked to stop
    };

    // Walks the first slotCount slots of cluster (bytes it does not have read as zeros). The
    // stream is read afresh for every slot: a visitor that reads other clusters may make a
    // cache view take a private copy of its bytes. Entries get parent as their directory
    // cluster. The assembler may hold long-name slots
    // carried from the cluster before; when the walk ends with Exhausted it holds those
    // pending now (marked carried), otherwise it is empty.
    static End Walk(const StreamBase& cluster, uint32_t slotCount, uint32_t parent,
                    const FatSlotPolicy& policy, FatEntryAssembler& assembler,
                    FatSlotVisitor& visitor) {
        return WalkFrom(cluster, 0, slotCount, parent, policy, assembler, visitor, nullptr);
    }

    // The same from slot firstSlot on: a walk that left the cluster for a while (to enter a
    // folder) goes on behind the slot it stopped at. When the visitor stops the walk, stoppedAt
    // (if given) receives the index of the slot it was given.
    static End WalkFrom(const StreamBase& cluster, uint32_t firstSlot, uint32_t slotCount,
                        uint32_t parent, const FatSlotPolicy& policy, FatEntryAssembler& assembler,
                        FatSlotVisitor& visitor, uint32_t* stoppedAt);

    // The same with a callable bool(const FatEntry&, const uint8_t* slot) as the visitor.
    template <typename F>
    static End Walk(const StreamBase& cluster, uint32_t slotCount, uint32_t parent,
                    const FatSlotPolicy& policy, FatEntryAssembler& assembler, F&& onEntry) {
        return WalkFrom(cluster, 0, slotCount, parent, policy, assembler, std::forward<F>(onEntry),
                        nullptr);
    }

    // WalkFrom with a callable as the visitor.
    template <typename F>
    static End WalkFrom(const StreamBase& cluster, uint32_t firstSlot, uint32_t slotCount,
                        uint32_t parent, const FatSlotPolicy& policy, FatEntryAssembler& assembler,
                        F&& onEntry, uint32_t* stoppedAt) {
        struct Adapter : FatSlotVisitor {
            explicit Adapter(F& f) : f_(f) {}
            bool OnEntry(const FatEntry& entry, const uint8_t* slot) override {
                return f_(entry, slot);
            }
            F& f_;
        } adapter(onEntry);
        return WalkFrom(cluster, firstSlot, slotCount, parent, policy, assembler,
                        static_cast<FatSlotVisitor&>(adapter), stoppedAt);
    }
};
