#include "engine/ntfs/AttributeListExpansion.h"

#include "engine/ntfs/AttributeHeader.h"
#include "engine/ntfs/NTFSAttributeListEntry.h"
#include "engine/ntfs/NTFSVolume.h"

#include <memory>
#include <set>
#include <tuple>
#include <vector>

namespace {

using ntfsattr::kAttributeList;
// NTFS never lets an attribute list grow past 256 KiB; a larger size is damage.
constexpr uint64_t kMaxAttributeListSize = 256 * 1024;

// Reads a non-resident attribute list's value into memory (a copy of its own).
std::unique_ptr<NTFSStream> ReadListValue(NTFSAttribute& a, NTFSVolume* volume) {
    if (!volume) return nullptr;
    const uint32_t clusterSize = volume->Boot().clusterSize;
    if (clusterSize == 0 || a.startVcn != 0 || a.lastVcn < 0 ||
        a.allocatedSize / clusterSize != static_cast<uint64_t>(a.lastVcn) + 1 ||
        a.realSize > kMaxAttributeListSize || a.realSize > a.allocatedSize)
        return nullptr;
    auto value = std::make_unique<NTFSStream>();
    if (!a.runList.ReadWhole(volume, value.get(), a.realSize)) return nullptr;
    // A single-run read is a view of the cache; keep a copy of our own.
    if (value->Volume() && !value->InitCopy(value->Data(), value->Size(), value->DiskOffset()))
        return nullptr;
    value->Seek(0);
    return value;
}

// Reads a non-resident attribute list into memory and makes the attribute resident.
bool MakeListResident(NTFSAttribute* a, NTFSVolume* volume) {
    auto value = ReadListValue(*a, volume);
    if (!value) return false;
    auto data = std::make_unique<NTFSAttributeDataAttribList>();
    data->Parse(value.get());
    a->MakeResident(std::move(value), std::move(data));
    return true;
}

// Calls visit(entry) for each entry of an attribute list value, in order.
template <typename F> void ForEachEntry(const StreamBase& value, uint32_t length, F&& visit) {
    if (!value.Data()) return;
    const uint32_t size = value.Size() < length ? value.Size() : length;
    for (uint32_t offset = 0; offset < size;) {
        NTFSStream view;
        if (!BorrowView(value, offset, size - offset, &view)) break;
        NTFSAttributeListEntry entry;
        if (!entry.Parse(&view) || entry.entryLength == 0)
            break; // a zero-length entry would never advance
        visit(entry);
        offset += entry.entryLength;
    }
}

// An attribute of another record, named by its record number, type and id.
using Taken = std::set<std::tuple<uint64_t, uint32_t, uint16_t>>;

void ExpandOne(NTFSAttributeList& list, NTFSAttribute* a, NTFSVolume* volume, Taken& taken) {
    const StreamBase* value = a->ResidentValue();
    if (!value) return;
    ForEachEntry(*value, a->valueLength, [&](const NTFSAttributeListEntry& entry) {
        const MftRecordNumber number = RecordOfReference(entry.baseRecordReference);
        // A damaged list may name one attribute over and over; each is copied once, so the
        // copies (with all their runs) cannot multiply beyond what the records hold.
        if (!taken.emplace(number.value, entry.type, entry.attributeId).second) return;
        // The record is found through $MFT's runs: an extension record may lie in any extent
        // of the MFT.
        if (auto record = volume->ReadRecordByNumber(number)) {
            if (NTFSAttribute* found =
                    FindAttribute(record->attributes, entry.type, entry.attributeId))
                list.append(found->CloneWithoutData().release());
        }
    });
}

} // namespace

bool ExpandAttributeList(NTFSAttributeList& list, NTFSVolume* volume) {
    if (!volume) return false;
    NTFSAttributeList lists(false);
    FilterAttributes(list, kAttributeList, lists);
    Taken taken;
    for (NTFSAttribute* a = lists.first(); a; a = lists.next()) {
        if (!a->IsResident() && !MakeListResident(a, volume)) return false;
        ExpandOne(list, a, volume, taken);
        list.remove(a); // deletes it
    }
    return MergeFragments(list, volume->Boot());
}

std::vector<NTFSAttributeListEntry> ReadAttributeListEntries(NTFSAttribute& list,
                                                             NTFSVolume* volume) {
    std::vector<NTFSAttributeListEntry> entries;
    std::unique_ptr<NTFSStream> owned;
    const StreamBase* value = list.ResidentValue();
    uint32_t length = list.valueLength;
    if (!value) {
        owned = ReadListValue(list, volume);
        if (!owned) return entries;
        value = owned.get();
        length = owned->Size();
    }
    ForEachEntry(*value, length,
                 [&](const NTFSAttributeListEntry& entry) { entries.push_back(entry); });
    return entries;
}

bool MergeFragments(NTFSAttributeList& list, const NTFSBootInfo& boot) {
    NTFSAttributeList fragments(true);
    for (NTFSAttribute* a = list.first(); a;) {
        if (!a->IsResident() && a->startVcn != 0) {
            fragments.append(list.take());
            a = list.current();
        } else {
            a = list.next();
        }
    }
    if (boot.clusterSize == 0) return true;

    // Each round either joins one fragment or fills one gap up to the next fragment (which the
    // following round joins) or to the end; so the rounds are bounded.
    uint64_t rounds = 2ull * (fragments.count() + list.count()) + 2;
    for (bool again = true; again && rounds > 0; --rounds) {
        again = false;
        for (NTFSAttribute* p = list.first(); p && !again; p = list.next()) {
            if (p->IsResident() || p->lastVcn < -1) continue;
            const auto expected = static_cast<int64_t>(p->allocatedSize / boot.clusterSize);
            if (p->lastVcn >= expected - 1) continue; // complete (never overflows)
            bool merged = false;
            int64_t smallest = INT64_MAX;
            for (NTFSAttribute* f = fragments.first(); f;) {
                const bool sameStream = f->type == p->type && f->name == p->name;
                if (sameStream && f->startVcn > p->lastVcn && f->lastVcn >= f->startVcn) {
                    if (f->startVcn < smallest) smallest = f->startVcn;
                    if (f->startVcn == p->lastVcn + 1) {
                        p->runList.AppendShifted(f->runList);
                        p->lastVcn += f->lastVcn - f->startVcn + 1;
                        fragments.remove(); // deletes f, moves to the next one
                        f = fragments.current();
                        merged = true;
                        continue;
                    }
                }
                f = fragments.next();
            }
            if (!merged) {
                const int64_t end = smallest < expected ? smallest : expected;
                p->runList.AppendSparse(p->lastVcn + 1,
                                        static_cast<uint64_t>(end - p->lastVcn - 1));
                p->lastVcn = end - 1;
            }
            again = true;
        }
    }
    return true;
}
