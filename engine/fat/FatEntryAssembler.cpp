#include "engine/fat/FatEntryAssembler.h"

#include "engine/fat/FatEntryChecks.h"
#include "engine/fat/FatSlot.h"
#include "engine/fat/FatTime.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

using namespace fatslot;

bool IsTrimSpace(uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A space-padded short-name field, cut at a NUL byte and trimmed at both ends.
std::string Field(const uint8_t* bytes, size_t width, bool lowerCase) {
    size_t end = 0;
    while (end < width && bytes[end] != 0)
        ++end;
    size_t begin = 0;
    while (begin < end && IsTrimSpace(bytes[begin]))
        ++begin;
    while (end > begin && IsTrimSpace(bytes[end - 1]))
        --end;
    std::string text(reinterpret_cast<const char*>(bytes + begin), end - begin);
    if (lowerCase)
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

void FatEntryAssembler::Append(const uint8_t* slot) {
    Slot s;
    std::memcpy(s.data(), slot, kSlotSize);
    m_slots.push_back(s);
}

void FatEntryAssembler::KeepLast(size_t count) {
    if (m_slots.size() > count) {
        const size_t dropped = m_slots.size() - count;
        m_slots.erase(m_slots.begin(), m_slots.begin() + static_cast<std::ptrdiff_t>(dropped));
        m_carried = m_carried > dropped ? m_carried - dropped : 0;
    }
}

void FatEntryAssembler::CarryOver() {
    KeepLast(kMaxLongNameSlots - 1);
    m_carried = m_slots.size();
}

std::u16string FatEntryAssembler::ShortName(const uint8_t* slot) {
    uint8_t name[8];
    std::memcpy(name, slot, 8);
    if (name[0] == 0xE5)
        name[0] = '_';
    else if (name[0] == 0x05)
        name[0] = 0xE5; // a live name whose first character really is 0xE5
    const uint8_t caseFlags = slot[kCaseFlags];
    std::string text = Field(name, 8, (caseFlags & 0x08) != 0);
    const std::string ext = Field(slot + 8, 3, (caseFlags & 0x10) != 0);
    if (!ext.empty()) text += "." + ext;
    return platform::OemToUtf16(text);
}

std::u16string FatEntryAssembler::LongName() const {
    static constexpr struct {
        uint32_t offset, units;
    } kGroups[] = {{0x01, 5}, {0x0E, 6}, {0x1C, 2}};
    std::u16string name;
    const size_t n = m_slots.size();
    size_t index = std::min(n - 2, kMaxLongNameSlots - 1);
    for (;;) {
        const Slot& slot = m_slots[index];
        char16_t buffer[13];
        size_t count = 0;
        bool ended = false;
        for (const auto& g : kGroups) {
            for (uint32_t u = 0; u < g.units && !ended; ++u) {
                const char16_t c = Le16(slot.data() + g.offset + 2 * u);
                if (c == 0)
                    ended = true;
                else
                    buffer[count++] = c;
            }
            if (ended) break;
        }
        name.append(buffer, count);
        if (ended || index == 0) break;
        --index;
    }
    return name;
}

const FatEntry& FatEntryAssembler::Build(uint32_t directoryCluster) {
    if (m_carried > 0 && m_carried < m_slots.size()) {
        // Slots from the cluster before are part of this name only if they say so.
        const uint8_t sum = ShortNameChecksum(m_slots.back().data());
        for (size_t i = 0; i < m_carried; ++i) {
            if (m_slots[i][kLongNameChecksum] != sum) {
                m_slots.erase(m_slots.begin(),
                              m_slots.begin() + static_cast<std::ptrdiff_t>(m_carried));
                break;
            }
        }
    }
    m_carried = 0;
    auto entry = std::make_unique<FatEntry>();
    if (!m_slots.empty()) {
        const uint8_t* s = m_slots.back().data();
        entry->name = m_slots.size() == 1 ? ShortName(s) : LongName();
        entry->firstCluster = FirstCluster(s);
        entry->directoryCluster = directoryCluster;
        entry->deleted = s[0] == 0xE5;
        entry->size = Le32(s + kSize);
        entry->attributes = s[kAttributes];
        entry->created = FatTimeToFileTime(Le16(s + kCreatedDate), Le16(s + kCreatedTime));
        entry->modified = FatTimeToFileTime(Le16(s + kModifiedDate), Le16(s + kModifiedTime));
        entry->accessed = FatTimeToFileTime(Le16(s + kAccessedDate), 0);
    }
    m_built = std::move(entry);
    return *m_built;
}
