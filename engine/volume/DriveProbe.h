#pragma once
// The one check of a bound drive letter: open the volume the letter stands for, read its boot
// sector and test it. The drive list, the check before a scan and the scan job all use it.
#include "engine/volume/EngineTypes.h"
#include "platform/DriveMap.h"
#include "platform/Source.h"

#include <memory>
#include <string>

enum class DriveState {
    kReady,
    kNotBound,     // no source is bound to the letter
    kCannotOpen,   // the source cannot be opened (reason: what is wrong, naming the source)
    kCannotRead,   // the volume's first sector cannot be read
    kNotSupported, // no supported file system (reason: what it looks like, if known)
};

struct DriveProbe {
    DriveState state = DriveState::kNotBound;
    std::string reason;
    DriveBootInfo info{}; // filled, label included, when state is kReady
    uint64_t size = 0;    // bytes of the volume's window
};

// The volume a binding stands for, as the engines read it: its window on the source, with the
// surviving copy of the boot sector in place of a damaged first sector. Null, with the reason
// in *error, when the source cannot be opened.
std::unique_ptr<platform::Source> OpenBoundVolume(const platform::DriveSource& binding,
                                                  std::string* error);

// withLabel: also look up the volume label (costs a probe of the file system).
DriveProbe ProbeDrive(char letter, bool withLabel = true);

// The file systems the engine reads, for messages: "FAT12, FAT16, FAT32, exFAT or NTFS".
const char* SupportedFileSystems();

// The size the boot sector gives the volume, in bytes (0 when it gives none).
uint64_t DeclaredVolumeSize(const DriveBootInfo& info);
