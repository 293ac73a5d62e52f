#include "engine/ntfs/NTFSFileRow.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/AttributeListExpansion.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/ntfs/NtfsAllocationMap.h"

#include <map>
#include <vector>

namespace {
using ntfsattr::kAttributeList;
using ntfsattr::kData;
using ntfsattr::kFileName;
using ntfsattr::kStandardInformation;

// The attributes of a base record that its attribute list places in extension records, read
// on demand. A file with many names, or many runs, may have had its $FILE_NAME and even its
// $DATA moved out of the base record.
class ExtensionAttributes {
public:
    ExtensionAttributes(const NTFSFileRecord& base, NTFSVolume& volume)
        : base_(base), volume_(volume) {}

    // Calls visit(attribute) for each listed attribute of type that lies in another record
    // (and, for $DATA, starts at VCN 0), in list order.
    template <typename F> void ForEach(uint32_t type, F&& visit) {
        if (!listRead_) {
            listRead_ = true;
            // An extension record has no list of its own.
            NTFSAttribute* list = base_.baseRecordReference == 0
                                      ? FindAttribute(base_.attributes, kAttributeList)
                                      : nullptr;
            if (list) entries_ = ReadAttributeListEntries(*list, &volume_);
        }
        for (const NTFSAttributeListEntry& entry : entries_) {
            if (entry.type != type || (type == kData && entry.startVcn != 0)) continue;
            const MftRecordNumber number = RecordOfReference(entry.baseRecordReference);
            if (base_.recordNumber != 0 && number.value == base_.recordNumber) continue;
            const NTFSFileRecord* record = Record(number);
            if (!record) continue;
            if (const NTFSAttribute* a = FindAttribute(record->attributes, type, entry.attributeId))
                visit(a);
        }
    }

private:
    const NTFSFileRecord* Record(MftRecordNumber number) {
        auto it = read_.find(number.value);
        if (it != read_.end()) return it->second.get();
        auto record = volume_.ReadRecordByNumber(number);
        // Only an extension record of this very file: a damaged list must not lend names.
        if (record &&
            (record->baseRecordReference == 0 ||
             (base_.recordNumber != 0 &&
              RecordOfReference(record->baseRecordReference).value != base_.recordNumber)))
            record.reset();
        return read_.emplace(number.value, std::move(record)).first->second.get();
    }

    const NTFSFileRecord& base_;
    NTFSVolume& volume_;
    bool listRead_ = false;
    std::vector<NTFSAttributeListEntry> entries_;
    std::map<uint64_t, std::unique_ptr<NTFSFileRecord>> read_;
};

} // namespace

std::unique_ptr<NTFSFileRow> BuildRow(const NTFSFileRecord& record, NTFSVolume& volume) {
    if (!CheckRecordHeader(record)) return nullptr;
    const NTFSAttribute* si = FindAttribute(record.attributes, kStandardInformation);
    const auto* info = si ? dynamic_cast<const NTFSAttributeDataStdInfo*>(si->data.get()) : nullptr;
    if (!info) return nullptr;

    const NTFSAttributeDataFilename* chosen = nullptr;
    auto consider = [&](const NTFSAttribute* a) {
        const auto* fn = dynamic_cast<const NTFSAttributeDataFilename*>(a->data.get());
        if (fn && (!chosen || fn->name.size() > chosen->name.size())) chosen = fn;
    };
    record.attributes.forEach([&](const NTFSAttribute* a) {
        if (a->type == kFileName) consider(a);
    });
    const NTFSAttribute* data = FindAttribute(record.attributes, kData);
    ExtensionAttributes extensions(record, volume); // keeps what it read until the row is built
    if (!chosen) extensions.ForEach(kFileName, consider);
    if (!chosen) return nullptr;
    if (!data)
        extensions.ForEach(kData, [&](const NTFSAttribute* a) {
            if (!data) data = a;
        });

    auto row = std::make_unique<NTFSFileRow>();
    if (data) {
        row->size = data->DataSize();
        if (!data->IsResident()) {
            const NTFSRunList::RUNLIST* first = nullptr;
            data->runList.Runs().forEach([&](const NTFSRunList::RUNLIST* r) {
                if (!first) first = r;
            });
            const uint64_t spc = volume.Boot().sectorsPerCluster;
            if (first && first->lcn >= 0 && spc &&
                static_cast<uint64_t>(first->lcn) <= (UINT64_MAX >> 9) / spc)
                row->firstSector = first->lcn * static_cast<int64_t>(spc);
        }
    }
    if (row->firstSector < 0)
        row->firstSector = static_cast<int64_t>(volume.SlotToSector(record.slot));

    row->name = chosen->name;
    row->parent = chosen->parentReference & 0xFFFFFFFFFFFFull;
    row->attributes = chosen->fileAttributes;
    row->created = info->created;
    row->modified = info->modified;
    // The "accessed" column of an NTFS row holds the MFT-change time: deleting a file changes
    // its record, so for deleted entries this is the closest record of when it was deleted.
    row->accessed = info->mftChanged;
    row->recordNumber = record.recordNumber;
    row->inUse = record.InUse();
    row->isDirectory = record.IsDirectory();
    if (data) {
        row->dataResident = data->IsResident();
        if (!row->inUse && !row->isDirectory && !row->dataResident)
            row->dataClusters =
                NtfsDataClusters(data->runList, row->size, volume.Boot().clusterShift);
    }
    return row;
}
