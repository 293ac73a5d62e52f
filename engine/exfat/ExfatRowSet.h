#pragma once
// The File and Stream Extension entries of a row's entry set, read again from the volume
// through the row's id (kEntryIdBase + the place of its File entry / 32): what the row does
// not keep (the chain flag, the valid length) is there.
#include <cstdint>
#include <optional>

class ExfatVolume;

struct ExfatRowStream {
    uint32_t firstCluster = 0;
    uint64_t dataLength = 0;
    uint64_t validLength = 0;
    bool noFatChain = false;
    bool deleted = false;
    bool directory = false;
};

// Empty when the id names no place (a folder's cluster id, a carved row) or the entries there
// are not a File entry followed by its Stream Extension in the same state.
std::optional<ExfatRowStream> ReadExfatRowStream(ExfatVolume& volume, uint64_t id);
