#include "engine/exfat/ExfatEntrySet.h"

#include "engine/exfat/ExfatBytes.h"
#include "engine/exfat/ExfatTime.h"
#include "engine/exfat/ExfatUpcase.h"

using exfatbytes::Le16;
using exfatbytes::Le32;
using exfatbytes::Le64;

uint16_t ExfatSetChecksum(const uint8_t* entries, size_t count, bool asLive) {
    uint16_t sum = 0;
    const size_t n = count * exfat::kEntrySize;
    for (size_t i = 0; i < n; ++i) {
        if (i == 2 || i == 3) continue;
        uint8_t b = entries[i];
        if (asLive && i % exfat::kEntrySize == 0) b |= exfat::kInUse;
        sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + b);
    }
    return sum;
}

ExfatSetResult ParseExfatEntrySet(const uint8_t* entries, size_t available, ExfatEntry& out,
                                  const ExfatUpcase* upcase) {
    using namespace exfat;
    if (!entries || available == 0) return ExfatSetResult::kNotASet;
    const uint8_t type = entries[0];
    if ((type | kInUse) != kTypeFile) return ExfatSetResult::kNotASet;
    const bool deleted = (type & kInUse) == 0;
    const uint8_t state = deleted ? 0 : kInUse;
    const uint32_t secondaries = entries[1];
    // A stream entry and at least one name entry; at most 17 name entries plus benign ones,
    // so 2 .. 255 are possible on disk; a count below 2 is damage.
    if (secondaries < 2) return ExfatSetResult::kBad;
    const size_t count = static_cast<size_t>(secondaries) + 1;
    if (count > available) return ExfatSetResult::kTruncated;

    const uint8_t* stream = entries + kEntrySize;
    if (stream[0] != ((kTypeStream & ~kInUse) | state)) return ExfatSetResult::kBad;
    const uint32_t nameLength = stream[3];
    if (nameLength == 0 || nameLength > kMaxNameLength) return ExfatSetResult::kBad;
    const size_t nameEntries = (nameLength + 14) / 15;
    if (nameEntries + 1 > secondaries) return ExfatSetResult::kBad;
    for (size_t i = 0; i < nameEntries; ++i)
        if (entries[(2 + i) * kEntrySize] != ((kTypeName & ~kInUse) | state))
            return ExfatSetResult::kBad;
    // Further secondaries must be secondaries of the same state (benign ones are skipped).
    for (size_t i = 2 + nameEntries; i < count; ++i) {
        const uint8_t t = entries[i * kEntrySize];
        if ((t & 0x40) == 0 || (t & kInUse) != state) return ExfatSetResult::kBad;
        // More name entries than the name length needs: a name past 255 characters, or
        // entries of another set.
        if ((t | kInUse) == kTypeName) return ExfatSetResult::kBad;
    }
    if (ExfatSetChecksum(entries, count, deleted) != Le16(entries + 2)) return ExfatSetResult::kBad;

    ExfatEntry e;
    e.name.reserve(nameLength);
    for (size_t i = 0; i < nameEntries; ++i) {
        const uint8_t* n = entries + (2 + i) * kEntrySize + 2;
        for (size_t u = 0; u < 15 && e.name.size() < nameLength; ++u)
            e.name.push_back(static_cast<char16_t>(Le16(n + 2 * u)));
    }
    for (const char16_t c : e.name)
        if (c == 0) return ExfatSetResult::kBad; // the length says the name is longer
    if (upcase && upcase->Loaded() && upcase->NameHash(e.name) != Le16(stream + 4))
        return ExfatSetResult::kBad;

    e.attributes = Le16(entries + 4);
    e.created = ExfatTimeToFileTime(Le32(entries + 8), entries[20], entries[22]);
    e.modified = ExfatTimeToFileTime(Le32(entries + 12), entries[21], entries[23]);
    e.accessed = ExfatTimeToFileTime(Le32(entries + 16), 0, entries[24]);
    e.noFatChain = (stream[1] & kFlagNoFatChain) != 0;
    e.validLength = Le64(stream + 8);
    e.firstCluster = Le32(stream + 20);
    e.dataLength = Le64(stream + 24);
    if (e.validLength > e.dataLength) return ExfatSetResult::kBad;
    e.deleted = deleted;
    e.entryCount = static_cast<uint32_t>(count);
    out = std::move(e);
    return ExfatSetResult::kParsed;
}
