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

// The bounds [begin, end) of a space-padded short-name field, cut at a NUL byte and trimmed at
// both ends.
void FieldBounds(const uint8_t* bytes, size_t width, size_t& begin, size_t& end) {
    end = 0;
    while (end < width && bytes[end] != 0)
        ++end;
    begin = 0;
    while (begin < end && IsTrimSpace(bytes[begin]))
        ++begin;
    while (end > begin && IsTrimSpace(bytes[end - 1]))
        --end;
}

// Writes bytes [begin, end) as OEM text to out, ASCII letters lower-cased when lowerCase is
// set; returns the end of what it wrote.
char16_t* PutOem(char16_t* out, const uint8_t* bytes, size_t begin, size_t end, bool lowerCase) {
    for (size_t i = begin; i < end; ++i) {
        uint8_t c = bytes[i];
        if (lowerCase && c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
        *out++ = c < 0x80 ? static_cast<char16_t>(c) : platform::OemToUnicode(c);
    }
    return out;
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
    std::u16string name;
    AppendShortName(slot, name);
    return name;
}

void FatEntryAssembler::AppendShortName(const uint8_t* slot, std::u16string& out) {
    uint8_t name[8];
    std::memcpy(name, slot, 8);
    if (name[0] == 0xE5)
        name[0] = '_';
    else if (name[0] == 0x05)
        name[0] = 0xE5; // a live name whose first character really is 0xE5
    const uint8_t caseFlags = slot[kCaseFlags];
    char16_t text[8 + 1 + 3];
    char16_t* p = text;
    size_t begin = 0;
    size_t end = 0;
    FieldBounds(name, 8, begin, end);
    p = PutOem(p, name, begin, end, (caseFlags & 0x08) != 0);
    FieldBounds(slot + 8, 3, begin, end);
    if (end > begin) {
        *p++ = u'.';
        p = PutOem(p, slot + 8, begin, end, (caseFlags & 0x10) != 0);
    }
    out.append(text, static_cast<size_t>(p - text));
}

void FatEntryAssembler::AppendLongName(std::u16string& name) const {
    static constexpr struct {
        uint32_t offset, units;
    } kGroups[] = {{0x01, 5}, {0x0E, 6}, {0x1C, 2}};
    // The slots read are at most kMaxLongNameSlots, of 13 units each.
    char16_t text[kMaxLongNameSlots * 13];
    size_t count = 0;
    const size_t n = m_slots.size();
    size_t index = std::min(n - 2, kMaxLongNameSlots - 1);
    for (bool ended = false; !ended;) {
        const uint8_t* slot = m_slots[index].data();
        for (const auto& g : kGroups) {
            for (uint32_t u = 0; u < g.units && !ended; ++u) {
                const char16_t c = Le16(slot + g.offset + 2 * u);
                if (c == 0)
                    ended = true;
                else
                    text[count++] = c;
            }
            if (ended) break;
        }
        if (index == 0) break;
        --index;
    }
    name.append(text, count);
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
    // The entry of the last build is reused, and with it the buffer of its name.
    if (!m_built) m_built = std::make_unique<FatEntry>();
    FatEntry& entry = *m_built;
    std::u16string name = std::move(entry.name);
    name.clear();
    entry = FatEntry{};
    if (!m_slots.empty()) {
        const uint8_t* s = m_slots.back().data();
        if (m_slots.size() == 1)
            AppendShortName(s, name);
        else
            AppendLongName(name);
        entry.firstCluster = FirstCluster(s);
        entry.directoryCluster = directoryCluster;
        entry.deleted = s[0] == 0xE5;
        entry.size = Le32(s + kSize);
        entry.attributes = s[kAttributes];
        entry.created = FatTimeToFileTime(Le16(s + kCreatedDate), Le16(s + kCreatedTime));
        entry.modified = FatTimeToFileTime(Le16(s + kModifiedDate), Le16(s + kModifiedTime));
        entry.accessed = FatTimeToFileTime(Le16(s + kAccessedDate), 0);
    }
    entry.name = std::move(name);
    return entry;
}
