#pragma once
// The drive a command works on: its letter, source and file system, checked before anything
// is scanned (jobs/Drives), and its scan results, made by a scan or loaded from a saved scan.
#include "jobs/Drives.h"

#include <string>

struct CliError {
    std::string message;
};

using Drive = CheckedDrive;

// Parses "E", "E:" or "E:\..." and checks the drive: bound, readable, with a supported file system.
// Throws CliError with a message naming what is wrong.
Drive OpenDrive(const std::string& spec);

// The letter of a drive path ("E:\Docs" -> 'E'); 0 when there is none.
inline char LetterOf(const std::string& spec) {
    return DriveLetterOf(spec);
}
