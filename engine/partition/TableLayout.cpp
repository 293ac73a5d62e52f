#include "engine/partition/TableLayout.h"

#include <algorithm>

namespace partition {

namespace {

std::string Name(const TablePartition& p) {
    return "partition " + std::to_string(p.number);
}

uint64_t SaturatedEnd(const TablePartition& p) {
    return p.length > UINT64_MAX - p.offset ? UINT64_MAX : p.offset + p.length;
}

} // namespace

bool FitPartition(TablePartition& p, uint64_t diskSize, std::vector<std::string>& problems) {
    if (p.length == 0) {
        problems.push_back(Name(p) + " has zero length; it was skipped");
        return false;
    }
    if (p.offset == 0) {
        problems.push_back(Name(p) + " starts at sector 0, over the partition table; it was " +
                           "skipped");
        return false;
    }
    if (diskSize == 0) return true;
    if (p.offset >= diskSize) {
        problems.push_back(Name(p) + " starts at byte " + std::to_string(p.offset) +
                           ", past the end of the disk (" + std::to_string(diskSize) +
                           " bytes); it was skipped");
        return false;
    }
    if (p.length > diskSize - p.offset) {
        problems.push_back(Name(p) + " ends at byte " + std::to_string(p.offset + p.length) +
                           ", past the end of the disk (" + std::to_string(diskSize) +
                           " bytes); only its first " + std::to_string(diskSize - p.offset) +
                           " bytes can be read");
        p.length = diskSize - p.offset;
    }
    return true;
}

void ReportOverlaps(const std::vector<TablePartition>& partitions,
                    std::vector<std::string>& problems) {
    std::vector<const TablePartition*> sorted;
    for (const auto& p : partitions)
        sorted.push_back(&p);
    std::sort(sorted.begin(), sorted.end(), [](const TablePartition* a, const TablePartition* b) {
        return a->offset < b->offset;
    });
    // Against every later partition that starts before this one ends: O(n^2) at worst, and
    // tables are capped well below sizes where that matters.
    for (size_t i = 0; i < sorted.size(); ++i) {
        const uint64_t end = SaturatedEnd(*sorted[i]);
        for (size_t j = i + 1; j < sorted.size() && sorted[j]->offset < end; ++j) {
            const auto* a = sorted[i]->number < sorted[j]->number ? sorted[i] : sorted[j];
            const auto* b = a == sorted[i] ? sorted[j] : sorted[i];
            problems.push_back("partitions " + std::to_string(a->number) + " and " +
                               std::to_string(b->number) + " overlap");
        }
    }
}

} // namespace partition
