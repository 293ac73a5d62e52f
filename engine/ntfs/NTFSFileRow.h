#pragma once
// The values of one store row, built from an MFT record: the longest name, the size of the
// first $DATA, the $STANDARD_INFORMATION times and where the file's data (or record) lies.
#include "engine/volume/AllocationMap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class NTFSFileRecord;
class NTFSVolume;

struct NTFSFileRow {
    std::u16string name;
    uint64_t size = 0;
    uint64_t created = 0;
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
    uint64_t parent = 0; // MFT record number of the parent folder (48 bits)
    uint32_t recordNumber = 0;
    int64_t firstSector = -1;
    bool inUse = false; // false for a deleted file or folder
    bool isDirectory = false;
    bool dataResident = false; // the data lies in the record itself
    // Of a deleted file only: the clusters that hold its data (as far as its size reaches).
    std::vector<ClusterRun> dataClusters;
};

// The row of a record, or null when the record fails the header check or has no
// $STANDARD_INFORMATION or $FILE_NAME. A base record whose $FILE_NAME (or $DATA) its
// attribute list places in extension records takes them from there.
std::unique_ptr<NTFSFileRow> BuildRow(const NTFSFileRecord& record, NTFSVolume& volume);
