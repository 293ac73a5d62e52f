#include "engine/partition/VolumeProbe.h"

#include "engine/partition/BackupBootSector.h"
#include "engine/partition/BootSectorCheck.h"
#include "engine/partition/GptTable.h"
#include "engine/partition/LostVolumeSearch.h"
#include "engine/partition/MbrTable.h"
#include "engine/partition/SpaceMap.h"

#include <algorithm>
#include <optional>

using partition::ByteRange;
using partition::TableLayout;
using partition::TablePartition;

namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kMiB = 1 << 20;

const char* StructureName(FileSystemKind kind) {
    switch (kind) {
    case FileSystemKind::kNtfs:
        return "an MFT";
    case FileSystemKind::kExfat:
        return "a FAT and cluster heap";
    default:
        return "a FAT";
    }
}

std::string Quoted(const std::string& name) {
    return name.empty() ? "" : " \"" + name + "\"";
}

// What the partitions of a table hold: the volumes it binds and the partitions it does not.
struct Binding {
    std::vector<FoundVolume> volumes;
    std::vector<OtherSpace> others;
    std::vector<std::string> problems;
    size_t checked = 0; // volumes whose FAT or MFT lies where their boot sector says
};

Binding BindTable(const platform::Source& source, const TableLayout& table) {
    Binding out;
    for (const TablePartition& p : table.partitions) {
        const std::string name = "partition " + std::to_string(p.number);
        uint8_t sector[kSector] = {};
        source.ReadAt(p.offset, sector, kSector);
        const FileSystemKind kind = partition::BootSectorKind(sector);
        FoundVolume volume;
        volume.offset = p.offset;
        volume.length = p.length;
        volume.partitionNumber = p.number;
        if (kind != FileSystemKind::kUnknown) {
            volume.fileSystem = kind;
            volume.label = partition::BootSectorLabel(sector, kind);
            if (partition::CheckVolume(source, p.offset, sector, kind))
                ++out.checked;
            else
                out.problems.push_back(name + "'s " + FileSystemName(kind) + " boot sector names " +
                                       StructureName(kind) + " that is not where it says");
            out.volumes.push_back(volume);
            continue;
        }
        // A first sector that names no file system may be a damaged one whose backup
        // survived.
        if (auto backup = partition::VolumeFromBackup(source, p.offset, p.length)) {
            volume.fileSystem = backup->fileSystem;
            volume.label = backup->label;
            volume.bootSectorOffset = backup->bootSectorOffset;
            out.problems.push_back(name + "'s boot sector is damaged; the " +
                                   FileSystemName(backup->fileSystem) + " backup at byte " +
                                   std::to_string(backup->bootSectorOffset) +
                                   " of the partition was used");
            out.volumes.push_back(volume);
            ++out.checked;
            continue;
        }
        out.others.push_back(
            {p.offset, p.length, p.number, p.type + Quoted(p.name) + ": no supported file system"});
    }
    return out;
}

// Reads the partition table of a disk whose sector 0 is not a volume's boot sector.
std::optional<TableLayout> ReadTable(const platform::Source& source, const uint8_t* sector0,
                                     std::vector<std::string>& problems) {
    const auto mbr = partition::ParseMbrSector(sector0);
    const bool protective = mbr && partition::HasProtectiveEntry(*mbr);
    if (protective || !mbr || !partition::HasEntries(*mbr)) {
        if (auto gpt = partition::ReadGpt(source)) {
            if (!protective)
                problems.push_back("sector 0 holds no protective MBR; the GPT was read all the "
                                   "same");
            // A hybrid disk's MBR entries are a fallback when its GPT yields nothing.
            if (gpt->partitions.empty() && protective && !gpt->trusted) {
                TableLayout table = partition::ReadMbr(source, *mbr, 512);
                if (!table.partitions.empty()) {
                    problems.insert(problems.end(), gpt->problems.begin(), gpt->problems.end());
                    problems.push_back("the GPT yields no partition; the MBR's entries were "
                                       "read instead");
                    return table;
                }
            }
            return gpt;
        }
        if (protective) {
            problems.push_back("sector 0 protects a GPT, but neither its primary header (sector "
                               "1) nor its backup (the last sector) is there");
            TableLayout table = partition::ReadMbr(source, *mbr, 512);
            if (!table.partitions.empty()) {
                problems.push_back("the MBR's other entries were read instead");
                return table;
            }
        }
        return std::nullopt;
    }
    return partition::ReadMbr(source, *mbr, 512);
}

void AddSearchFinds(const platform::Source& source, const ProbeOptions& options,
                    ProbeResult& result) {
    std::vector<ByteRange> known;
    for (const auto& v : result.volumes)
        known.push_back({v.offset, v.length});
    const auto search =
        partition::SearchLostVolumes(source, options.search, options.progress, known);
    for (const auto& found : search.volumes) {
        const bool bound =
            std::any_of(result.volumes.begin(), result.volumes.end(),
                        [&](const FoundVolume& v) { return v.offset == found.offset; });
        if (bound) continue;
        FoundVolume volume;
        volume.offset = found.offset;
        volume.length = found.length;
        volume.fileSystem = found.fileSystem;
        volume.foundBySearch = true;
        volume.label = found.label;
        volume.bootSectorOffset = found.bootSectorOffset;
        if (found.bootSectorOffset != 0)
            result.problems.push_back(std::string("the boot sector of the ") +
                                      FileSystemName(found.fileSystem) + " volume found at byte " +
                                      std::to_string(found.offset) +
                                      " is damaged; its backup at byte " +
                                      std::to_string(found.bootSectorOffset) + " was used");
        // A volume found where a table's partition begins is that partition.
        auto other =
            std::find_if(result.others.begin(), result.others.end(), [&](const OtherSpace& o) {
                return o.partitionNumber != 0 && o.offset == found.offset;
            });
        if (other != result.others.end()) {
            volume.partitionNumber = other->partitionNumber;
            volume.length = other->length;
            result.others.erase(other);
        }
        result.volumes.push_back(volume);
    }
    if (search.cancelled)
        result.problems.push_back("the search for lost volumes was cancelled; only the volumes "
                                  "found before it stopped are listed");
}

} // namespace

