#include "engine/ntfs/NTFSRowReader.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/NtfsAllocationMap.h"
#include "engine/ntfs/UpdateSequence.h"

#include <cstring>

namespace {

using ntfsattr::kAttributeList;
using ntfsattr::kData;
using ntfsattr::kFileName;
using ntfsattr::kStandardInformation;

// Bytes of an attribute's value with a read position. A read with too few bytes left gives 0
// and leaves the position where it was, as the record streams do, so that a value cut short
// decodes to the same fields here as in the attribute classes.
struct ValueCursor {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;

    template <uint32_t width> uint64_t Read() {
        if (!data || size - position < width) return 0;
        const uint64_t v = LittleEndianAt<width>(data + position);
        position += width;
        return v;
    }
    bool Has(uint32_t offset, uint32_t count) const {
        return offset <= size && count <= size - offset;
    }
};

// The value of a resident attribute whose header lies at attribute: empty (no bytes at all)
// when it would run past the attribute.
ValueCursor ResidentValue(const uint8_t* attribute, const NtfsAttributeHeader& a) {
    ValueCursor value;
    if (a.valueOffset <= a.length && a.valueLength <= a.length - a.valueOffset) {
        value.data = attribute + a.valueOffset;
        value.size = a.valueLength;
    }
    return value;
}

// What a $FILE_NAME value gives a row.
struct FileName {
    uint64_t parentReference = 0;
    uint32_t fileAttributes = 0;
    const uint8_t* name = nullptr; // UTF-16LE units
    uint32_t nameUnits = 0;        // up to the first NUL unit
};

FileName DecodeFileName(ValueCursor v) {
    FileName f;
    f.parentReference = v.Read<8>();
    for (int i = 0; i < 6; ++i) // four times, the allocated and the real size
        v.Read<8>();
    f.fileAttributes = static_cast<uint32_t>(v.Read<4>());
    v.Read<4>(); // reparse value
    const auto nameLength = static_cast<uint32_t>(v.Read<1>());
    v.Read<1>(); // name space
    // The name as far as the value holds it, ending at a NUL unit.
    const uint32_t start = v.position;
    f.name = v.data ? v.data + start : nullptr;
    while (f.nameUnits < nameLength && v.Has(start + 2 * f.nameUnits, 2) &&
           LittleEndianAt<2>(v.data + start + 2 * f.nameUnits) != 0)
        ++f.nameUnits;
    return f;
}

// The LCN of the first run of a run list of size bytes, as the run list decoder gives it (0
// for a sparse run). False when the list holds no run.
bool FirstRunLcn(const uint8_t* runs, uint32_t size, int64_t* lcn) {
    if (size == 0) return false;
    const uint8_t header = runs[0];
    if (header == 0) return false;
    const uint32_t lengthBytes = header & 0x0F;
    const uint32_t offsetBytes = header >> 4;
    if (lengthBytes > 8 || offsetBytes > 8 || size - 1 < lengthBytes + offsetBytes) return false;
    if (offsetBytes == 0) {
        *lcn = 0;
        return true;
    }
    const uint8_t* p = runs + 1 + lengthBytes;
    uint64_t raw = 0;
    for (uint32_t i = 0; i < offsetBytes; ++i)
        raw |= static_cast<uint64_t>(p[i]) << (8 * i);
    if ((p[offsetBytes - 1] & 0x80) && offsetBytes < 8) raw |= ~0ULL << (8 * offsetBytes);
    *lcn = static_cast<int64_t>(raw);
    return true;
}

} // namespace

NTFSRowReader::Result NTFSRowReader::Read(const RecordLocation& location) {
    const uint32_t size = volume_.Boot().recordSize;
    if (buffer_.size() < size) buffer_.resize(size);
    if (!volume_.CopyRecordBytes(location, buffer_.data())) return Result::NoRecord;
    bool full = false;
    const Result result = Build(size, location.first, &full);
    if (!full) return result;
    const auto record = volume_.ReadRecordAt(location);
    return record ? FromRecord(record.get()) : Result::NoRecord;
}

NTFSRowReader::Result NTFSRowReader::FromBytes(const uint8_t* bytes, uint32_t size,
                                               VolumeOffset at) {
    if (!bytes || size < 4 || std::memcmp(bytes, "FILE", 4) != 0) return Result::NoRecord;
    if (buffer_.size() < size) buffer_.resize(size);
    std::memcpy(buffer_.data(), bytes, size);
    bool full = false;
    const Result result = Build(size, at, &full);
    if (!full) return result;
    NTFSFileRecord record;
    if (!record.Parse(bytes, size, at.value, &volume_.Boot())) return Result::NoRecord;
    return FromRecord(&record);
}

NTFSRowReader::Result NTFSRowReader::FromRecord(const NTFSFileRecord* record) {
    auto built = BuildRow(*record, volume_);
    if (!built) return Result::NoRow;
    row_ = std::move(*built);
    return Result::Row;
}

