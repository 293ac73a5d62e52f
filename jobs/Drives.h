#pragma once
// Drive letters and their sources, shared by the command line and the window: checking a drive
// before it is scanned (with a reason a user can act on), binding letters from the command
// line and the settings, and explaining a drive list that comes out empty.
#include "engine/partition/VolumeProbe.h"
#include "engine/volume/EngineTypes.h"
#include "platform/DriveMap.h"

#include <cstdint>
#include <string>
#include <vector>

class CIni;

// A drive that is bound, readable and holds a supported file system.
struct CheckedDrive {
    char letter = 0;
    bool isNtfs = false;
    uint32_t rootKey = 0;
    std::string source; // path of the image or device
    DriveBootInfo info{};
    platform::DriveSource binding; // the letter's binding: source, window, container
};

enum class DriveProblem {
    kNone,
    kNotALetter,   // the text names no letter C to Z
    kNotBound,     // no source is bound to the letter
    kCannotOpen,   // the source cannot be opened for reading (reason: the system's message)
    kCannotRead,   // its first sector cannot be read
    kNotSupported, // no supported file system (reason: what it looks like, if known)
};

struct DriveCheck {
    DriveProblem problem = DriveProblem::kNone;
    std::string reason;  // the system's message, or what an unsupported volume looks like
    std::string message; // one English line naming the drive and what is wrong
    CheckedDrive drive;  // filled when problem is kNone
};

// Checks the drive of a letter through the process-wide drive map.
DriveCheck CheckDrive(char letter);
// The letter of "E", "E:" or "E:\..."; 0 when there is none.
char DriveLetterOf(const std::string& spec);

// Letters bound from a command line: "--drive L=PATH" options and image paths without a letter.
class DriveBindings {
public:
    // Takes "L=PATH" (also "L:=PATH"); PATH may choose one volume of a disk: "PATH#N" for
    // partition N, "PATH#@BYTES" for the volume that starts at that byte offset. Returns an error
    // message, or empty. A letter given twice is refused, whatever the paths.
    std::string AddExplicit(const std::string& spec);
    // An image without a letter: it takes the first letter left free by the explicit ones.
    void AddImage(const std::string& path);
    // How disks without a readable table are searched for lost volumes (aligned places by
    // default; every sector, with progress and cancel, when asked).
    void SetProbeOptions(ProbeOptions options) { options_ = std::move(options); }

    struct Result {
        std::string error;                 // the first binding that failed; nothing is used then
        std::vector<std::string> warnings; // [Drives] entries of the settings that failed
    };
    // Binds, in this order: the explicit letters, the images (first free letters from C), the
    // settings' [Drives] entries for letters still free, then the readable local partitions.
    // A whole disk binds each of its volumes: the first to its letter, the others to the next
    // free letters. [Drives] entries that are not used (not a letter, a letter taken) are named
    // in the warnings.
    // settings may be null (no [Drives] section).
    Result Apply(platform::DriveMap& map, const CIni* settings) const;

private:
    struct Explicit {
        char letter;
        std::string path;
    };
    std::vector<Explicit> explicit_;
    std::vector<std::string> images_;
    ProbeOptions options_;
};

// A bound letter that the drive list leaves out, and why.
struct UnusableSource {
    char letter;
    std::string path;
    std::string why; // English
};
// Every bound letter whose source is not a readable volume with a supported file system.
std::vector<UnusableSource> UnusableSources();
// The English explanation printed when no drive is readable: what is bound but unusable, and
// how to bind an image (example: the command line to show).
std::string NoDrivesExplanation(const std::string& example);
