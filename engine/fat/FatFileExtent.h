#pragma once
// How much of a file the volume can back. A file's size is taken from its directory entry, which
// one damaged byte can make gigabytes long; its data is read along its cluster chain, or, once
// its FAT entries are free (a deleted file), from the clusters that follow its first one. Only
// what that read can take from the volume is worth writing.
#include <cstdint>

class FATVolume;

// The bytes of a file starting at firstCluster that the volume backs, at most wanted: the
// length of its chain while its first cluster is in use, else the run of free clusters from
// its first cluster on, never past the end of the volume (as the boot sector describes it,
// and as the device really is). 0 when the first cluster lies outside the data area.
uint64_t FatBackedBytes(FATVolume& volume, uint32_t firstCluster, uint64_t wanted);
