#pragma once
// Which live file took a deleted file's data: the owner of the first of its clusters that the
// volume's allocation record marks in use, found among the rows of the drive's table.
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <string>

// The full path ("E:\New\report.doc") of that live file, for the deleted row with this
// record; empty when the file is whole, when the clusters went to nothing the scan found, or
// when the volume cannot be read.
std::u16string OverwritingFile(char letter, FileSystemKind kind, uint64_t record);

// The engines' halves.
std::u16string FatOverwritingFile(char letter, uint64_t record);
std::u16string NtfsOverwritingFile(char letter, uint64_t record);
std::u16string ExfatOverwritingFile(char letter, uint64_t record);

// Whether the deleted file row with this record is read past a chain that was freed with it:
// its clusters after the first are taken to follow contiguously, which holds only if it was
// not fragmented. True for exFAT files that had a FAT chain (no NoFatChain flag) and span more
// than one cluster; false where the volume says the data is contiguous, or cannot be read.
bool ReadPastFreedChain(char letter, FileSystemKind kind, uint64_t record);
bool ExfatReadPastFreedChain(char letter, uint64_t record);
