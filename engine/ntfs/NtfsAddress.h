#pragma once
// Distinct types for the numbers that say where an MFT record is, so that one cannot be
// passed where another is meant:
//   MftRecordNumber  the record's number in the MFT (48 bits of a file reference);
//   MftSlot          a position on the volume in slot units: the smaller of the cluster size
//                    and the record size (on volumes whose clusters hold whole records this is
//                    the record size, so slot = byte offset / record size);
//   ClusterNumber    a cluster of the volume (LCN);
//   VolumeOffset     a byte offset from the start of the volume.
#include <compare>
#include <cstdint>

template <typename Tag> struct NtfsIndex {
    uint64_t value = 0;

    constexpr NtfsIndex() = default;
    constexpr explicit NtfsIndex(uint64_t v) : value(v) {}
    friend constexpr auto operator<=>(NtfsIndex, NtfsIndex) = default;
};

using MftRecordNumber = NtfsIndex<struct MftRecordNumberTag>;
using MftSlot = NtfsIndex<struct MftSlotTag>;
using ClusterNumber = NtfsIndex<struct ClusterNumberTag>;
using VolumeOffset = NtfsIndex<struct VolumeOffsetTag>;

// The record a file reference names: its low 48 bits (the top 16 are a sequence number).
constexpr MftRecordNumber RecordOfReference(uint64_t reference) {
    return MftRecordNumber{reference & 0xFFFFFFFFFFFFull};
}
