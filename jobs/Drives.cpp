#include "jobs/Drives.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/RawDevice.h"
#include "platform/VolumeLabel.h"
#include "ui/settings/Ini.h"
#include "ui/settings/Settings.h"

#include <cctype>
#include <cstring>

namespace {

char NormalLetter(char c) {
    const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return (l >= 'C' && l <= 'Z') ? l : 0;
}

// What an unsupported boot sector looks like, for the message.
std::string Lookalike(const uint8_t* s) {
    if (std::memcmp(s + 0x36, "FAT12   ", 8) == 0) return "FAT12";
    if (std::memcmp(s + 0x36, "FAT16   ", 8) == 0 || std::memcmp(s + 0x36, "FAT     ", 8) == 0)
        return "FAT16";
    if (std::memcmp(s + 3, "EXFAT   ", 8) == 0) return "exFAT";
    return "";
}

} // namespace

char DriveLetterOf(const std::string& spec) {
    if (spec.empty()) return 0;
    const char l = NormalLetter(spec[0]);
    if (!l) return 0;
    if (spec.size() == 1 || spec[1] == ':') return l;
    return 0;
}

DriveCheck CheckDrive(char letter) {
    DriveCheck c;
    const char l = NormalLetter(letter);
    if (!l) {
        c.problem = DriveProblem::kNotALetter;
        c.message =
            "\"" + std::string(1, letter) + "\" is not a drive (expected a letter C to Z, like E:)";
        return c;
    }
    const auto path = platform::DriveMap::Instance().PathFor(l);
    if (!path) {
        c.problem = DriveProblem::kNotBound;
        c.message = std::string("no drive ") + l + ": (bind one with --drive " + l + "=PATH)";
        return c;
    }
    platform::RawDevice device;
    if (!device.Open(*path)) {
        c.problem = DriveProblem::kCannotOpen;
        c.reason = device.Error();
        c.message = "cannot read " + *path + ": " + c.reason;
        return c;
    }
    uint8_t sector[512];
    if (device.ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector)) {
        c.problem = DriveProblem::kCannotRead;
        c.reason = "the first sector cannot be read";
        c.message = "cannot read the boot sector of " + *path;
        return c;
    }
    CheckedDrive& d = c.drive;
    TestBootSector(sector, l, &d.info);
    if (!d.info.supported) {
        c.problem = DriveProblem::kNotSupported;
        c.reason = Lookalike(sector);
        c.message =
            std::string(1, l) + ": (" + *path + ") is neither FAT32 nor NTFS" +
            (c.reason.empty() ? "" : "; it looks like " + c.reason + ", which is not supported");
        return c;
    }
    const std::string label = platform::VolumeLabel(*path, sector);
    std::strncpy(d.info.volumeLabel, label.c_str(), sizeof d.info.volumeLabel - 1);
    d.letter = l;
    d.isNtfs = d.info.isNtfs != 0;
    d.rootKey = d.info.rootFolderKey;
    d.source = *path;
    return c;
}

std::string DriveBindings::AddExplicit(const std::string& spec) {
    const auto eq = spec.find('=');
    if (eq == std::string::npos || eq == 0 || eq > 2 || (eq == 2 && spec[1] != ':'))
        return "bad drive binding \"" + spec + "\" (expected L=PATH)";
    const char letter = NormalLetter(spec[0]);
    if (!letter) return std::string("drive letter ") + spec[0] + " is not one of C to Z";
    const std::string path = spec.substr(eq + 1);
    for (const Explicit& e : explicit_)
        if (e.letter == letter)
            return std::string("drive letter ") + letter + ": is bound twice (to " + e.path +
                   " and to " + path + ")";
    explicit_.push_back({letter, path});
    return {};
}

void DriveBindings::AddImage(const std::string& path) {
    images_.push_back(path);
}

DriveBindings::Result DriveBindings::Apply(platform::DriveMap& map, const CIni* settings) const {
    Result r;
    bool taken[26] = {};
    for (const Explicit& e : explicit_) {
        if (std::string error = map.Bind(e.letter, e.path); !error.empty()) {
            r.error = error;
            return r;
        }
        taken[e.letter - 'A'] = true;
    }
    char next = 'C';
    for (const std::string& image : images_) {
        while (next <= 'Z' && taken[next - 'A'])
            ++next;
        if (next > 'Z') {
            r.error = "no drive letter is left for " + image;
            return r;
        }
        if (std::string error = map.Bind(next, image); !error.empty()) {
            r.error = error;
            return r;
        }
        taken[next - 'A'] = true;
    }
    if (settings) {
        for (char letter = 'C'; letter <= 'Z'; ++letter) {
            if (taken[letter - 'A']) continue;
            const std::string path =
                settings->GetString(settings::kDrivesSection, std::string(1, letter), "");
            if (path.empty()) continue;
            if (std::string error = map.Bind(letter, path); !error.empty())
                r.warnings.push_back(std::string("[Drives] ") + letter + ": " + error);
        }
    }
    map.DetectLocalPartitions();
    return r;
}

std::vector<UnusableSource> UnusableSources() {
    std::vector<UnusableSource> out;
    for (const platform::DriveSource& s : platform::DriveMap::Instance().Sources()) {
        const DriveCheck c = CheckDrive(s.letter);
        if (c.problem == DriveProblem::kNone) continue;
        std::string why = c.reason;
        if (c.problem == DriveProblem::kNotSupported)
            why = "neither FAT32 nor NTFS" +
                  (c.reason.empty() ? "" : " (looks like " + c.reason + ")");
        out.push_back({s.letter, s.path, why});
    }
    return out;
}

std::string NoDrivesExplanation(const std::string& example) {
    std::string text = "No readable FAT32 or NTFS drive.\n";
    for (const UnusableSource& u : UnusableSources())
        text += std::string("  ") + u.letter + ": " + u.path + ": " + u.why + "\n";
    text += "Bind a disk image or a partition to a drive letter, for example:\n  " + example +
            "\n"
            "Local partitions are used without binding when their device can be read "
            "(usually as root).\n";
    return text;
}
