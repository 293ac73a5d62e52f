#include "engine/partition/MbrTable.h"

#include "engine/partition/LeBytes.h"
#include "engine/partition/PartitionTypes.h"

#include <algorithm>
#include <set>
#include <vector>

namespace partition {

namespace {

constexpr size_t kEntryTable = 0x1BE;
constexpr uint32_t kMaxLogical = 128;

MbrEntry EntryAt(const LeBytes& sector, size_t index) {
    const size_t at = kEntryTable + 16 * index;
    MbrEntry e;
    e.status = sector.U8(at);
    e.type = sector.U8(at + 4);
    e.firstSector = sector.U32(at + 8);
    e.sectorCount = sector.U32(at + 12);
    return e;
}

class ChainReader {
public:
    ChainReader(const platform::Source& source, uint32_t sectorSize, TableLayout& layout)
        : source_(source), sectorSize_(sectorSize), layout_(layout) {}

    // Follows the chain of the extended partition in primary slot `slot`.
    void Read(const MbrEntry& extended, size_t slot) {
        const uint64_t base = extended.firstSector;
        const uint64_t end = base + extended.sectorCount;
        const std::string where = "the extended partition (" + std::to_string(slot + 1) + ")";
        std::set<uint64_t> visited;
        std::vector<uint8_t> buffer(sectorSize_);
        uint64_t record = base;
        uint32_t number = 5;
        while (true) {
            if (number - 5 >= kMaxLogical) {
                layout_.problems.push_back(where + " holds more than " +
                                           std::to_string(kMaxLogical) +
                                           " logical partitions; the rest were skipped");
                return;
            }
            if (!visited.insert(record).second) {
                layout_.problems.push_back("the chain of " + where + " loops back to sector " +
                                           std::to_string(record) +
                                           "; the logical partitions after it were skipped");
                return;
            }
            if (record >= end) {
                layout_.problems.push_back("the chain of " + where + " points to sector " +
                                           std::to_string(record) +
                                           ", outside the extended partition; it was cut there");
                return;
            }
            const uint64_t at = record * sectorSize_;
            if (source_.ReadAt(at, buffer.data(), buffer.size()) <
                static_cast<int64_t>(buffer.size())) {
                layout_.problems.push_back("the extended boot record at sector " +
                                           std::to_string(record) + " cannot be read");
                return;
            }
            const LeBytes bytes{buffer.data(), buffer.size()};
            if (bytes.U8(510) != 0x55 || bytes.U8(511) != 0xAA) {
                layout_.problems.push_back("the extended boot record at sector " +
                                           std::to_string(record) +
                                           " has no 0x55AA signature; the chain ends there");
                return;
            }
            layout_.structures.push_back({at, sectorSize_});
            const MbrEntry logical = EntryAt(bytes, 0);
            const MbrEntry next = EntryAt(bytes, 1);
            if (logical.type != 0 && !IsExtendedType(logical.type)) {
                TablePartition p;
                p.number = number++;
                p.offset = (record + logical.firstSector) * sectorSize_;
                p.length = static_cast<uint64_t>(logical.sectorCount) * sectorSize_;
                p.type = MbrTypeText(logical.type);
                if (logical.sectorCount != 0 &&
                    (record + logical.firstSector < base ||
                     record + logical.firstSector + logical.sectorCount > end)) {
                    layout_.problems.push_back("partition " + std::to_string(p.number) +
                                               " reaches outside " + where);
                }
                if (FitPartition(p, source_.Size(), layout_.problems))
                    layout_.partitions.push_back(p);
            }
            if (next.type == 0 || !IsExtendedType(next.type)) return;
            record = base + next.firstSector;
        }
    }

private:
    const platform::Source& source_;
    uint32_t sectorSize_;
    TableLayout& layout_;
};

} // namespace

std::optional<MbrSector> ParseMbrSector(const uint8_t* sector) {
    const LeBytes bytes{sector, 512};
    if (bytes.U8(510) != 0x55 || bytes.U8(511) != 0xAA) return std::nullopt;
    MbrSector mbr;
    for (size_t i = 0; i < 4; ++i) {
        mbr.entries[i] = EntryAt(bytes, i);
        const MbrEntry& e = mbr.entries[i];
        if (e.type != 0 && e.status != 0x00 && e.status != 0x80) return std::nullopt;
    }
    return mbr;
}

bool HasProtectiveEntry(const MbrSector& mbr) {
    for (const auto& e : mbr.entries)
        if (e.type == 0xEE) return true;
    return false;
}

bool HasEntries(const MbrSector& mbr) {
    for (const auto& e : mbr.entries)
        if (e.type != 0) return true;
    return false;
}

TableLayout ReadMbr(const platform::Source& source, const MbrSector& mbr, uint32_t sectorSize) {
    TableLayout layout;
    layout.scheme = "MBR";
    layout.sectorSize = sectorSize;
    layout.structures.push_back({0, sectorSize});
    bool chainRead = false;
    for (size_t i = 0; i < 4; ++i) {
        const MbrEntry& e = mbr.entries[i];
        if (e.type == 0 || e.type == 0xEE) continue;
        if (IsExtendedType(e.type)) {
            if (chainRead) {
                layout.problems.push_back("partition " + std::to_string(i + 1) +
                                          " is a second extended partition; it was skipped");
                continue;
            }
            if (e.sectorCount == 0 || e.firstSector == 0) {
                layout.problems.push_back("the extended partition (" + std::to_string(i + 1) +
                                          ") has zero length or starts at sector 0; it was "
                                          "skipped");
                continue;
            }
            chainRead = true;
            ChainReader(source, sectorSize, layout).Read(e, i);
            continue;
        }
        TablePartition p;
        p.number = static_cast<uint32_t>(i + 1);
        p.offset = static_cast<uint64_t>(e.firstSector) * sectorSize;
        p.length = static_cast<uint64_t>(e.sectorCount) * sectorSize;
        p.type = MbrTypeText(e.type);
        if (FitPartition(p, source.Size(), layout.problems)) layout.partitions.push_back(p);
    }
    std::stable_sort(
        layout.partitions.begin(), layout.partitions.end(),
        [](const TablePartition& a, const TablePartition& b) { return a.number < b.number; });
    ReportOverlaps(layout.partitions, layout.problems);
    return layout;
}

} // namespace partition
