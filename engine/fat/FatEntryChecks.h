#pragma once
// Plausibility checks on raw 32-byte FAT directory slots and on found names. The scanners
// keep only entries that pass them; the advanced scan, which parses every cluster as if it
// were a directory, relies on them to tell entries from file data.
#include <cstdint>
#include <string_view>

// Attribute 0x08 (volume label, also set in long-name slots) or a "." / ".." entry.
bool IsDotOrLabel(const uint8_t* slot);

// Year between 1985 and the current year (taken once per run), month 1-12, day not 0.
bool IsValidDosDate(uint16_t date);
// Hour below 24, minute below 60, seconds below 60.
bool IsValidDosTime(uint16_t time);
// The current local year counted from 1900, as used by IsValidDosDate.
int CurrentYearSince1900();

// A plausible short entry: no 0x40/0x80 attribute bits, first name byte not a space, a
// folder's size a multiple of 1024 up to 1 MiB, a valid write date and time, creation and
// access dates that are valid or 0 (not recorded: cameras and other devices leave both 0),
// first cluster at most clusterBound.
bool IsValidEntry(const uint8_t* slot, uint32_t clusterBound);

// The check of an entry met inside a folder, where the structure already says it is an entry:
// IsValidEntry without the year window, and with creation, write and access dates that may
// also be 0 (not recorded). Files dated 1980 (devices without a clock), dated in the future
// (a clock set wrong) or written by systems that keep no creation or access date are real
// entries and stay in the listing.
bool IsWellFormedEntry(const uint8_t* slot, uint32_t clusterBound);

// False if any character is 0x1E or below, or one of ? * / \ | < > : ".
bool IsCleanName(std::u16string_view name);

// Whether a cluster's bytes start like the first cluster of a folder: a "." folder entry
// naming the cluster itself, then a ".." entry. size is the number of bytes at bytes.
bool StartsFolder(const uint8_t* bytes, uint32_t size, uint32_t cluster);

// The checksum of a short entry's 11 name bytes that its long-name slots carry at 0x0D.
uint8_t ShortNameChecksum(const uint8_t* slot);

// Time between the creation times of two slots (time field and 10 ms units) in 10 ms units,
// or -1 when their creation dates differ.
int32_t CreationCentisecondsApart(const uint8_t* a, const uint8_t* b);
