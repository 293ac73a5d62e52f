#pragma once
// The store row of an MFT record, built straight from the record's bytes for the scans, which
// turn every record of a volume into a row. The row is the one BuildRow makes of the parsed
// NTFSFileRecord, but no record, attribute, run or name objects are made: one buffer and one
// row serve record after record. Only a base record whose attribute list places its
// $FILE_NAME or $DATA in extension records goes through the full parse, which reads them.
#include "engine/ntfs/MftRecordMap.h"
#include "engine/ntfs/NTFSFileRow.h"
#include "engine/ntfs/NtfsAddress.h"

#include <cstdint>
#include <memory>
#include <vector>

class NTFSFileRecord;
class NTFSVolume;

class NTFSRowReader {
public:
    enum class Result {
        NoRecord, // nothing readable there, or not a record header (ReadRecordAt gives null)
        NoRow,    // a record that gives no row (BuildRow gives null)
        Row,
    };

    explicit NTFSRowReader(NTFSVolume& volume) : volume_(volume) {}
    NTFSRowReader(const NTFSRowReader&) = delete;
    NTFSRowReader& operator=(const NTFSRowReader&) = delete;

    // The record at a location of the volume.
    Result Read(const RecordLocation& location);
    // A record of size bytes as they lie at offset at of the volume (extension records, when
    // needed, are read from the volume).
    Result FromBytes(const uint8_t* bytes, uint32_t size, VolumeOffset at);

    // The row of the last call that gave Row; its name stays until the next call.
    const NTFSFileRow& Row() const { return row_; }

private:
    // Builds the row from the size bytes in buffer_, which it changes (the update sequence is
    // applied in place). Sets *full, and builds nothing, when the record needs the full parse.
    Result Build(uint32_t size, VolumeOffset at, bool* full);
    // The row of a record that went through the full parse.
    Result FromRecord(const NTFSFileRecord* record);

    NTFSVolume& volume_;
    std::vector<uint8_t> buffer_;
    NTFSFileRow row_;
};
