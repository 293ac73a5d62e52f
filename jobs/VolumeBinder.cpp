#include "jobs/VolumeBinder.h"

#include "engine/partition/BackupBootSector.h"
#include "engine/volume/DriveProbe.h"
#include "engine/volume/EntryPoints.h"
#include "platform/WindowSource.h"
#include "platform/images/OpenImage.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>

namespace {

std::mutex g_inventoryLock;
std::vector<SourceInventory> g_inventory;

void Remember(SourceInventory inventory) {
    std::lock_guard<std::mutex> guard(g_inventoryLock);
    for (auto it = g_inventory.begin(); it != g_inventory.end(); ++it)
        if (it->path == inventory.path) {
            g_inventory.erase(it);
            break;
        }
    g_inventory.push_back(std::move(inventory));
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

template <typename T> bool ParseNumber(const std::string& text, T* value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
}

char NextFree(char from, const bool taken[26]) {
    for (char l = from; l <= 'Z'; ++l)
        if (!taken[l - 'A']) return l;
    return 0;
}

std::string VolumeName(const std::string& path, const FoundVolume& v) {
    platform::DriveSource s{'C', path, false};
    s.offset = v.offset;
    s.length = v.length;
    s.partitionNumber = v.partitionNumber;
    s.foundBySearch = v.foundBySearch;
    return DescribeBinding(s);
}

// A volume whose boot sector lies at offset, though no table names it there: the user who
// asks for it knows where it starts. Where that sector is damaged, a backup copy of it that
// places the volume at offset will do.
std::optional<FoundVolume> VolumeAt(const std::shared_ptr<const platform::Source>& source,
                                    uint64_t offset) {
    const platform::WindowSource window(source, offset, 0);
    uint8_t sector[512];
    if (window.Size() < sizeof sector ||
        window.ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector))
        return std::nullopt;
    DriveBootInfo info{};
    TestBootSector(sector, 'C', &info);
    if (!info.supported) {
        const auto backup = partition::VolumeFromBackup(*source, offset, 0);
        if (!backup) return std::nullopt;
        FoundVolume v;
        v.offset = offset;
        v.length = backup->length;
        v.fileSystem = backup->fileSystem;
        v.label = backup->label;
        v.foundBySearch = true;
        v.bootSectorOffset = backup->bootSectorOffset;
        return v;
    }
    FoundVolume v;
    v.offset = offset;
    v.fileSystem = info.fileSystem;
    v.foundBySearch = true;
    uint64_t length = DeclaredVolumeSize(info);
    if (info.isNtfs && length != 0) length += 512; // the backup boot sector follows the volume
    v.length = length == 0 || length > window.Size() ? window.Size() : length;
    return v;
}

} // namespace

std::string FormatBytes(uint64_t bytes) {
    char text[32];
    if (bytes >= (uint64_t{1} << 30))
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1u << 30));
    else if (bytes >= (uint64_t{1} << 20))
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1u << 20));
    else if (bytes >= 1024)
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    else
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    return text;
}

std::string DescribeBinding(const platform::DriveSource& b) {
    std::string text = b.path;
    if (b.container != platform::ContainerKind::kRaw)
        text += std::string(" (") + platform::ContainerName(b.container) + ")";
    if (b.WholeSource()) return text;
    if (b.partitionNumber != 0)
        text += ", partition " + std::to_string(b.partitionNumber) + " (" + FormatBytes(b.length) +
                " at " + FormatBytes(b.offset) + ")";
    else
        text += ", found at " + FormatBytes(b.offset) + " (" + FormatBytes(b.length) + ")";
    return text;
}

