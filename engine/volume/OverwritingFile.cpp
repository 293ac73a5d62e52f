#include "engine/volume/OverwritingFile.h"

#include "store/CppSQLite3Exception.h"

std::u16string OverwritingFile(char letter, FileSystemKind kind, uint64_t record) {
    try {
        switch (kind) {
        case FileSystemKind::kNtfs:
            return NtfsOverwritingFile(letter, record);
        case FileSystemKind::kFat12:
        case FileSystemKind::kFat16:
        case FileSystemKind::kFat32:
            return FatOverwritingFile(letter, record);
        case FileSystemKind::kExfat:
            return ExfatOverwritingFile(letter, record);
        default:
            return {};
        }
    } catch (const CppSQLite3Exception&) {
        return {};
    }
}

bool ReadPastFreedChain(char letter, FileSystemKind kind, uint64_t record) {
    try {
        return kind == FileSystemKind::kExfat && ExfatReadPastFreedChain(letter, record);
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}
