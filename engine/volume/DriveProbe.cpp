#include "engine/volume/DriveProbe.h"

#include "engine/exfat/ExfatEntrySet.h"
#include "engine/exfat/ExfatVolume.h"
#include "engine/ntfs/NTFSFileRecord.h"
#include "engine/ntfs/NTFSVolume.h"
#include "engine/partition/BootSectorOverlay.h"
#include "engine/volume/EntryPoints.h"
#include "platform/Text.h"
#include "platform/VolumeLabel.h"
#include "platform/VolumeSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kVolumeRecord = 3;      // $Volume
constexpr uint32_t kVolumeNameType = 0x60; // $VOLUME_NAME
constexpr size_t kMaxLabelChars = 128;     // NTFS labels hold at most 128 characters

// What an unsupported boot sector looks like, for the message.
std::string Lookalike(const uint8_t* s) {
    if (std::memcmp(s + 0x36, "FAT12   ", 8) == 0) return "FAT12";
    if (std::memcmp(s + 0x36, "FAT16   ", 8) == 0 || std::memcmp(s + 0x36, "FAT     ", 8) == 0)
        return "FAT16";
    if (std::memcmp(s + 3, "EXFAT   ", 8) == 0) return "exFAT";
    if (s[510] == 0x55 && s[511] == 0xAA && s[0x1C2] == 0xEE) return "a GPT disk";
    if (s[510] == 0x55 && s[511] == 0xAA && s[0x1C2] != 0) return "a partitioned disk";
    return "";
}

// A volume read through the backup of its boot sector; owns the window it reads.
class OverlaidVolume : public platform::Source {
public:
    OverlaidVolume(std::unique_ptr<platform::Source> volume, uint64_t copyOffset)
        : volume_(std::move(volume)), overlay_(*volume_, copyOffset) {}
    int64_t ReadAt(uint64_t offset, void* buffer, uint64_t length) const override {
        return overlay_.ReadAt(offset, buffer, length);
    }
    uint64_t Size() const override { return overlay_.Size(); }
    const std::string& Path() const override { return overlay_.Path(); }

private:
    std::unique_ptr<platform::Source> volume_;
    partition::BootSectorOverlay overlay_;
};

// The label NTFS keeps in the $VOLUME_NAME attribute of record 3 ($Volume), read through the
// engine: libblkid reads it from raw files and devices only, not from inside a container.
std::string NtfsLabel(const platform::DriveSource& binding) {
    std::unique_ptr<platform::Source> source = OpenBoundVolume(binding, nullptr);
    NTFSVolume volume;
    if (!source || !volume.OpenSource(std::move(source), true)) return {};
    const std::unique_ptr<NTFSFileRecord> record =
        volume.ReadRecordByNumber(MftRecordNumber{kVolumeRecord});
    if (!record || !record->InUse()) return {};
    const NTFSAttribute* attribute = FindAttribute(record->attributes, kVolumeNameType);
    const auto* name = attribute
                           ? dynamic_cast<const NTFSAttributeDataVolumeName*>(attribute->data.get())
                           : nullptr;
    if (!name) return {};
    std::u16string text = name->volumeName.substr(0, kMaxLabelChars);
    for (char16_t& c : text)
        if (c < 0x20) c = u'_';
    return platform::Utf16ToUtf8(text);
}

