#include "jobs/Drives.h"

#include "engine/volume/DriveProbe.h"
#include "jobs/VolumeBinder.h"
#include "platform/DriveMap.h"
#include "ui/settings/Ini.h"
#include "ui/settings/Settings.h"

#include <cctype>
#include <cstring>

namespace {

char NormalLetter(char c) {
    const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return (l >= 'C' && l <= 'Z') ? l : 0;
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
// GCC 12 at -O3 warns of an overlapping copy inside std::string that cannot happen
// (-Wrestrict, a known false alarm of that version).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
        c.message =
            "\"" + std::string(1, letter) + "\" is not a drive (expected a letter C to Z, like E:)";
#pragma GCC diagnostic pop
        return c;
    }
    const auto binding = platform::DriveMap::Instance().Find(l);
    if (!binding) {
        c.problem = DriveProblem::kNotBound;
        c.message = std::string("no drive ") + l + ": (bind one with --drive " + l + "=PATH)";
        return c;
    }
    const std::string name = DescribeBinding(*binding);
    const DriveProbe probe = ProbeDrive(l);
    c.reason = probe.reason;
    switch (probe.state) {
    case DriveState::kReady:
        break;
    case DriveState::kNotBound:
        c.problem = DriveProblem::kNotBound;
        c.message = std::string("no drive ") + l + ": (bind one with --drive " + l + "=PATH)";
        return c;
    case DriveState::kCannotOpen:
        c.problem = DriveProblem::kCannotOpen;
        c.message = "cannot read " + name + ": " + c.reason;
        return c;
    case DriveState::kCannotRead:
        c.problem = DriveProblem::kCannotRead;
        c.message = "cannot read the boot sector of " + name;
        return c;
    case DriveState::kNotSupported: {
        c.problem = DriveProblem::kNotSupported;
        // What the binder learnt of the source (a damaged table, a container that cannot be
        // opened) says more than the boot sector does.
        std::string known;
        if (binding->WholeSource())
            for (const SourceInventory& s : BoundSources())
                if (s.path == binding->path && !s.error.empty()) known = s.error;
        c.message =
            std::string(1, l) + ": (" + name + ") holds no " + SupportedFileSystems() + " volume" +
            (!known.empty()     ? ": " + known
             : c.reason.empty() ? ""
                                : "; it looks like " + c.reason + ", which is not supported");
        if (!known.empty()) c.reason = known;
        return c;
    }
    }
    CheckedDrive& d = c.drive;
    d.info = probe.info;
    d.letter = l;
    d.isNtfs = d.info.isNtfs != 0;
    d.rootKey = d.info.rootFolderKey;
    d.source = binding->path;
    d.binding = *binding;
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
    char explicitBy[26] = {};
    // The letters named on the command line are reserved before any disk spreads its volumes
    // over the letters that follow.
    for (const Explicit& e : explicit_)
        taken[e.letter - 'A'] = true;
    auto bind = [&](char letter, const std::string& text, bool explicitBinding) {
        SourceSpec spec;
        if (std::string error = ParseSourceSpec(text, &spec); !error.empty()) return error;
        BindResult b = BindSource(map, letter, spec, taken, explicitBinding, options_);
        for (std::string& m : b.messages)
            r.warnings.push_back(std::move(m));
        return b.error;
    };
    for (const Explicit& e : explicit_) {
        explicitBy[e.letter - 'A'] = 1;
        if (std::string error = bind(e.letter, e.path, true); !error.empty()) {
            r.error = error;
            return r;
        }
    }
    for (const std::string& image : images_) {
        const char next = [&] {
            for (char l = 'C'; l <= 'Z'; ++l)
                if (!taken[l - 'A']) return l;
            return char(0);
        }();
        if (!next) {
            r.error = "no drive letter is left for " + image;
            return r;
        }
        if (std::string error = bind(next, image, true); !error.empty()) {
            r.error = error;
            return r;
        }
    }
    if (settings) {
        for (const std::string& key : settings->Keys(settings::kDrivesSection)) {
            const char letter = DriveLetterOf(key);
            if (!letter || key.size() > 2) {
                r.warnings.push_back("[Drives] \"" + key +
                                     "\" is not a drive letter (expected C to Z); the entry is "
                                     "ignored");
                continue;
            }
            const std::string path = settings->GetString(settings::kDrivesSection, key, "");
            if (path.empty()) continue;
            if (taken[letter - 'A']) {
                const auto holder = map.Find(letter);
                r.warnings.push_back(
                    std::string("[Drives] ") + letter + ": " + path + " is not used: " +
                    (explicitBy[letter - 'A']
                         ? "--drive " + std::string(1, letter) + "=" +
                               (holder ? holder->path : "") + " takes the letter"
                         : "the letter is taken by " + (holder ? DescribeBinding(*holder) : "")));
                continue;
            }
            if (std::string error = bind(letter, path, true); !error.empty())
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
            why = std::string("holds no ") + SupportedFileSystems() + " volume" +
                  (c.reason.empty() ? "" : " (" + c.reason + ")");
        out.push_back({s.letter, DescribeBinding(s), why});
    }
    return out;
}

std::string NoDrivesExplanation(const std::string& example) {
    std::string text = std::string("No readable ") + SupportedFileSystems() + " drive.\n";
    for (const UnusableSource& u : UnusableSources())
        text += std::string("  ") + u.letter + ": " + u.path + ": " + u.why + "\n";
    text += "Bind a disk image or a partition to a drive letter, for example:\n  " + example +
            "\n"
            "Local partitions are used without binding when their device can be read "
            "(usually as root).\n";
    return text;
}
