#include "engine/ntfs/NTFSAttributeListEntry.h"

#include "engine/volume/StreamBase.h"

bool NTFSAttributeListEntry::Parse(StreamBase* view) {
    if (!view || view->Remaining() < 26) return false;
    type = view->ReadU32();
    entryLength = view->ReadU16();
    nameLength = view->ReadU8();
    nameOffset = view->ReadU8();
    startVcn = static_cast<int64_t>(view->ReadU64());
    baseRecordReference = view->ReadU64();
    attributeId = view->ReadU16();
    name = view->ReadWideString(nameLength);
    return true;
}
