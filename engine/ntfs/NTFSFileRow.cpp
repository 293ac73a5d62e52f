#include "engine/ntfs/NTFSFileRow.h"

#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"

namespace {
constexpr uint32_t kStandardInformation = 0x10;
constexpr uint32_t kFileName = 0x30;
constexpr uint32_t kData = 0x80;
} // namespace

std::unique_ptr<NTFSFileRow> BuildRow(const NTFSFileRecord& record, const NTFSVolume& volume) {
    if (!CheckRecordHeader(record)) return nullptr;
    const NTFSAttribute* si = FindAttribute(record.attributes, kStandardInformation);
    const auto* info = si ? dynamic_cast<const NTFSAttributeDataStdInfo*>(si->data.get()) : nullptr;
    if (!info) return nullptr;

    const NTFSAttributeDataFilename* chosen = nullptr;
    record.attributes.forEach([&](const NTFSAttribute* a) {
        if (a->type != kFileName) return;
        const auto* fn = dynamic_cast<const NTFSAttributeDataFilename*>(a->data.get());
        if (fn && (!chosen || fn->name.size() > chosen->name.size())) chosen = fn;
    });
    if (!chosen) return nullptr;

    auto row = std::make_unique<NTFSFileRow>();
    const NTFSAttribute* data = FindAttribute(record.attributes, kData);
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
    return row;
}