ProbeResult ProbeSource(const platform::Source& source, const ProbeOptions& options) {
    ProbeResult result;
    const uint64_t size = source.Size();
    uint8_t sector0[kSector] = {};
    if (size != 0 && size < kSector) {
        result.reason = "it is smaller than one sector";
        return result;
    }
    if (source.ReadAt(0, sector0, kSector) < static_cast<int64_t>(kSector)) {
        result.reason = "its first sector cannot be read";
        return result;
    }

    // A volume by itself: a partition device or a volume image.
    const FileSystemKind kind0 = partition::BootSectorKind(sector0);
    if (kind0 != FileSystemKind::kUnknown) {
        const auto checked = partition::CheckVolume(source, 0, sector0, kind0);
        const auto mbr = partition::ParseMbrSector(sector0);
        if (checked || !mbr || !partition::HasEntries(*mbr)) {
            FoundVolume volume;
            volume.length = size;
            volume.fileSystem = kind0;
            volume.label = partition::BootSectorLabel(sector0, kind0);
            if (!checked)
                result.problems.push_back(std::string("its ") + FileSystemName(kind0) +
                                          " boot sector names " + StructureName(kind0) +
                                          " that is not where it says");
            // An image cut short (a copy that stopped early): the files that lie past its end
            // cannot be read, and the scan cannot know that by itself.
            else if (size != 0 && checked->claimed > size)
                result.problems.push_back(
                    std::string("its ") + FileSystemName(kind0) + " volume ends at byte " +
                    std::to_string(checked->claimed) + ", past its end (" + std::to_string(size) +
                    " bytes); only the first " + std::to_string(size) + " bytes can be read");
            result.volumes.push_back(volume);
            return result;
        }
    }

    std::optional<TableLayout> table = ReadTable(source, sector0, result.problems);
    std::vector<ByteRange> used;
    if (table) {
        Binding binding = BindTable(source, *table);
        if (binding.volumes.empty() && table->scheme == "MBR") {
            // A disk of 4096-byte sectors counts its MBR entries in those; taken only when a
            // volume is really there, not for a boot sector that happens to lie at the place.
            if (const auto mbr = partition::ParseMbrSector(sector0)) {
                TableLayout wide = partition::ReadMbr(source, *mbr, 4096);
                Binding wideBinding = BindTable(source, wide);
                if (wideBinding.checked != 0) {
                    table = std::move(wide);
                    binding = std::move(wideBinding);
                }
            }
        }
        result.scheme = table->scheme;
        result.sectorSize = table->sectorSize;
        result.problems.insert(result.problems.end(), table->problems.begin(),
                               table->problems.end());
        result.problems.insert(result.problems.end(), binding.problems.begin(),
                               binding.problems.end());
        result.volumes = std::move(binding.volumes);
        result.others = std::move(binding.others);
        used = table->structures;
        for (const auto& p : table->partitions)
            used.push_back({p.offset, p.length});
    }

    const bool lost = !table || !table->trusted || result.volumes.empty();
    if (size != 0 && (lost || options.search == LostSearch::kEverySector))
        AddSearchFinds(source, options, result);

    if (size != 0) {
        if (used.empty()) used.push_back({0, kSector});
        for (const auto& v : result.volumes)
            used.push_back({v.offset, v.length});
        for (const auto& gap : partition::Unallocated(used, size, kMiB))
            result.others.push_back({gap.offset, gap.length, 0, "unallocated"});
        std::sort(result.others.begin(), result.others.end(),
                  [](const OtherSpace& a, const OtherSpace& b) { return a.offset < b.offset; });
    }
    // Table volumes by number, then the found ones by offset.
    std::stable_sort(result.volumes.begin(), result.volumes.end(),
                     [](const FoundVolume& a, const FoundVolume& b) {
                         if (a.foundBySearch != b.foundBySearch) return !a.foundBySearch;
                         return a.foundBySearch ? a.offset < b.offset
                                                : a.partitionNumber < b.partitionNumber;
                     });

    if (result.volumes.empty()) {
        std::string where =
            table ? "no partition of its " + table->scheme + " holds a supported file system"
                  : "it holds no partition table and no supported file system";
        if (size == 0)
            where += ", and its size is unknown, so it was not searched for lost volumes";
        else if (options.search == LostSearch::kAligned)
            where += ", and no lost volume was found at the usual alignments (a search of "
                     "every sector may find more)";
        else
            where += ", and a search of every sector found no lost volume";
        result.reason = where;
    }
    return result;
}
