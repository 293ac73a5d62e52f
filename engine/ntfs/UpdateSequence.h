#pragma once
// Multi-sector protection of MFT (and index) records. On disk, the last two bytes of every
// sector of a record hold the update sequence number; the bytes they replaced are kept in the
// update sequence array behind the header. Applying the array restores them.
#include <cstdint>

// Applies the update sequence array of the record in buffer (size bytes) to buffer itself.
// The array's offset and count come from header offsets 4 and 6. A sector whose last two bytes
// do not hold the update sequence number (torn or partly overwritten) keeps its bytes. Sectors
// are sectorSize bytes long (512 unless the record describes larger ones). Returns the number
// of sectors whose bytes matched; an array that does not fit the record changes nothing.
uint32_t ApplyUpdateSequence(uint8_t* buffer, uint32_t size, uint32_t sectorSize = 512);
