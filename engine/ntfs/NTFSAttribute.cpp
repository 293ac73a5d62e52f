#include "engine/ntfs/NTFSAttribute.h"

#include "engine/ntfs/AttributeHeader.h"

bool BorrowView(const StreamBase& stream, uint32_t offset, uint32_t length, StreamBase* out) {
    if (!out || !stream.Data() || !stream.Has(offset, length)) return false;
    out->InitView(stream.Data() + offset, length, stream.DiskOffset() + offset, nullptr);
    out->SetGeometry(stream.Geometry());
    return true;
}

const StreamBase* NTFSAttribute::ResidentValue() const {
    if (nonResident) return nullptr;
    return ownedValue_ ? ownedValue_.get() : &value_;
}

bool NTFSAttribute::Parse(StreamBase* view) {
    if (!view) return false;
    NtfsAttributeHeader h;
    const AttributeHeaderResult result = DecodeAttributeHeader(view->Data(), view->Size(), &h);
    type = h.type;
    if (result == AttributeHeaderResult::End) {
        view->Seek(4);
        return true;
    }
    // A non-resident attribute keeps the value length it had; the header has none.
    const uint32_t keptValueLength = valueLength;
    static_cast<NtfsAttributeHeader&>(*this) = h;
    if (nonResident) valueLength = keptValueLength;
    if (result != AttributeHeaderResult::Attribute) return false;

    // The name stands right behind the fixed header, except in the longer header of a
    // compressed or sparse attribute, which holds one more size field: there the name offset
    // says where it is.
    view->Seek(nonResident ? 64 : 24);
    if (nameLength && nameOffset > view->Position() && nameOffset < length) view->Seek(nameOffset);
    name = view->ReadWideString(nameLength);

    if (nonResident) {
        valueLength = valueOffset <= length ? length - valueOffset : 0;
        NTFSStream runs;
        if (valueLength && BorrowView(*view, valueOffset, valueLength, &runs))
            runList.Decode(&runs);
    } else {
        view->Seek(valueOffset);
        data = MakeAttributeData(type);
        // The value must lie inside the attribute; one that runs past it is left empty.
        if (valueOffset <= length && valueLength <= length - valueOffset)
            BorrowView(*view, valueOffset, valueLength, &value_);
        else
            value_.Reset();
        if (data) {
            value_.Seek(0);
            data->Parse(&value_);
            value_.Seek(0);
        }
    }
    view->Seek(length);
    return true;
}

std::unique_ptr<NTFSAttribute> NTFSAttribute::CloneWithoutData() const {
    auto copy = std::make_unique<NTFSAttribute>();
    copy->type = type;
    copy->length = length;
    copy->nonResident = nonResident;
    copy->nameLength = nameLength;
    copy->nameOffset = nameOffset;
    copy->flags = flags;
    copy->attributeId = attributeId;
    copy->valueLength = valueLength;
    copy->startVcn = startVcn;
    copy->lastVcn = lastVcn;
    copy->valueOffset = valueOffset;
    copy->compressionUnit = compressionUnit;
    copy->allocatedSize = allocatedSize;
    copy->realSize = realSize;
    copy->initializedSize = initializedSize;
    copy->runList.CopyAll(runList);
    copy->name = name;
    // A resident value is copied too, so that a resident attribute taken from an extension
    // record still has its bytes once that record is gone.
    if (const StreamBase* v = ResidentValue(); v && v->Data()) {
        auto owned = std::make_unique<NTFSStream>();
        if (owned->InitCopy(v->Data(), v->Size(), v->DiskOffset())) {
            owned->SetGeometry(v->Geometry());
            copy->ownedValue_ = std::move(owned);
        }
    }
    return copy;
}

void NTFSAttribute::MakeResident(std::unique_ptr<NTFSStream> value,
                                 std::unique_ptr<NTFSAttributeData> parsed) {
    ownedValue_ = std::move(value);
    value_.Reset();
    data = std::move(parsed);
    nonResident = 0;
    valueLength = ownedValue_ ? ownedValue_->Size() : 0;
    startVcn = lastVcn = 0;
    valueOffset = 0;
    compressionUnit = 0;
    allocatedSize = realSize = initializedSize = 0;
    runList.Runs().clear();
}

bool ParseAttributes(NTFSAttributeList& list, StreamBase* record) {
    if (!record) return false;
    while (record->Position() < record->Size()) {
        const uint32_t pos = record->Position();
        NTFSStream view;
        if (!BorrowView(*record, pos, record->Size() - pos, &view)) return false;
        auto attribute = std::make_unique<NTFSAttribute>();
        if (!attribute->Parse(&view)) return false;
        if (attribute->type == NTFSAttribute::kEndMarker) return true;
        const uint32_t length = attribute->length;
        list.append(attribute.release());
        record->Seek(length > record->Size() - pos ? record->Size() : pos + length);
    }
    return false;
}

NTFSAttribute* FindAttribute(const NTFSAttributeList& list, uint32_t type) {
    NTFSAttribute* found = nullptr;
    list.forEach([&](NTFSAttribute* a) {
        if (!found && a->type == type) found = a;
    });
    return found;
}

NTFSAttribute* FindAttribute(const NTFSAttributeList& list, uint32_t type, uint16_t attributeId) {
    NTFSAttribute* found = nullptr;
    list.forEach([&](NTFSAttribute* a) {
        if (!found && a->type == type && a->attributeId == attributeId) found = a;
    });
    return found;
}

void FilterAttributes(const NTFSAttributeList& list, uint32_t type, NTFSAttributeList& out) {
    out.setAutoDelete(false);
    out.clear();
    list.forEach([&](NTFSAttribute* a) {
        if (a->type == type) out.append(a);
    });
}
