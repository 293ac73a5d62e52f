#include "tests/support/FaultVolumes.h"

#include "tests/support/ScratchVolume.h"
#include "tests/support/TestVolumes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace tessaly::test {

const char* const kFirstVersion = "first version of the report, written before the save\n";
const char* const kSecondVersion = "second version of the report, as the editor saved it\n";
const char* const kOtherText = "another file in the same folder\n";
const char* const kLeafText = "at the bottom of ten folders\n";

namespace {

std::string Repeat(const std::string& text, size_t bytes) {
    std::string out;
    while (out.size() < bytes)
        out += text;
    out.resize(bytes);
    return out;
}

// Turns the one deleted long name ending in ".txv" into ".txt": mtools reuses the slots of a
// deleted entry when a file is renamed, so the namesake a save leaves behind on Windows cannot
// be made with it directly. The long-name checksum covers the short name only.
bool RenameDeletedTxv(const std::string& image, std::string* why) {
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::string pattern("x\0v\0", 4);
    const size_t at = bytes.find(pattern);
    if (at == std::string::npos || bytes.find(pattern, at + 1) != std::string::npos) {
        *why = "the deleted long name is not found exactly once in " + image;
        return false;
    }
    f.clear();
    f.seekp(static_cast<std::streamoff>(at + 2));
    f.put('t');
    return static_cast<bool>(f);
}

// mtools cannot write long names whose UTF-8 form passes 255 bytes, though FAT holds 255
// UTF-16 units: the names are written with '^' and every '^' of a long-name slot becomes
// U+65E5 afterwards.
bool WidenCarets(const std::string& image, std::string* why) {
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    static constexpr size_t kChars[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    size_t changed = 0;
    for (size_t slot = 0; slot + 32 <= bytes.size(); slot += 32) {
        if (bytes[slot + 11] != 0x0F || bytes[slot + 12] != 0 || bytes[slot + 26] != 0) continue;
        for (size_t at : kChars) {
            if (bytes[slot + at] == '^' && bytes[slot + at + 1] == 0) {
                bytes[slot + at] = '\xE5';
                bytes[slot + at + 1] = '\x65';
                ++changed;
            }
        }
    }
    if (changed != 400) {
        *why = "expected 400 carets in long names, found " + std::to_string(changed);
        return false;
    }
    f.clear();
    f.seekp(0);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

FaultVolume Build(const std::string& fs, const std::string& folder) {
    FaultVolume result;
    result.image = folder + "/" + fs + "-faults.img";
    const bool fat = fs == "fat32";
    ScratchVolume v(fat ? ScratchVolume::Fs::kFat32 : ScratchVolume::Fs::kNtfs, result.image,
                    fat ? 34 : 8);
    const std::string first = Repeat(kFirstVersion, 3000);
    const std::string second = Repeat(kSecondVersion, 3500);
    // Names the kernel cannot pass are written with the volume unmounted (on NTFS), first, so
    // that nothing made later reuses what the deletions below free.
    v.MakeFolder("Long");
    v.Close();
    for (char variant : {'A', 'B'}) {
        const std::string name =
            fat ? std::string(200, '^') + std::string(4, variant) + ".txt" : LongName(variant);
        v.WriteFileUnmounted("Long/" + name, LongText(variant));
    }
    v.Reopen();
    std::string nest = "Nest";
    v.MakeFolder(nest);
    for (int level = 1; level <= kNestDepth; ++level) {
        nest += "/L" + std::to_string(level);
        v.MakeFolder(nest);
    }
    v.WriteFile(nest + "/leaf.txt", kLeafText);
    v.MakeFolder("Docs");
    v.WriteFile("Docs/other.txt", kOtherText);
    // An editor's save, last: a new file beside the old one, the old one deleted.
    if (fat) {
        v.WriteFile("Docs/Quarterly report.txt", second);
        v.WriteFile("Docs/Quarterly report.txv", first);
        v.Delete("Docs/Quarterly report.txv");
    } else {
        v.WriteFile("Docs/Quarterly report.txt", first);
        v.WriteFile("Docs/Quarterly report.tmp", second);
        v.Delete("Docs/Quarterly report.txt");
        v.Rename("Docs/Quarterly report.tmp", "Docs/Quarterly report.txt");
    }
    v.Close();
    if (!v.Ok()) {
        result.why = v.Why();
        return result;
    }
    if (fat && RenameDeletedTxv(result.image, &result.why)) WidenCarets(result.image, &result.why);
    return result;
}

} // namespace

std::string LongName(char variant) {
    std::string name;
    for (int i = 0; i < 200; ++i)
        name += "\xE6\x97\xA5"; // U+65E5
    return name + std::string(4, variant) + ".txt";
}

std::string LongText(char variant) {
    return std::string("the file whose long name ends in ") + variant + "\n";
}

const FaultVolume& GetFaultVolume(const std::string& fs) {
    static std::mutex lock;
    static std::map<std::string, FaultVolume> built;
    std::lock_guard<std::mutex> guard(lock);
    auto it = built.find(fs);
    if (it != built.end()) return it->second;
    // Built once per build tree beside the other test volumes (raise the version when the
    // content changes); test processes that race each build their own and the last rename wins.
    const std::string image = VolumesDir() + "/faults-v1-" + fs + ".img";
    FaultVolume volume;
    volume.image = image;
    std::error_code ec;
    if (!std::filesystem::exists(image, ec)) {
        std::string work = VolumesDir() + "/.faults.XXXXXX";
        if (!::mkdtemp(work.data())) {
            volume.why = "cannot make a folder in " + VolumesDir();
        } else {
            volume = Build(fs, work);
            if (volume.why.empty() && std::rename(volume.image.c_str(), image.c_str()) != 0)
                volume.why = "cannot move the volume to " + image;
            volume.image = image;
            std::filesystem::remove_all(work, ec);
        }
    }
    return built.emplace(fs, volume).first->second;
}

} // namespace tessaly::test