// The label exFAT keeps in a Volume Label entry (0x83) of the root folder, read from the root's
// first cluster, where formatters put it: up to 11 UTF-16 characters at byte 2, their count at
// byte 1.
std::string ExfatLabel(const platform::DriveSource& binding) {
    std::unique_ptr<platform::Source> source = OpenBoundVolume(binding, nullptr);
    ExfatVolume volume;
    if (!source || !volume.OpenSource(std::move(source), true)) return {};
    const uint32_t root = volume.Boot().rootCluster;
    if (!volume.InHeap(root)) return {};
    std::vector<uint8_t> cluster(volume.ClusterSize());
    if (!volume.ReadCluster(root, cluster.data())) return {};
    for (size_t at = 0; at + 32 <= cluster.size(); at += 32) {
        const uint8_t type = cluster[at];
        if (type == 0) break; // end of the folder
        if (type != exfat::kTypeLabel) continue;
        const size_t count = std::min<size_t>(cluster[at + 1], 11);
        std::u16string text;
        for (size_t i = 0; i < count; ++i) {
            char16_t c =
                static_cast<char16_t>(cluster[at + 2 + 2 * i] | (cluster[at + 3 + 2 * i] << 8));
            text.push_back(c < 0x20 ? u'_' : c);
        }
        return platform::Utf16ToUtf8(text);
    }
    return {};
}

} // namespace

std::unique_ptr<platform::Source> OpenBoundVolume(const platform::DriveSource& binding,
                                                  std::string* error) {
    platform::OpenedVolume volume = platform::OpenVolume(binding);
    if (!volume.source) {
        if (error) *error = volume.error;
        return nullptr;
    }
    if (binding.bootSectorOffset == 0) return std::move(volume.source);
    return std::make_unique<OverlaidVolume>(std::move(volume.source), binding.bootSectorOffset);
}

const char* SupportedFileSystems() {
    return "FAT12, FAT16, FAT32, exFAT or NTFS";
}

DriveProbe ProbeDrive(char letter, bool withLabel) {
    DriveProbe p;
    const auto binding = platform::DriveMap::Instance().Find(letter);
    if (!binding) {
        p.state = DriveState::kNotBound;
        p.reason = "no source is bound to the letter";
        return p;
    }
    const std::unique_ptr<platform::Source> volume = OpenBoundVolume(*binding, &p.reason);
    if (!volume) {
        p.state = DriveState::kCannotOpen;
        return p;
    }
    p.size = volume->Size();
    uint8_t sector[512];
    if (volume->ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector)) {
        p.state = DriveState::kCannotRead;
        p.reason = "the first sector cannot be read";
        return p;
    }
    TestBootSector(sector, binding->letter, &p.info);
    if (!p.info.supported) {
        p.state = DriveState::kNotSupported;
        p.reason = Lookalike(sector);
        return p;
    }
    if (withLabel) {
        std::string label = platform::VolumeLabel(*binding, sector);
        if (label.empty() && p.info.isNtfs && binding->container != platform::ContainerKind::kRaw)
            label = NtfsLabel(*binding);
        if (label.empty() && p.info.fileSystem == FileSystemKind::kExfat)
            label = ExfatLabel(*binding);
        std::strncpy(p.info.volumeLabel, label.c_str(), sizeof p.info.volumeLabel - 1);
    }
    p.state = DriveState::kReady;
    return p;
}

uint64_t DeclaredVolumeSize(const DriveBootInfo& info) {
    const uint8_t* s = info.bootSector;
    const uint64_t bytesPerSector = s[0x0B] | (s[0x0C] << 8);
    uint64_t sectors = 0;
    if (info.fileSystem == FileSystemKind::kExfat) {
        const uint64_t shift = s[0x6C];
        if (shift < 9 || shift > 12) return 0;
        for (int i = 7; i >= 0; --i)
            sectors = (sectors << 8) | s[0x48 + i];
        return sectors > (UINT64_MAX >> shift) ? 0 : sectors << shift;
    }
    if (info.isNtfs) {
        for (int i = 7; i >= 0; --i)
            sectors = (sectors << 8) | s[0x28 + i];
    } else {
        sectors = s[0x20] | (s[0x21] << 8) | (s[0x22] << 16) | (uint64_t{s[0x23]} << 24);
        if (sectors == 0) sectors = s[0x13] | (s[0x14] << 8);
    }
    if (bytesPerSector != 0 && sectors > UINT64_MAX / bytesPerSector) return 0;
    return bytesPerSector * sectors;
}