std::string ParseSourceSpec(const std::string& text, SourceSpec* spec) {
    *spec = SourceSpec{};
    spec->path = text;
    const auto hash = text.rfind('#');
    if (hash == std::string::npos || hash == 0 || Exists(text)) return {};
    const std::string choice = text.substr(hash + 1);
    spec->path = text.substr(0, hash);
    if (!choice.empty() && choice[0] == '@') {
        uint64_t offset = 0;
        if (!ParseNumber(choice.substr(1), &offset))
            return "bad volume offset \"" + choice + "\" in " + text +
                   " (expected PATH#@BYTES, e.g. disk.img#@1048576)";
        spec->offset = offset;
        return {};
    }
    uint32_t number = 0;
    if (!ParseNumber(choice, &number) || number == 0)
        return "bad partition number \"" + choice + "\" in " + text +
               " (expected PATH#N with N from 1, e.g. disk.img#2)";
    spec->partition = number;
    return {};
}

namespace {

// What a binding leaves out beyond the partition or offset the user chose: the volumes a letter
// already holds (a search run again over a bound source adds only what is new).
struct BindFilter {
    std::vector<uint64_t> boundOffsets;
    bool addOnly = false;    // never bind the source whole; nothing new is no error
    size_t* found = nullptr; // out: the volumes the probe saw
};

BindResult BindWithFilter(platform::DriveMap& map, char letter, const SourceSpec& spec,
                          bool taken[26], bool explicitBinding, const ProbeOptions& options,
                          const BindFilter& filter) {
    BindResult r;
    SourceInventory inventory;
    inventory.path = spec.path;
    platform::OpenedSource opened = platform::OpenSourcePath(spec.path);
    inventory.container = opened.kind;
    inventory.files = opened.files;

    platform::DriveSource whole{letter, spec.path, explicitBinding};
    whole.container = opened.kind;
    whole.files = opened.files;
    auto bindWhole = [&](const std::string& why) {
        if (std::string error = map.BindVolume(whole); !error.empty()) {
            r.error = error;
            return;
        }
        taken[letter - 'A'] = true;
        r.letters.push_back(letter);
        if (!why.empty()) r.messages.push_back(std::string(1, letter) + ": " + why);
    };

    if (!opened.source) {
        inventory.error = opened.error;
        if (!Exists(spec.path) || filter.addOnly) {
            r.error = "cannot read " + spec.path + ": " + opened.error;
            return r;
        }
        // The file is there but its container cannot be opened: the letter names it, and the
        // drive list says what is wrong.
        bindWhole(spec.path + ": " + opened.error);
        Remember(std::move(inventory));
        return r;
    }
    if (!opened.problem.empty()) r.messages.push_back(spec.path + ": " + opened.problem);
    inventory.probe = ProbeSource(*opened.source, options);
    const ProbeResult& probe = inventory.probe;
    for (const std::string& problem : probe.problems)
        r.messages.push_back(spec.path + ": " + problem);

    if (filter.found) *filter.found = probe.volumes.size();
    std::vector<FoundVolume> volumes;
    for (const FoundVolume& v : probe.volumes) {
        if (spec.partition != 0 && v.partitionNumber != spec.partition) continue;
        if (spec.offset && v.offset != *spec.offset) continue;
        if (std::find(filter.boundOffsets.begin(), filter.boundOffsets.end(), v.offset) !=
            filter.boundOffsets.end())
            continue;
        volumes.push_back(v);
    }
    if (volumes.empty() && filter.addOnly) {
        // Nothing new: the letters the source holds stay as they are, and so does its record
        // unless a letter holds one of its volumes.
        if (!filter.boundOffsets.empty()) Remember(std::move(inventory));
        return r;
    }
    if (volumes.empty() && spec.offset)
        if (auto v = VolumeAt(opened.source, *spec.offset)) {
            if (v->bootSectorOffset != 0)
                r.messages.push_back(
                    spec.path + ": the boot sector at byte " + std::to_string(v->offset) +
                    " is damaged; the " + FileSystemName(v->fileSystem) + " backup at byte " +
                    std::to_string(v->bootSectorOffset) + " of the volume was used");
            volumes.push_back(*v);
        }
    if (volumes.empty()) {
        std::string why = probe.reason.empty()
                              ? std::string("no ") + SupportedFileSystems() + " volume was found"
                              : probe.reason;
        if (spec.partition != 0)
            why = "it has no partition " + std::to_string(spec.partition) +
                  " with a supported file system";
        else if (spec.offset)
            why = "no volume with a supported file system starts at byte " +
                  std::to_string(*spec.offset);
        if (spec.Chosen()) {
            r.error = spec.path + ": " + why;
            Remember(std::move(inventory));
            return r;
        }
        inventory.error = why;
        bindWhole({});
        Remember(std::move(inventory));
        return r;
    }

    char previous = letter;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const FoundVolume& v = volumes[i];
        // The volumes after the first take the free letters that follow it, then any left.
        char l = letter;
        if (i != 0) {
            l = previous < 'Z' ? NextFree(static_cast<char>(previous + 1), taken) : 0;
            if (!l) l = NextFree('C', taken);
        }
        if (!l) {
            r.messages.push_back("no drive letter is left for " + VolumeName(spec.path, v));
            continue;
        }
        platform::DriveSource s = whole;
        s.letter = l;
        const bool bareVolume =
            v.offset == 0 && v.partitionNumber == 0 && !v.foundBySearch && probe.scheme.empty();
        if (!bareVolume) {
            s.offset = v.offset;
            s.length = v.length;
            s.partitionNumber = v.partitionNumber;
            s.foundBySearch = v.foundBySearch;
        }
        s.bootSectorOffset = v.bootSectorOffset;
        if (std::string error = map.BindVolume(s); !error.empty()) {
            if (i == 0) {
                r.error = error;
                return r;
            }
            r.messages.push_back(error);
            continue;
        }
        taken[l - 'A'] = true;
        r.letters.push_back(l);
        previous = l;
    }
    Remember(std::move(inventory));
    return r;
}

} // namespace

