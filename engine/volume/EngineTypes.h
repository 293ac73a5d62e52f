#pragma once
// Types shared by the engine's entry points, the jobs and the front ends: the drive record,
// the engine-wide cancel flag and the callback types. Callbacks are plain function pointers
// that get the caller's context pointer back as their last argument; a callback that answers
// false means "stop". 64-bit counts travel as two 32-bit halves (low, high).
#include <atomic>
#include <cstdint>

// The file systems the engine can tell apart from a boot sector. The FAT family (FAT12, FAT16,
// FAT32 and exFAT) is reached through the FAT entry points, NTFS through its own.
enum class FileSystemKind : uint8_t {
    kUnknown = 0,
    kFat12 = 1,
    kFat16 = 2,
    kFat32 = 3,
    kExfat = 4,
    kNtfs = 5,
};

// The name a drive list shows for a file system: "FAT12", "FAT16", "FAT32", "exFAT", "NTFS",
// or "" for kUnknown.
inline const char* FileSystemName(FileSystemKind kind) {
    switch (kind) {
    case FileSystemKind::kFat12:
        return "FAT12";
    case FileSystemKind::kFat16:
        return "FAT16";
    case FileSystemKind::kFat32:
        return "FAT32";
    case FileSystemKind::kExfat:
        return "exFAT";
    case FileSystemKind::kNtfs:
        return "NTFS";
    case FileSystemKind::kUnknown:
        break;
    }
    return "";
}

// One listed drive, filled by ListDrives from sector 0 of the volume.
struct DriveBootInfo {
    uint8_t bootSector[512];
    char driveLetter;          // 'C' to 'Z'
    uint8_t isNtfs;            // 1 for NTFS, 0 for FAT32
    uint8_t supported;         // 1 when sector 0 is an NTFS or FAT32 boot sector
    char volumeLabel[256];     // UTF-8, NUL-terminated, all zero when unknown
    uint32_t rootFolderKey;    // 5 for NTFS, the root cluster for FAT32
    int32_t shellSlot;         // kept by the shell for its tree item; 0 here
    FileSystemKind fileSystem; // which file system the boot sector holds (kUnknown when
                               // unsupported); isNtfs stays 1 exactly for kNtfs
};

// The engine's cancel flag: the user's wish to stop. Cleared at the start of every recovery and
// raised only when the user cancels: a recovery's progress callback answers false (the caller's
// cancel), or a job raises it for a cancel the user confirmed. Scans and the recovery walk read
// it; readers never touch it (a sink that refuses data is a read outcome, not a cancel).
extern std::atomic<bool> g_engineCancel;

// Scan callbacks.
using ScanStartCallback = void (*)(uint32_t totalLow, uint32_t totalHigh, uint32_t range,
                                   void* context);
using ScanProgressCallback = bool (*)(uint32_t doneLow, uint32_t doneHigh, void* context);
using ScanFinishCallback = void (*)(void* context);
// Called by the FAT quick scan with the name of each folder it is about to enter.
using DirectoryCallback = bool (*)(const char16_t* name, void* context);

// A chunk of data read from the volume (streaming reads, cluster chains, file data). False
// refuses the chunk and stops the read.
using ChunkCallback = bool (*)(const uint8_t* chunk, uint32_t length, void* user);

// How a read that hands its data to a chunk sink ended.
enum class ReadOutcome : uint8_t {
    kOk = 0,          // every byte asked for was handed over
    kReadFailed = 1,  // the volume could not give (all of) the data
    kSinkRefused = 2, // the sink refused a chunk; the read stopped there
};

// Recovery callbacks.
using BeforeFileCallback = bool (*)(const char16_t* outputPath, const char16_t* fileName,
                                    uint32_t sizeLow, uint32_t sizeHigh, void* user);
using RecoverProgressCallback = bool (*)(uint32_t writtenLow, uint32_t writtenHigh, void* user);

// What became of one file of a recovery.
enum class RecoveryOutcome : uint32_t {
    kWritten = 0,    // written and complete (size may be below the claimed size: see below)
    kSkipped = 1,    // not written, by choice (see the reason)
    kReadError = 2,  // its data could not be read from the volume
    kWriteError = 3, // the destination refused it
    kCancelled = 4,  // the user stopped the recovery while it was being written
};

// Why a file was skipped or failed. The engine words nothing: the system's own error number
// travels along for kSystem, and the front end turns the reason into text.
enum class RecoveryReason : uint32_t {
    kNone = 0,
    kSystem = 1,           // systemError holds the error number of the call that failed
    kDeclined = 2,         // the before-file callback answered false
    kKeptExisting = 3,     // something existed at the output name and was kept
    kAlreadyRecovered = 4, // its folder was written earlier in the same job
    kLinkInTheWay = 5,     // a symbolic link stands where an output folder goes
    kSourceInTheWay = 6,   // the output name is a volume source or a device, or a mount point
                           // of a file system stored on the volume being read
    kTooDeep = 7,          // folders nest deeper than a recovery follows
    kNoData = 8,           // the entry points at no data the volume holds
    kUnreadable = 9,       // reading the data from the volume failed
    kCancelled = 10,       // the user stopped the recovery
};

// One file's result, handed to the file-done callback. A folder that could not be made is
// reported the same way (isFolder 1) before the files below it, which fail with it.
struct RecoveredFile {
    const char16_t* outputPath; // the full output path, folders joined with "/"
    const char16_t* name;       // the output name (shortened and numbered as written)
    uint64_t record;            // the record column of the row
    RecoveryOutcome outcome;
    RecoveryReason reason;
    int32_t systemError;  // errno for RecoveryReason::kSystem, else 0
    uint64_t claimedSize; // the size the entry claims
    uint64_t size;        // the size the volume can back; below claimedSize it was clamped
    uint64_t written;     // bytes written
    uint8_t isFolder;
};
using FileDoneCallback = void (*)(const RecoveredFile* file, void* user);
// The callee sets *answer; 1 leaves the existing file or folder alone, any other value
// overwrites a file or reuses a folder.
using ExistsCallback = void (*)(const char16_t* outputPath, uint32_t zero, int* answer, void* user);
using CountCallback = void (*)(uint32_t count, void* context);

inline uint32_t LowPart(uint64_t v) {
    return static_cast<uint32_t>(v);
}
inline uint32_t HighPart(uint64_t v) {
    return static_cast<uint32_t>(v >> 32);
}
inline uint64_t MakeU64(uint32_t low, uint32_t high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}
