#pragma once
// Collects the 32-byte slots of one directory entry (its long-name slots, then the short
// entry) and builds the FatEntry they describe.
#include "engine/fat/FatEntry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class FatEntryAssembler {
public:
    static constexpr size_t kSlotSize = 32;
    // Of a longer run of long-name slots only the first this many (in disk order) are read;
    // slots are collected per directory cluster, so their number is bounded by its size.
    static constexpr size_t kMaxLongNameSlots = 21;

    using Slot = std::array<uint8_t, kSlotSize>;

    explicit FatEntryAssembler(uint16_t sectorsPerCluster = 0)
        : m_sectorsPerCluster(sectorsPerCluster) {}

    void Append(const uint8_t* slot);
    void Clear() {
        m_slots.clear();
        m_carried = 0;
    }
    // Keeps only the last count slots (a long name has at most 20 slots).
    void KeepLast(size_t count);
    // Keeps the long-name slots pending at the end of a cluster for the cluster that continues
    // it. Carried slots join the next short entry's name only when their checksum matches
    // that entry; otherwise they are dropped when it is built.
    void CarryOver();
    size_t Carried() const { return m_carried; }
    size_t Count() const { return m_slots.size(); }
    const Slot& Back() const { return m_slots.back(); }

    // Builds the entry of the collected slots; the last one is the short entry. Carried slots
    // whose checksum does not match it are left out of the name. The entry is kept until the
    // next build.
    const FatEntry& Build(uint32_t directoryCluster);
    const FatEntry* Built() const { return m_built.get(); }

    uint16_t SectorsPerCluster() const { return m_sectorsPerCluster; }

    // The short name of a slot: base and extension, space-trimmed, "_" for a deleted first
    // byte, lower-cased per the case flags at 0x0C.
    static std::u16string ShortName(const uint8_t* slot);
    // The same, appended to out.
    static void AppendShortName(const uint8_t* slot, std::u16string& out);

private:
    // Appends the long name of the collected slots (at least two) to name.
    void AppendLongName(std::u16string& name) const;

    uint16_t m_sectorsPerCluster;
    std::vector<Slot> m_slots;
    size_t m_carried = 0; // the first this many slots came from an earlier cluster
    std::unique_ptr<FatEntry> m_built;
};
