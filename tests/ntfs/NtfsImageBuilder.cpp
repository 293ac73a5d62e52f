#include "tests/ntfs/NtfsImageBuilder.h"

#include <cstring>

namespace tessaly::test {
namespace {

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, int width) {
    if (b.size() < at + width) b.resize(at + width, 0);
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Align8(uint32_t v) {
    return (v + 7) & ~7u;
}

std::vector<uint8_t> ResidentAttr(uint32_t type, uint16_t id, const std::vector<uint8_t>& value,
                                  const std::u16string& name = u"") {
    const uint32_t nameBytes = static_cast<uint32_t>(name.size() * 2);
    const uint32_t valueOffset = Align8(24 + nameBytes);
    const uint32_t length = Align8(valueOffset + static_cast<uint32_t>(value.size()));
    std::vector<uint8_t> a(length, 0);
    Put(a, 0, type, 4);
    Put(a, 4, length, 4);
    a[8] = 0;
    a[9] = static_cast<uint8_t>(name.size());
    Put(a, 10, name.empty() ? 0 : 0x18, 2);
    Put(a, 14, id, 2);
    Put(a, 16, value.size(), 4);
    Put(a, 20, valueOffset, 2);
    const auto nb = Utf16Bytes(name);
    if (!nb.empty()) std::memcpy(a.data() + 24, nb.data(), nb.size());
    if (!value.empty()) std::memcpy(a.data() + valueOffset, value.data(), value.size());
    return a;
}

} // namespace

std::vector<uint8_t> Utf16Bytes(const std::u16string& text) {
    std::vector<uint8_t> b;
    for (char16_t c : text) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    return b;
}

RecordBuilder::RecordBuilder(uint32_t recordNumber, uint16_t flags) : bytes_(1024, 0), used_(0x38) {
    std::memcpy(bytes_.data(), "FILE", 4);
    Put(bytes_, 4, 0x30, 2);
    Put(bytes_, 6, 3, 2);
    Put(bytes_, 16, 1, 2);
    Put(bytes_, 18, 1, 2);
    Put(bytes_, 20, 0x38, 2);
    Put(bytes_, 22, flags, 2);
    Put(bytes_, 28, 1024, 4);
    Put(bytes_, 44, recordNumber, 4);
}

void RecordBuilder::Append(const std::vector<uint8_t>& attr) {
    if (used_ + attr.size() > bytes_.size()) bytes_.resize(used_ + attr.size(), 0);
    std::memcpy(bytes_.data() + used_, attr.data(), attr.size());
    used_ += static_cast<uint32_t>(attr.size());
}

RecordBuilder& RecordBuilder::StdInfo(uint64_t created, uint64_t modified, uint64_t mftChanged,
                                      uint64_t accessed, uint32_t attributes, uint32_t length) {
    std::vector<uint8_t> v(length, 0);
    Put(v, 0, created, 8);
    Put(v, 8, modified, 8);
    Put(v, 16, mftChanged, 8);
    Put(v, 24, accessed, 8);
    Put(v, 32, attributes, 4);
    for (uint32_t i = 48; i + 4 <= length && i < 72; i += 4)
        Put(v, i, 0x11111111u * ((i - 44) / 4), 4);
    v.resize(length);
    Append(ResidentAttr(0x10, nextId_++, v));
    return *this;
}

RecordBuilder& RecordBuilder::FileName(uint64_t parent, const std::u16string& name,
                                       uint8_t nameSpace, uint32_t attributes) {
    std::vector<uint8_t> v(66, 0);
    Put(v, 0, parent, 8);
    Put(v, 56, attributes, 4);
    v[64] = static_cast<uint8_t>(name.size());
    v[65] = nameSpace;
    const auto nb = Utf16Bytes(name);
    v.insert(v.end(), nb.begin(), nb.end());
    Append(ResidentAttr(0x30, nextId_++, v));
    return *this;
}

RecordBuilder& RecordBuilder::ResidentData(const std::vector<uint8_t>& value, uint16_t id,
                                           const std::u16string& name) {
    Append(ResidentAttr(0x80, id ? id : nextId_++, value, name));
    return *this;
}

RecordBuilder& RecordBuilder::NonResident(uint32_t type, uint16_t id, int64_t startVcn,
                                          int64_t lastVcn, uint64_t allocated, uint64_t real,
                                          uint64_t initialized, const std::vector<uint8_t>& runs,
                                          uint16_t flags, uint16_t compressionUnit) {
    const uint32_t runOffset = compressionUnit ? 72 : 64;
    const uint32_t length = Align8(runOffset + static_cast<uint32_t>(runs.size()) + 1);
    std::vector<uint8_t> a(length, 0);
    Put(a, 0, type, 4);
    Put(a, 4, length, 4);
    a[8] = 1;
    Put(a, 10, 0x40, 2);
    Put(a, 12, flags, 2);
    Put(a, 14, id, 2);
    Put(a, 16, static_cast<uint64_t>(startVcn), 8);
    Put(a, 24, static_cast<uint64_t>(lastVcn), 8);
    Put(a, 32, runOffset, 2);
    Put(a, 34, compressionUnit, 2);
    Put(a, 40, allocated, 8);
    Put(a, 48, real, 8);
    Put(a, 56, initialized, 8);
    if (!runs.empty()) std::memcpy(a.data() + runOffset, runs.data(), runs.size());
    Append(a);
    return *this;
}

RecordBuilder& RecordBuilder::AttributeList(const std::vector<ListEntry>& entries) {
    std::vector<uint8_t> v;
    for (const auto& e : entries) {
        std::vector<uint8_t> entry(32, 0);
        Put(entry, 0, e.type, 4);
        Put(entry, 4, e.lengthOverride == 0xFFFF ? 32 : e.lengthOverride, 2);
        entry[7] = 26;
        Put(entry, 8, static_cast<uint64_t>(e.startVcn), 8);
        Put(entry, 16, e.record, 8);
        Put(entry, 24, e.id, 2);
        v.insert(v.end(), entry.begin(), entry.end());
    }
    Append(ResidentAttr(0x20, nextId_++, v));
    return *this;
}

RecordBuilder& RecordBuilder::Raw(const std::vector<uint8_t>& bytes) {
    Append(bytes);
    return *this;
}

RecordBuilder& RecordBuilder::End() {
    Append({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    ended_ = true;
    return *this;
}

RecordBuilder& RecordBuilder::BytesInUse(uint32_t value) {
    bytesInUseOverride_ = value;
    return *this;
}

RecordBuilder& RecordBuilder::UpdateSequenceNumber(uint16_t value) {
    usn_ = value;
    return *this;
}

std::vector<uint8_t> RecordBuilder::Plain() const {
    std::vector<uint8_t> b = bytes_;
    b.resize(1024);
    Put(b, 24, bytesInUseOverride_ ? bytesInUseOverride_ : (used_ > 1024 ? 1024 : used_), 4);
    Put(b, 40, nextId_, 2);
    return b;
}

std::vector<uint8_t> RecordBuilder::Bytes() const {
    std::vector<uint8_t> b = Plain();
    Put(b, 0x30, usn_, 2);
    for (int i = 0; i < 2; ++i) {
        const size_t tail = (i + 1) * 512 - 2;
        b[0x32 + 2 * i] = b[tail];
        b[0x33 + 2 * i] = b[tail + 1];
        Put(b, tail, usn_, 2);
    }
    return b;
}

NtfsImageBuilder::NtfsImageBuilder(uint64_t totalClusters, uint8_t sectorsPerCluster,
                                   uint64_t mftCluster)
    : image_(totalClusters * 512 * sectorsPerCluster), clusterSize_(512u * sectorsPerCluster),
      mftCluster_(mftCluster) {
    image_.PutBytes(0, {0xEB, 0x52, 0x90});
    image_.PutText(3, "NTFS    ");
    image_.Put16(0x0B, 512);
    image_.Put8(0x0D, sectorsPerCluster);
    image_.Put64(0x28, totalClusters * sectorsPerCluster - 1);
    image_.Put64(0x30, mftCluster);
    image_.Put64(0x38, 2);
    image_.Put8(0x40, 0xF6);
    image_.Put8(0x44, 0x01);
    image_.Put64(0x48, 0x1234567890ABCDEFull);
    image_.PutBytes(0x1FE, {0x55, 0xAA});
}

void NtfsImageBuilder::PutRecord(uint64_t number, const std::vector<uint8_t>& record) {
    image_.PutBytes(mftCluster_ * clusterSize_ + number * 1024, record.data(), record.size());
}

void NtfsImageBuilder::PutCluster(uint64_t cluster, const std::vector<uint8_t>& bytes) {
    image_.PutBytes(cluster * clusterSize_, bytes.data(), bytes.size());
}

std::vector<uint8_t> OneRun(uint64_t lcn, uint64_t length) {
    std::vector<uint8_t> r{0x44};
    for (int i = 0; i < 4; ++i)
        r.push_back(static_cast<uint8_t>(length >> (8 * i)));
    for (int i = 0; i < 4; ++i)
        r.push_back(static_cast<uint8_t>(lcn >> (8 * i)));
    r.push_back(0);
    return r;
}

std::vector<uint8_t> MftRecord(uint64_t mftCluster, uint64_t clusters, uint32_t clusterSize) {
    RecordBuilder r(0, 1);
    r.StdInfo(1, 2, 3, 4, 0x06).FileName(5, u"$MFT", 3, 0x06);
    const uint64_t bytes = clusters * clusterSize;
    r.NonResident(0x80, 9, 0, static_cast<int64_t>(clusters) - 1, bytes, bytes, bytes,
                  OneRun(mftCluster, clusters));
    r.End();
    return r.Bytes();
}

} // namespace tessaly::test
