#pragma once
// The one binder of sources to drive letters, used by both front ends. A source (a volume
// image, a whole-disk image, a block device or an image container) is probed for the volumes
// it holds; each volume with a supported file system gets a letter of its own, and what the
// source holds besides (other partitions, unallocated space, damage) is kept for the drive
// listing.
#include "engine/partition/VolumeProbe.h"
#include "platform/DriveMap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which volumes of a source a binding takes: all of them, or one chosen by its partition
// number ("PATH#2") or by its byte offset on the source ("PATH#@1048576").
struct SourceSpec {
    std::string path;
    uint32_t partition = 0;
    std::optional<uint64_t> offset;
    bool Chosen() const { return partition != 0 || offset.has_value(); }
};
// Parses "PATH", "PATH#N" or "PATH#@OFFSET". A path that exists as written is taken whole,
// "#" and all. Returns an error message, or empty.
std::string ParseSourceSpec(const std::string& text, SourceSpec* spec);

// What a bound source holds.
struct SourceInventory {
    std::string path;
    platform::ContainerKind container = platform::ContainerKind::kRaw;
    std::vector<std::string> files;
    ProbeResult probe;
    std::string error; // why the source cannot be opened or read, naming what is wrong
};

struct BindResult {
    std::vector<char> letters;         // the letters bound, in table order
    std::vector<std::string> messages; // what the user should know (damage, volumes left out)
    std::string error;                 // the source cannot be read at all: nothing was bound
};

// Binds the volumes of spec's source to letters. The first volume (or the chosen one) takes
// letter; further volumes take the next letters from C that are not in taken. The letters
// bound are added to taken. A source in which no volume is found is bound whole to letter, so
// the drive list names it and says why.
BindResult BindSource(platform::DriveMap& map, char letter, const SourceSpec& spec, bool taken[26],
                      bool explicitBinding, const ProbeOptions& options = {});

// Binds spec's source from the first letter left free in map. Same result.
BindResult BindSourceToFreeLetters(platform::DriveMap& map, const SourceSpec& spec,
                                   const ProbeOptions& options = {});

// Binds the volumes of the source at path that no letter holds yet (as a search of every
// sector finds them on a disk whose other volumes are bound) to the first free letters. The
// source is never bound whole: when nothing new is found, letters is empty and error too.
// found, when given, receives how many volumes the probe saw, bound before or now.
BindResult BindNewVolumes(platform::DriveMap& map, const std::string& path,
                          const ProbeOptions& options, size_t* found = nullptr);

// The sources bound so far, in the order they were bound (a source bound again replaces its
// earlier record).
std::vector<SourceInventory> BoundSources();
void ForgetBoundSources();

// What the bound sources hold besides their bound volumes, one English line each: partitions
// with other file systems and unallocated space over 1 MiB (damage found in their tables is
// among the binder's messages) ("card.img, partition 3 (10.0 MiB at 70.0 MiB): unknown file system
// (type 0x83)").
std::vector<std::string> SourceNotes();

// "card.img, partition 1 (63.0 MiB at 1.0 MiB)", "disk.E01 (E01), found at 1.0 MiB (63.0 MiB)",
// or just the path for a source that is one volume.
std::string DescribeBinding(const platform::DriveSource& binding);
// "63.0 MiB", "1.5 GiB", "512 bytes".
std::string FormatBytes(uint64_t bytes);
