#include "jobs/SavedScan.h"

#include "jobs/VolumeBinder.h"
#include "platform/VolumeSource.h"
#include "platform/WriteGuard.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SavedScanFile.h"
#include "store/UnreadFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string BootChecksum(const DriveBootInfo& info) {
    uint64_t h = 1469598103934665603ULL; // FNV-1a
    for (uint8_t b : info.bootSector)
        h = (h ^ b) * 1099511628211ULL;
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// Bytes of the volume a drive reads: its window on the source.
uint64_t SourceSize(const CheckedDrive& drive) {
    platform::DriveSource binding = drive.binding;
    if (binding.path.empty()) binding = platform::DriveSource(drive.letter, drive.source, true);
    const platform::OpenedVolume volume = platform::OpenVolume(binding);
    return volume.source ? volume.source->Size() : 0;
}

// Which volume of its source a scan came from: "partition 2 (40.0 MiB at 25.0 MiB)", "the
// volume found at 1.0 MiB" or "the whole source".
std::string VolumeWords(uint32_t partition, uint64_t offset, uint64_t length) {
    if (partition != 0)
        return "partition " + std::to_string(partition) + " (" + FormatBytes(length) + " at " +
               FormatBytes(offset) + ")";
    if (offset != 0) return "the volume found at " + FormatBytes(offset);
    return "the whole source";
}

} // namespace

// Opens a saved scan on a connection of its own and refuses it unless its shape is that of a
// saved scan (nothing in it has run yet).
void OpenChecked(CppSQLite3DB& db, const std::string& file) {
    const std::string problem = OpenSavedScan(db, file);
    if (!problem.empty()) throw SavedScanError{file + " is refused as a saved scan: " + problem};
}

bool IsSavedScan(const std::string& file) {
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        return ReadSavedSource(db).has_value();
    } catch (const SavedScanError&) {
        return false;
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

void CheckSaveTarget(const CheckedDrive& drive, const std::string& file, bool overwrite) {
    const platform::WriteCheck check =
        platform::CheckWriteTarget(file, platform::WriteTarget::kFile, {drive.source});
    if (!check.Ok()) throw SavedScanError{"cannot save the scan: " + check.Message()};
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) && IsSavedScan(file)) return; // an older save is replaced
    if (!overwrite)
        throw SavedScanError{file +
                             " exists and is not a saved scan; it is left alone (use --overwrite "
                             "to replace it)"};
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        throw SavedScanError{"cannot save the scan: " + file + " is not a regular file"};
}

void SaveScan(const CheckedDrive& drive, const std::string& file, bool overwrite) {
    CheckSaveTarget(drive, file, overwrite);
    std::string temp = file + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw SavedScanError{"cannot save the scan to " + file + ": " + std::strerror(errno)};
    ::close(fd);
    try {
        SavedSource source;
        source.letter = drive.letter;
        source.isNtfs = drive.isNtfs;
        source.rootKey = drive.rootKey;
        source.path = drive.source;
        source.size = SourceSize(drive);
        source.bootChecksum = BootChecksum(drive.info);
        source.volumeOffset = drive.binding.offset;
        source.volumeLength = drive.binding.length;
        source.partition = drive.binding.partitionNumber;
        source.container = platform::ContainerName(drive.binding.container);
        source.unread = UnreadFoldersOf(drive.letter);
        DataBase store(drive.letter);
        WriteSavedScan(store, temp, source);
    } catch (const CppSQLite3Exception& e) {
        ::unlink(temp.c_str());
        throw SavedScanError{"cannot save the scan to " + file + ": " + e.errorMessage()};
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw SavedScanError{"cannot save the scan to " + file + ": " + std::strerror(error)};
    }
}

char SavedScanLetter(const std::string& file) {
    if (::access(file.c_str(), R_OK) != 0)
        throw SavedScanError{"cannot read " + file + ": " + std::strerror(errno)};
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        const std::optional<SavedSource> source = ReadSavedSource(db);
        if (!source) throw SavedScanError{file + " holds no saved scan"};
        return source->letter;
    } catch (const CppSQLite3Exception&) {
        throw SavedScanError{file + " is not a saved scan"};
    }
}

ScanNotes LoadScan(const CheckedDrive& drive, const std::string& file) {
    if (SavedScanLetter(file) != drive.letter)
        throw SavedScanError{file + " holds a scan of another drive letter"};
    try {
        DataBase store(drive.letter);
        AttachedSavedScan attached(store, file);
        // Checked again as attached: the file may have changed since it was first looked at.
        const std::string problem = attached.Problem();
        if (!problem.empty())
            throw SavedScanError{file + " is refused as a saved scan: " + problem};
        const std::optional<SavedSource> source = attached.Source();
        if (!source) throw SavedScanError{file + " holds no saved scan"};
        const bool isNtfs = source->isNtfs;
        const uint64_t size = source->size;
        const std::string& checksum = source->bootChecksum;
        const std::string& path = source->path;
        const SavedVolume saved = SavedScanVolume(file);
        if (saved.partition != drive.binding.partitionNumber ||
            saved.offset != drive.binding.offset)
            throw SavedScanError{file + " holds a scan of " +
                                 VolumeWords(saved.partition, saved.offset, saved.length) + " of " +
                                 path + "; drive " + std::string(1, drive.letter) + ": is " +
                                 VolumeWords(drive.binding.partitionNumber, drive.binding.offset,
                                             drive.binding.length) +
                                 " of " + drive.source + " (bind that volume, e.g. --drive " +
                                 std::string(1, drive.letter) + "=" + path +
                                 (saved.partition != 0 ? "#" + std::to_string(saved.partition)
                                  : saved.offset != 0  ? "#@" + std::to_string(saved.offset)
                                                       : "") +
                                 ")"};
        if (isNtfs != drive.isNtfs || size != SourceSize(drive) ||
            checksum != BootChecksum(drive.info))
            throw SavedScanError{file + " was saved from " + path + ", which no longer matches " +
                                 drive.source + " (size or boot sector differ)"};
        attached.LoadRows();
        SetUnreadFolders(drive.letter, source->unread);
        ScanNotes notes;
        notes.foldersTooDeep = source->unread.count;
        notes.depthBound = source->unread.depthBound;
        return notes;
    } catch (const CppSQLite3Exception& e) {
        throw SavedScanError{"cannot load " + file + ": " + e.errorMessage()};
    }
}

std::string SavedScanSource(const std::string& file) {
    SavedScanLetter(file); // refuses what is not a saved scan
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        const std::optional<SavedSource> source = ReadSavedSource(db);
        return source ? source->path : std::string();
    } catch (const CppSQLite3Exception&) {
        throw SavedScanError{file + " is not a saved scan"};
    }
}

SavedVolume SavedScanVolume(const std::string& file) {
    SavedScanLetter(file); // refuses what is not a saved scan
    SavedVolume v;
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        // Saved before scans named their volume: the whole source (all 0).
        if (const std::optional<SavedSource> source = ReadSavedSource(db)) {
            v.offset = source->volumeOffset;
            v.length = source->volumeLength;
            v.partition = source->partition;
        }
    } catch (const CppSQLite3Exception&) {
    }
    return v;
}
