#include "engine/fat/FatEntryChecks.h"

#include "engine/fat/FatSlot.h"

#include <cstring>
#include <ctime>

namespace {

using namespace fatslot;

int ComputeCurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return 200; // 2100: accept every date a FAT volume can hold
    return local.tm_year;
}

} // namespace

int CurrentYearSince1900() {
    static const int year = ComputeCurrentYear();
    return year;
}

bool IsDotOrLabel(const uint8_t* slot) {
    if (slot[0x0B] & 0x08) return true;
    return std::memcmp(slot, ".          ", 11) == 0 || std::memcmp(slot, "..         ", 11) == 0;
}

bool IsValidDosDate(uint16_t date) {
    const int year = (date >> 9) + 80;
    const int month = (date >> 5) & 0x0F;
    const int day = date & 0x1F;
    return year <= CurrentYearSince1900() && year >= 85 && month >= 1 && month <= 12 && day != 0;
}

bool IsValidDosTime(uint16_t time) {
    return (time & 0xF800) < 0xC000 && (time & 0x07E0) < 0x0780 && 2 * (time & 0x1F) < 60;
}

namespace {

// The checks that do not look at dates.
bool HasEntryShape(const uint8_t* slot, uint32_t clusterBound) {
    const uint8_t attributes = slot[kAttributes];
    if (attributes & 0xC0) return false;
    if (slot[0] == 0x20) return false;
    if (attributes & 0x10) {
        const uint32_t size = Le32(slot + kSize);
        if (size % 1024 != 0 || size > 0x100000) return false;
    }
    return FirstCluster(slot) <= clusterBound;
}

// 0 (not recorded) or a real day of any year FAT can hold.
bool IsRecordedDate(uint16_t date) {
    const int month = (date >> 5) & 0x0F;
    return date == 0 || (month >= 1 && month <= 12 && (date & 0x1F) != 0);
}

} // namespace

bool IsValidEntry(const uint8_t* slot, uint32_t clusterBound) {
    if (!HasEntryShape(slot, clusterBound)) return false;
    const uint16_t created = Le16(slot + kCreatedDate);
    const uint16_t accessed = Le16(slot + kAccessedDate);
    return (created == 0 || IsValidDosDate(created)) &&
           IsValidDosDate(Le16(slot + kModifiedDate)) &&
           (accessed == 0 || IsValidDosDate(accessed)) &&
           IsValidDosTime(Le16(slot + kModifiedTime));
}

bool IsWellFormedEntry(const uint8_t* slot, uint32_t clusterBound) {
    if (!HasEntryShape(slot, clusterBound)) return false;
    return IsRecordedDate(Le16(slot + kCreatedDate)) &&
           IsRecordedDate(Le16(slot + kModifiedDate)) &&
           IsRecordedDate(Le16(slot + kAccessedDate)) && IsValidDosTime(Le16(slot + kModifiedTime));
}

bool IsCleanName(std::u16string_view name) {
    for (char16_t c : name) {
        if (c <= 0x1E) return false;
        switch (c) {
        case u'?':
        case u'*':
        case u'/':
        case u'\\':
        case u'|':
        case u'<':
        case u'>':
        case u':':
        case u'"':
            return false;
        default:
            break;
        }
    }
    return true;
}

bool StartsFolder(const uint8_t* bytes, uint32_t size, uint32_t cluster) {
    if (!bytes || size < 64) return false;
    return std::memcmp(bytes, ".          ", 11) == 0 && (bytes[kAttributes] & 0x10) &&
           FirstCluster(bytes) == cluster && std::memcmp(bytes + 32, "..         ", 11) == 0;
}

uint8_t ShortNameChecksum(const uint8_t* slot) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + slot[i]);
    return sum;
}

int32_t CreationCentisecondsApart(const uint8_t* a, const uint8_t* b) {
    if (Le16(a + kCreatedDate) != Le16(b + kCreatedDate)) return -1;
    // Time of day in 10 ms units: two-second steps from the time field, 0..199 from 0x0D.
    auto centiseconds = [](const uint8_t* s) {
        const uint16_t t = Le16(s + kCreatedTime);
        const int32_t seconds = (t >> 11) * 3600 + ((t >> 5) & 0x3F) * 60 + (t & 0x1F) * 2;
        return seconds * 100 + s[kCreatedTenths];
    };
    const int32_t apart = centiseconds(a) - centiseconds(b);
    return apart < 0 ? -apart : apart;
}