NTFSRowReader::Result NTFSRowReader::Build(uint32_t size, VolumeOffset at, bool* full) {
    uint8_t* b = buffer_.data();
    NtfsRecordHeader h;
    if (!DecodeRecordHeader(b, size, &h)) return Result::NoRecord;
    if (!RecordHeaderFitsForRow(h)) return Result::NoRow;
    const NTFSBootInfo& boot = volume_.Boot();
    ApplyUpdateSequence(b, size, boot.bytesPerSector);

    // What the row takes from the attributes: the first $STANDARD_INFORMATION (resident, or
    // there is no row), the longest resident $FILE_NAME (the first of equal ones) and the
    // first $DATA. The walk stops at the end marker or at the first malformed header.
    bool standardSeen = false, standardResident = false, listSeen = false;
    uint64_t created = 0, modified = 0, mftChanged = 0;
    bool named = false;
    FileName chosen;
    const uint8_t* data = nullptr;
    NtfsAttributeHeader dataHeader;

    const uint32_t end = h.bytesInUse < size ? h.bytesInUse : size;
    uint32_t pos = h.firstAttributeOffset < end ? h.firstAttributeOffset : end;
    NtfsAttributeHeader a;
    while (pos < end) {
        const uint8_t* p = b + pos;
        if (DecodeAttributeHeader(p, end - pos, &a) != AttributeHeaderResult::Attribute) break;
        switch (a.type) {
        case kStandardInformation:
            if (standardSeen) break;
            standardSeen = true;
            standardResident = !a.nonResident;
            if (standardResident) {
                ValueCursor v = ResidentValue(p, a);
                if (v.size >= 48) {
                    created = LittleEndianAt<8>(v.data);
                    modified = LittleEndianAt<8>(v.data + 8);
                    mftChanged = LittleEndianAt<8>(v.data + 16);
                }
            }
            break;
        case kAttributeList:
            listSeen = true;
            break;
        case kFileName:
            if (!a.nonResident) {
                const FileName f = DecodeFileName(ResidentValue(p, a));
                if (!named || f.nameUnits > chosen.nameUnits) {
                    chosen = f;
                    named = true;
                }
            }
            break;
        case kData:
            if (!data) {
                data = p;
                dataHeader = a;
            }
            break;
        default:
            break;
        }
        pos += a.length; // at least 24, and never past end
    }

    if (!standardResident) return Result::NoRow;
    // An extension record has no list of its own; a base record's list may name the missing
    // attributes in other records.
    if (listSeen && h.baseRecordReference == 0 && (!named || !data)) {
        *full = true;
        return Result::NoRow;
    }
    if (!named) return Result::NoRow;

    NTFSFileRow& row = row_;
    row.size = 0;
    row.firstSector = -1;
    row.dataResident = false;
    row.dataClusters.clear();
    const bool deletedFile =
        !(h.flags & NTFSFileRecord::kFlagInUse) && !(h.flags & NTFSFileRecord::kFlagDirectory);
    if (data) {
        if (dataHeader.nonResident) {
            row.size = dataHeader.realSize;
            const uint32_t runsLength = dataHeader.valueOffset <= dataHeader.length
                                            ? dataHeader.length - dataHeader.valueOffset
                                            : 0;
            int64_t lcn = 0;
            const uint64_t spc = boot.sectorsPerCluster;
            if (FirstRunLcn(data + dataHeader.valueOffset, runsLength, &lcn) && lcn >= 0 && spc &&
                static_cast<uint64_t>(lcn) <= (UINT64_MAX >> 9) / spc)
                row.firstSector = lcn * static_cast<int64_t>(spc);
            if (deletedFile)
                row.dataClusters = NtfsDataClusters(data + dataHeader.valueOffset, runsLength,
                                                    row.size, boot.clusterShift);
        } else {
            row.size = dataHeader.valueLength;
            row.dataResident = true;
        }
    }
    if (row.firstSector < 0)
        row.firstSector = static_cast<int64_t>(volume_.SlotToSector(boot.SlotAt(at)));

    row.name.resize(chosen.nameUnits);
    for (uint32_t i = 0; i < chosen.nameUnits; ++i)
        row.name[i] = static_cast<char16_t>(LittleEndianAt<2>(chosen.name + 2 * i));
    row.parent = chosen.parentReference & 0xFFFFFFFFFFFFull;
    row.attributes = chosen.fileAttributes;
    row.created = created;
    row.modified = modified;
    // The "accessed" column of an NTFS row holds the MFT-change time, as BuildRow's does.
    row.accessed = mftChanged;
    row.recordNumber = h.recordNumber;
    row.inUse = h.flags & NTFSFileRecord::kFlagInUse;
    row.isDirectory = h.flags & NTFSFileRecord::kFlagDirectory;
    return Result::Row;
}
