#include "cli/Drive.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/RawDevice.h"
#include "platform/VolumeLabel.h"

#include <cctype>
#include <cstring>

char LetterOf(const std::string& spec) {
    if (spec.empty()) return 0;
    const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(spec[0])));
    if (l < 'C' || l > 'Z') return 0;
    if (spec.size() == 1 || spec[1] == ':') return l;
    return 0;
}

namespace {

// What an unsupported boot sector looks like, for the error message.
std::string Lookalike(const uint8_t* s) {
    if (std::memcmp(s + 0x36, "FAT12   ", 8) == 0) return "FAT12";
    if (std::memcmp(s + 0x36, "FAT16   ", 8) == 0 || std::memcmp(s + 0x36, "FAT     ", 8) == 0)
        return "FAT16";
    if (std::memcmp(s + 3, "EXFAT   ", 8) == 0) return "exFAT";
    return "";
}

} // namespace

Drive OpenDrive(const std::string& spec) {
    const char letter = LetterOf(spec);
    if (!letter)
        throw CliError{"\"" + spec + "\" is not a drive (expected a letter C to Z, like E:)"};
    const auto path = platform::DriveMap::Instance().PathFor(letter);
    if (!path)
        throw CliError{std::string("no drive ") + letter + ": (bind one with --drive " + letter +
                       "=PATH)"};
    platform::RawDevice device;
    if (!device.Open(*path)) throw CliError{"cannot read " + *path + ": " + device.Error()};
    uint8_t sector[512];
    if (device.ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector))
        throw CliError{"cannot read the boot sector of " + *path};
    Drive d;
    TestBootSector(sector, letter, &d.info);
    if (!d.info.supported) {
        const std::string looks = Lookalike(sector);
        throw CliError{
            std::string(1, letter) + ": (" + *path + ") is neither FAT32 nor NTFS" +
            (looks.empty() ? "" : "; it looks like " + looks + ", which is not supported")};
    }
    const std::string label = platform::VolumeLabel(*path, sector);
    std::strncpy(d.info.volumeLabel, label.c_str(), sizeof d.info.volumeLabel - 1);
    d.letter = letter;
    d.isNtfs = d.info.isNtfs != 0;
    d.rootKey = d.info.rootFolderKey;
    d.source = *path;
    return d;
}
