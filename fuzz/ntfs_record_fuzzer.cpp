// Parses arbitrary bytes as an MFT record: header, update sequence, attributes, decoded values,
// attribute lists, fragment merging, row building and resident data reading. The scans' row
// reader must give the very row the full parse gives; any difference aborts. The first byte
// chooses the record size (1024, 2048 or 4096) and the slot; the bytes past the record feed the
// LZNT1 decompressor.
//
// The same bytes are then laid out as small volumes (a boot sector at the start, the MFT from
// cluster 1 of 4 KiB, or from cluster 9 of 512 bytes), so that records are read by slot and by
// number through $MFT's runs, attribute lists name other records of the input, and
// non-resident, sparse and compressed data is read through its runs.
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/LZNT1.h"
#include "engine/ntfs/MFTRunCursor.h"
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NTFSRowReader.h"
#include "engine/ntfs/NTFSVolume.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool Discard(const uint8_t*, uint32_t, void*) {
    return true;
}

// Takes at most the budget the user value points to, then asks to stop.
bool Budget(const uint8_t*, uint32_t length, void* user) {
    auto* left = static_cast<uint64_t*>(user);
    if (length > *left) return false;
    *left -= length;
    return true;
}

constexpr uint32_t kVolumeBytes = 16 * 4096;

// Aborts unless the row reader's answer is the full parse's: no record, no row, or this row.
void CheckSameRow(NTFSRowReader::Result got, const NTFSFileRow& row, bool parsed,
                  const NTFSFileRow* want) {
    using Result = NTFSRowReader::Result;
    const Result expected = !parsed ? Result::NoRecord : want ? Result::Row : Result::NoRow;
    if (got != expected) std::abort();
    if (got != Result::Row) return;
    if (row.name != want->name || row.size != want->size || row.created != want->created ||
        row.modified != want->modified || row.accessed != want->accessed ||
        row.attributes != want->attributes || row.parent != want->parent ||
        row.recordNumber != want->recordNumber || row.firstSector != want->firstSector ||
        row.inUse != want->inUse || row.isDirectory != want->isDirectory)
        std::abort();
}

// Reads the record at location both ways and compares the rows.
void CompareAt(NTFSVolume& volume, NTFSRowReader& reader, const RecordLocation& location) {
    const NTFSRowReader::Result got = reader.Read(location);
    const auto record = volume.ReadRecordAt(location);
    const auto row = record ? BuildRow(*record, volume) : nullptr;
    CheckSameRow(got, reader.Row(), record != nullptr, row.get());
}

// One image file per fuzzing process, removed at exit.
struct ImageFile {
    ImageFile() {
        char name[] = "/tmp/ntfs_record_fuzzer_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        path = name;
    }
    ~ImageFile() { unlink(path.c_str()); }
    std::string path;
};

const std::string& ImagePath() {
    static const ImageFile file;
    return file.path;
}

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Lays the bytes out as a volume whose MFT starts at cluster mftCluster, with
// sectorsPerCluster 512-byte sectors per cluster, and reads records through it.
void ReadThroughVolume(const uint8_t* data, size_t size, uint8_t sectorsPerCluster,
                       uint64_t mftCluster) {
    const uint32_t cluster = 512u * sectorsPerCluster;
    std::vector<uint8_t> image(mftCluster * cluster, 0);
    image[0] = 0xEB;
    const char* oem = "NTFS    ";
    for (int i = 0; i < 8; ++i)
        image[3 + i] = static_cast<uint8_t>(oem[i]);
    Put(image, 0x0B, 512, 2);
    image[0x0D] = sectorsPerCluster;
    Put(image, 0x28, kVolumeBytes / 512, 8);
    Put(image, 0x30, mftCluster, 8);
    Put(image, 0x38, 2, 8);
    image[0x40] = 0xF6;
    image[0x44] = 0x01;
    image.insert(image.end(), data, data + size);
    image.resize(kVolumeBytes, 0);
    {
        std::ofstream out(ImagePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    }

    NTFSVolume volume;
    if (!volume.OpenPath(ImagePath(), true)) return;
    MFTRunCursor cursor;
    if (cursor.Open(&volume)) {
        MftSlot start;
        uint64_t count = 0;
        for (bool more = cursor.FirstExtent(&start, &count); more;
             more = cursor.NextExtent(&start, &count)) {
        }
        // Every record the runs place, and the record that starts at each extent's end.
        const MftRecordMap& map = cursor.Map();
        for (uint64_t n = 0; n < map.Capacity() && n < 64; ++n)
            if (auto location = map.Locate(MftRecordNumber{n})) (void)map.LocateAt(location->first);
    }
    NTFSRowReader reader(volume);
    for (uint64_t n = 0; n < 4; ++n)
        if (auto location = volume.LocateRecord(MftRecordNumber{n}))
            CompareAt(volume, reader, *location);
    for (uint64_t s = 0; s < 8; ++s)
        if (auto location = volume.LocateSlot(MftSlot{volume.Boot().mftStartSlot.value + s}))
            CompareAt(volume, reader, *location);
    for (uint64_t n = 0; n < 3; ++n) {
        auto record = n < 2 ? volume.ReadRecordByNumber(MftRecordNumber{n})
                            : volume.ReadRecord(volume.Boot().mftStartSlot);
        if (!record) continue;
        (void)BuildRow(*record, volume);
        ExpandAttributeList(record->attributes, &volume);
        record->attributes.forEach([&](NTFSAttribute* a) {
            uint64_t budget = 1u << 20;
            ReadAttributeData(&volume, a, Budget, &budget);
        });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 3 * 4096) return 0;
    const uint32_t recordSize = 1024u << (data[0] % 3);
    std::vector<uint8_t> record(recordSize, 0);
    const size_t body = size - 1 < recordSize ? size - 1 : recordSize;
    std::copy(data + 1, data + 1 + body, record.begin());

    // A volume that is not open: every read of another record fails, as on a dead disk.
    NTFSVolume volume;
    NTFSFileRecord parsed;
    const uint64_t offset = static_cast<uint64_t>(data[0]) * recordSize;
    const bool isRecord = parsed.Parse(record.data(), recordSize, offset, &volume.Boot());
    {
        NTFSRowReader reader(volume);
        const auto got = reader.FromBytes(record.data(), recordSize, VolumeOffset{offset});
        const auto row = isRecord ? BuildRow(parsed, volume) : nullptr;
        CheckSameRow(got, reader.Row(), isRecord, row.get());
    }
    if (isRecord) {
        (void)CheckRecordHeader(parsed);
        ExpandAttributeList(parsed.attributes, &volume);
        MergeFragments(parsed.attributes, volume.Boot());
        parsed.attributes.forEach([&](NTFSAttribute* a) {
            if (a->IsResident()) ReadAttributeData(&volume, a, Discard, nullptr);
        });
        (void)BuildRow(parsed, volume);
    }

    if (size > 1 + recordSize) {
        std::vector<uint8_t> out(65536, 0);
        Lznt1Decompress(data + 1 + recordSize, size - 1 - recordSize, out.data(), out.size());
    }

    // 4 KiB clusters with the MFT from cluster 1; 512-byte clusters with the MFT at an odd
    // cluster, where records may be split between extents.
    ReadThroughVolume(data + 1, size - 1, 8, 1);
    ReadThroughVolume(data + 1, size - 1, 1, 9);
    return 0;
}