BindResult BindSource(platform::DriveMap& map, char letter, const SourceSpec& spec, bool taken[26],
                      bool explicitBinding, const ProbeOptions& options) {
    return BindWithFilter(map, letter, spec, taken, explicitBinding, options, {});
}

BindResult BindNewVolumes(platform::DriveMap& map, const std::string& path,
                          const ProbeOptions& options, size_t* found) {
    bool taken[26] = {};
    BindFilter filter;
    filter.addOnly = true;
    filter.found = found;
    for (const platform::DriveSource& s : map.Sources()) {
        taken[s.letter - 'A'] = true;
        if (s.path == path) filter.boundOffsets.push_back(s.offset);
    }
    SourceSpec spec;
    spec.path = path;
    const char letter = NextFree('C', taken);
    if (!letter) {
        BindResult r;
        r.error = "no drive letter is left for " + path;
        return r;
    }
    return BindWithFilter(map, letter, spec, taken, true, options, filter);
}

BindResult BindSourceToFreeLetters(platform::DriveMap& map, const SourceSpec& spec,
                                   const ProbeOptions& options) {
    bool taken[26] = {};
    for (const platform::DriveSource& s : map.Sources())
        taken[s.letter - 'A'] = true;
    const char letter = NextFree('C', taken);
    if (!letter) {
        BindResult r;
        r.error = "no drive letter is left for " + spec.path;
        return r;
    }
    return BindSource(map, letter, spec, taken, true, options);
}

std::vector<SourceInventory> BoundSources() {
    std::lock_guard<std::mutex> guard(g_inventoryLock);
    return g_inventory;
}

void ForgetBoundSources() {
    std::lock_guard<std::mutex> guard(g_inventoryLock);
    g_inventory.clear();
}

std::vector<std::string> SourceNotes() {
    std::vector<std::string> notes;
    for (const SourceInventory& s : BoundSources()) {
        std::string name = s.path;
        if (s.container != platform::ContainerKind::kRaw)
            name += std::string(" (") + platform::ContainerName(s.container) + ")";
        for (const OtherSpace& o : s.probe.others) {
            if (o.partitionNumber != 0)
                notes.push_back(name + ", partition " + std::to_string(o.partitionNumber) + " (" +
                                FormatBytes(o.length) + " at " + FormatBytes(o.offset) +
                                "): " + o.what);
            else
                notes.push_back(name + ": " + o.what + ", " + FormatBytes(o.length) + " at " +
                                FormatBytes(o.offset));
        }
    }
    return notes;
}
