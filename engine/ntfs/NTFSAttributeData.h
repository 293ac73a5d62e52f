#pragma once
// Decoded values of resident NTFS attributes. Each class keeps what its attribute type holds;
// the factory maps an attribute type to a new, empty object of its class.
#include "engine/volume/NTFSStream.h"

#include <cstdint>
#include <memory>
#include <string>

class NTFSAttributeData {
public:
    NTFSAttributeData() = default;
    virtual ~NTFSAttributeData() = default;
    NTFSAttributeData(const NTFSAttributeData&) = delete;
    NTFSAttributeData& operator=(const NTFSAttributeData&) = delete;

    virtual std::string TypeName() const = 0;
    // Decodes the value (a view positioned at its first byte). The base accepts anything.
    virtual bool Parse(StreamBase* value);
};

// Keeps a view of the whole value. The view does not own the bytes: it lives no longer than
// the record (or attribute) that holds them.
class NTFSAttributeDataContainer : public NTFSAttributeData {
public:
    bool Parse(StreamBase* value) override;
    NTFSStream& Value() { return value_; }
    const NTFSStream& Value() const { return value_; }

private:
    NTFSStream value_;
};

class NTFSAttributeDataStdInfo : public NTFSAttributeData {
public:
    std::string TypeName() const override { return "$STANDARD_INFORMATION"; }
    bool Parse(StreamBase* value) override;

    uint64_t created = 0, modified = 0, mftChanged = 0, accessed = 0;
    uint32_t fileAttributes = 0, maxVersions = 0, versionNumber = 0, classId = 0;
    uint32_t ownerId = 0, securityId = 0;
    uint64_t quotaCharged = 0, updateSequenceNumber = 0;
};

class NTFSAttributeDataAttribList : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$ATTRIBUTE_LIST"; }
};

class NTFSAttributeDataFilename : public NTFSAttributeData {
public:
    std::string TypeName() const override { return "$FILE_NAME"; }
    bool Parse(StreamBase* value) override;

    uint64_t parentReference = 0;
    uint64_t created = 0, modified = 0, mftChanged = 0, accessed = 0;
    uint64_t allocatedSize = 0, realSize = 0;
    uint32_t fileAttributes = 0, reparseValue = 0;
    uint8_t nameLength = 0, nameSpace = 0;
    std::u16string name;
};

class NTFSAttributeDataObjectId : public NTFSAttributeData {
public:
    std::string TypeName() const override { return "$OBJECT_ID"; }
    bool Parse(StreamBase* value) override;
    std::string objectId;
};

class NTFSAttributeDataSecurityDescriptor : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$SECURITY_DESCRIPTOR"; }
};

class NTFSAttributeDataVolumeName : public NTFSAttributeData {
public:
    std::string TypeName() const override { return "$VOLUME_NAME"; }
    bool Parse(StreamBase* value) override;
    std::u16string volumeName;
};

class NTFSAttributeDataVolumeInfo : public NTFSAttributeData {
public:
    std::string TypeName() const override { return "$VOLUME_INFORMATION"; }
    bool Parse(StreamBase* value) override;
    uint8_t majorVersion = 0, minorVersion = 0;
    uint16_t flags = 0;
};

class NTFSAttributeDataData : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$DATA"; }
};

class NTFSAttributeDataIndexRoot : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$INDEX_ROOT"; }
};

class NTFSAttributeDataIndexAlloc : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$INDEX_ALLOCATION"; }
};

class NTFSAttributeDataBitmap : public NTFSAttributeDataContainer {
public:
    std::string TypeName() const override { return "$BITMAP"; }
};

// A new data object for an attribute type, or null for types without one.
std::unique_ptr<NTFSAttributeData> MakeAttributeData(uint32_t type);
