#include "engine/ntfs/NTFSAttributeData.h"

bool NTFSAttributeData::Parse(StreamBase*) {
    return true;
}

bool NTFSAttributeDataContainer::Parse(StreamBase* value) {
    if (!value || !value->Data()) {
        value_.Reset();
        return true;
    }
    value_.InitView(value->Data(), value->Size(), value->DiskOffset(), nullptr);
    value_.SetGeometry(value->Geometry());
    return true;
}

bool NTFSAttributeDataStdInfo::Parse(StreamBase* value) {
    if (!value || value->Remaining() < 48) return false;
    created = value->ReadU64();
    modified = value->ReadU64();
    mftChanged = value->ReadU64();
    accessed = value->ReadU64();
    fileAttributes = value->ReadU32();
    maxVersions = value->ReadU32();
    versionNumber = value->ReadU32();
    classId = value->ReadU32();
    if (value->Remaining() > 24) {
        ownerId = value->ReadU32();
        securityId = value->ReadU32();
        quotaCharged = value->ReadU64();
        updateSequenceNumber = value->ReadU64();
    }
    return true;
}

bool NTFSAttributeDataFilename::Parse(StreamBase* value) {
    if (!value) return false;
    const bool whole = value->Remaining() >= 66;
    parentReference = value->ReadU64();
    created = value->ReadU64();
    modified = value->ReadU64();
    mftChanged = value->ReadU64();
    accessed = value->ReadU64();
    allocatedSize = value->ReadU64();
    realSize = value->ReadU64();
    fileAttributes = value->ReadU32();
    reparseValue = value->ReadU32();
    nameLength = value->ReadU8();
    nameSpace = value->ReadU8();
    // The name as far as the value holds it, ending at a NUL unit.
    name.clear();
    const uint32_t start = value->Position();
    for (uint32_t i = 0; i < nameLength && value->Has(start + 2 * i, 2); ++i) {
        const char16_t unit = value->U16At(start + 2 * i);
        if (unit == 0) break;
        name.push_back(unit);
    }
    value->Seek(start + 2u * nameLength);
    return whole;
}

bool NTFSAttributeDataObjectId::Parse(StreamBase* value) {
    if (!value) return false;
    objectId = value->ReadGuidText();
    return true;
}

bool NTFSAttributeDataVolumeName::Parse(StreamBase* value) {
    if (!value) return false;
    volumeName = value->ReadWideString(value->Remaining() / 2);
    return true;
}

bool NTFSAttributeDataVolumeInfo::Parse(StreamBase* value) {
    if (!value) return false;
    majorVersion = value->U8At(value->Position() + 8);
    minorVersion = value->U8At(value->Position() + 9);
    flags = value->U16At(value->Position() + 10);
    return true;
}

std::unique_ptr<NTFSAttributeData> MakeAttributeData(uint32_t type) {
    switch (type) {
    case 0x10:
        return std::make_unique<NTFSAttributeDataStdInfo>();
    case 0x20:
        return std::make_unique<NTFSAttributeDataAttribList>();
    case 0x30:
        return std::make_unique<NTFSAttributeDataFilename>();
    case 0x40:
        return std::make_unique<NTFSAttributeDataObjectId>();
    case 0x50:
        return std::make_unique<NTFSAttributeDataSecurityDescriptor>();
    case 0x60:
        return std::make_unique<NTFSAttributeDataVolumeName>();
    case 0x70:
        return std::make_unique<NTFSAttributeDataVolumeInfo>();
    case 0x80:
        return std::make_unique<NTFSAttributeDataData>();
    case 0x90:
        return std::make_unique<NTFSAttributeDataIndexRoot>();
    case 0xA0:
        return std::make_unique<NTFSAttributeDataIndexAlloc>();
    case 0xB0:
        return std::make_unique<NTFSAttributeDataBitmap>();
    default:
        return nullptr;
    }
}
