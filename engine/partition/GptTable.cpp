#include "engine/partition/GptTable.h"

#include "engine/partition/LeBytes.h"
#include "engine/partition/PartitionTypes.h"
#include "platform/Text.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace partition {

namespace {

// The entry array may hold any number of entries; more than 4 MiB of them is not a table.
constexpr uint64_t kMaxArrayBytes = 4u << 20;
constexpr uint32_t kSectorSizes[] = {512, 4096};

uint32_t Crc32(const uint8_t* data, size_t length) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (length > 0) {
        const uInt chunk = length > (1u << 30) ? (1u << 30) : static_cast<uInt>(length);
        crc = crc32(crc, data, chunk);
        data += chunk;
        length -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

std::string Sector(uint64_t lba) {
    return "sector " + std::to_string(lba);
}

// One copy of the table: a header and the entry array it names.
struct GptCopy {
    std::string name; // "primary" or "backup"
    std::optional<GptHeader> header;
    std::vector<uint8_t> entries;
    bool entriesOk = false;

    bool Usable() const { return header && header->fault.empty(); }
    bool Sound() const { return Usable() && header->crcOk && entriesOk; }
    // What is wrong with this copy, for a problem line.
    std::string Fault() const {
        if (!header) return "the GPT's " + name + " header is missing";
        if (!header->fault.empty()) return "the GPT's " + name + " header " + header->fault;
        if (!header->crcOk) return "the GPT's " + name + " header fails its CRC32";
        if (!entriesOk) return "the GPT's " + name + " partition entry array fails its CRC32";
        return "";
    }
};

class GptReader {
public:
    GptReader(const platform::Source& source, uint32_t sectorSize)
        : source_(source), sectorSize_(sectorSize), diskSectors_(source.Size() / sectorSize) {}

    std::optional<GptHeader> HeaderAt(uint64_t lba) const {
        if (lba > UINT64_MAX / sectorSize_) return std::nullopt;
        std::vector<uint8_t> sector(sectorSize_);
        if (source_.ReadAt(lba * sectorSize_, sector.data(), sector.size()) <
            static_cast<int64_t>(sector.size()))
            return std::nullopt;
        return ParseGptHeader(sector.data(), sector.size(), lba, diskSectors_);
    }

    GptCopy CopyAt(const std::string& name, uint64_t lba) const {
        GptCopy copy;
        copy.name = name;
        copy.header = HeaderAt(lba);
        if (!copy.Usable()) return copy;
        const GptHeader& h = *copy.header;
        const uint64_t bytes = static_cast<uint64_t>(h.entryCount) * h.entrySize;
        copy.entries.resize(bytes);
        const int64_t got = source_.ReadAt(h.entriesLba * sectorSize_, copy.entries.data(), bytes);
        copy.entriesOk = got == static_cast<int64_t>(bytes) &&
                         Crc32(copy.entries.data(), copy.entries.size()) == h.entriesCrc;
        return copy;
    }

    uint64_t LastLba() const { return diskSectors_ ? diskSectors_ - 1 : 0; }
    uint64_t DiskSectors() const { return diskSectors_; }
    uint32_t SectorSize() const { return sectorSize_; }

private:
    const platform::Source& source_;
    uint32_t sectorSize_;
    uint64_t diskSectors_;
};

void ReadEntries(const GptCopy& copy, uint32_t sectorSize, uint64_t diskSize, TableLayout& layout) {
    const GptHeader& h = *copy.header;
    const LeBytes array{copy.entries.data(), copy.entries.size()};
    for (uint32_t i = 0; i < h.entryCount; ++i) {
        const size_t at = static_cast<size_t>(i) * h.entrySize;
        if (array.IsZero(at, 16)) continue; // unused entry
        TablePartition p;
        p.number = i + 1;
        p.type = GptTypeText(array.data + at);
        const uint64_t first = array.U64(at + 32);
        const uint64_t last = array.U64(at + 40);
        std::u16string name;
        for (size_t c = 0; c < 36; ++c) {
            const char16_t unit = array.U16(at + 56 + 2 * c);
            if (unit == 0) break;
            name.push_back(unit);
        }
        p.name = platform::Utf16ToUtf8(name);
        const std::string what = "partition " + std::to_string(p.number);
        if (last < first) {
            layout.problems.push_back(what + " ends (" + Sector(last) + ") before it starts (" +
                                      Sector(first) + "); it was skipped");
            continue;
        }
        if (first > UINT64_MAX / sectorSize / 2) {
            layout.problems.push_back(what + " starts at " + Sector(first) +
                                      ", past the end of the disk; it was skipped");
            continue;
        }
        p.offset = first * sectorSize;
        const uint64_t count = last - first + 1;
        p.length = count > (UINT64_MAX - p.offset) / sectorSize ? UINT64_MAX - p.offset
                                                                : count * sectorSize;
        if (first < h.firstUsable || last > h.lastUsable)
            layout.problems.push_back(what + " lies outside the table's usable sectors (" +
                                      std::to_string(h.firstUsable) + " to " +
                                      std::to_string(h.lastUsable) + ")");
        if (FitPartition(p, diskSize, layout.problems)) layout.partitions.push_back(p);
    }
    ReportOverlaps(layout.partitions, layout.problems);
}

} // namespace

std::optional<GptHeader> ParseGptHeader(const uint8_t* sector, size_t sectorSize, uint64_t lba,
                                        uint64_t diskSectors) {
    const LeBytes bytes{sector, sectorSize};
    if (!bytes.Equals(0, "EFI PART")) return std::nullopt;
    GptHeader h;
    const uint32_t headerSize = bytes.U32(12);
    h.myLba = bytes.U64(24);
    h.alternateLba = bytes.U64(32);
    h.firstUsable = bytes.U64(40);
    h.lastUsable = bytes.U64(48);
    h.entriesLba = bytes.U64(72);
    h.entryCount = bytes.U32(80);
    h.entrySize = bytes.U32(84);
    h.entriesCrc = bytes.U32(88);
    if (headerSize < 92 || headerSize > sectorSize) {
        h.fault = "gives a header size of " + std::to_string(headerSize) + " bytes";
        return h;
    }
    std::vector<uint8_t> copy(sector, sector + headerSize);
    for (size_t i = 16; i < 20; ++i)
        copy[i] = 0;
    h.crcOk = Crc32(copy.data(), copy.size()) == bytes.U32(16);
    const uint64_t arrayBytes = static_cast<uint64_t>(h.entryCount) * h.entrySize;
    const uint64_t arraySectors = (arrayBytes + sectorSize - 1) / sectorSize;
    if (h.myLba != lba)
        h.fault = "names itself at " + Sector(h.myLba) + " but lies at " + Sector(lba);
    else if (h.entrySize < 128 || (h.entrySize & (h.entrySize - 1)) != 0)
        h.fault = "gives an entry size of " + std::to_string(h.entrySize) + " bytes";
    else if (h.entryCount == 0 || arrayBytes > kMaxArrayBytes)
        h.fault = "gives " + std::to_string(h.entryCount) + " entries";
    else if (h.firstUsable > h.lastUsable)
        h.fault = "gives usable sectors that end before they start";
    else if (h.entriesLba < 1 || h.entriesLba > UINT64_MAX / sectorSize - arraySectors ||
             (diskSectors && h.entriesLba + arraySectors > diskSectors))
        h.fault = "places its entry array at " + Sector(h.entriesLba) + ", outside the disk";
    return h;
}

std::optional<TableLayout> ReadGpt(const platform::Source& source) {
    const uint64_t diskSize = source.Size();
    // Where a primary header lies, its sector size is the disk's; else look for a backup.
    std::optional<GptReader> reader;
    GptCopy primary;
    for (uint32_t size : kSectorSizes) {
        GptReader candidate(source, size);
        GptCopy copy = candidate.CopyAt("primary", 1);
        if (copy.header) {
            reader.emplace(source, size);
            primary = std::move(copy);
            break;
        }
    }
    GptCopy backup;
    backup.name = "backup";
    if (reader) {
        if (!primary.Sound()) {
            // The backup lies where a sound primary header says, else in the last sector.
            uint64_t lba = reader->LastLba();
            if (primary.Usable() && primary.header->crcOk && primary.header->alternateLba != 0)
                lba = primary.header->alternateLba;
            backup = reader->CopyAt("backup", lba);
            if (!backup.header && lba != reader->LastLba())
                backup = reader->CopyAt("backup", reader->LastLba());
        }
    } else {
        for (uint32_t size : kSectorSizes) {
            GptReader candidate(source, size);
            if (candidate.DiskSectors() < 3) continue;
            GptCopy copy = candidate.CopyAt("backup", candidate.LastLba());
            if (copy.header) {
                reader.emplace(source, size);
                backup = std::move(copy);
                break;
            }
        }
        if (!reader) return std::nullopt;
        primary.name = "primary";
    }

    TableLayout layout;
    layout.scheme = "GPT";
    layout.sectorSize = reader->SectorSize();
    const GptCopy* used = nullptr;
    if (primary.Sound()) {
        used = &primary;
    } else if (backup.Sound()) {
        used = &backup;
        layout.problems.push_back(primary.Fault() + "; the backup at " +
                                  Sector(backup.header->myLba) + " was used");
    } else {
        // Neither copy is sound: read the best one anyway, so that every partition with a
        // file system can still be found, and let the caller search the disk as well.
        layout.trusted = false;
        for (const GptCopy* copy : {&primary, &backup})
            if (!used && copy->Usable() && copy->header->crcOk) used = copy;
        for (const GptCopy* copy : {&primary, &backup})
            if (!used && copy->Usable()) used = copy;
        std::string text = primary.Fault() + ", and " + backup.Fault();
        text += used ? "; the " + used->name + "'s entries were read anyway"
                     : "; no partition could be read from it";
        layout.problems.push_back(text);
    }
    if (!used) return layout;
    const GptHeader& h = *used->header;
    const uint64_t ss = layout.sectorSize;
    const uint64_t diskSectors = reader->DiskSectors();
    const uint64_t firstUsable = diskSectors ? std::min(h.firstUsable, diskSectors) : h.firstUsable;
    layout.structures.push_back({0, std::min(firstUsable, UINT64_MAX / ss) * ss});
    if (diskSectors && h.lastUsable + 1 < diskSectors)
        layout.structures.push_back(
            {(h.lastUsable + 1) * ss, (diskSectors - h.lastUsable - 1) * ss});
    ReadEntries(*used, layout.sectorSize, diskSize, layout);
    return layout;
}

} // namespace partition
