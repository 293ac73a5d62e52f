#pragma once
// The drive a command works on: its letter, source and file system, checked before anything
// is scanned, and its scan results, made by a scan or loaded from a saved scan file.
#include "engine/volume/EngineTypes.h"

#include <cstdint>
#include <string>

struct CliError {
    std::string message;
};

struct Drive {
    char letter = 0;
    bool isNtfs = false;
    uint32_t rootKey = 0;
    std::string source; // path of the image or device
    DriveBootInfo info{};
};

// Parses "E", "E:" or "E:\..." and checks the drive: bound, readable, FAT32 or NTFS.
// Throws CliError with a message naming what is wrong.
Drive OpenDrive(const std::string& spec);

// The letter of a drive path ("E:\Docs" -> 'E'); 0 when there is none.
char LetterOf(const std::string& spec);
