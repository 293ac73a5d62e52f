#pragma once
// Carved files as rows of a drive's table. They sit below a folder row named
// "!!!ADVANCED - CARVED!!!" under the root, in one folder row per format ("JPEG", "ZIP"...).
// A carved file is named after its first sector ("f0012345.jpg") and its row says where its
// bytes are, without any file-system structure:
//   firSector  the volume sector (of the file system's sector size) the file starts in;
//   size       its exact length: the bytes are [firSector × sector size, + size), contiguous;
//   pid        the id of its format's folder, which is how recovery tells a carved row;
//   id, record kCarvedIdBase + 0x100 + firSector, unique in the table, above any id or record
//              number a file system gives a row.
// Recovery reads a carved row's bytes straight from the volume (ResolveCarvedItem,
// ReadCarvedItem), whatever the allocation tables now say of those clusters.
#include "engine/carve/Carver.h"
#include "engine/recovery/RecoveryItem.h"

#include <array>
#include <cstdint>

class DataBase;
class VolumeBase;
struct ScanRow;

inline constexpr const char* kCarvedFolderName = "!!!ADVANCED - CARVED!!!";
inline constexpr uint64_t kCarvedIdBase = 0x7000000000000000ull;
inline constexpr uint64_t kCarvedFolderId = kCarvedIdBase;
inline constexpr uint64_t kCarvedFileIdBase = kCarvedIdBase + 0x100;

// The id of a format's folder.
inline constexpr uint64_t CarvedFormatFolderId(CarveFormat f) {
    return kCarvedIdBase + 1 + static_cast<uint64_t>(f);
}
// Whether a row is a carved file; whether it is one of the folders that hold them.
bool IsCarvedRow(const ScanRow& row);
bool IsCarvedFolder(const ScanRow& row);
// The name of a carved file: "f" and its first sector in at least 7 digits, then the extension.
std::u16string CarvedFileName(uint64_t firstSector, const std::string& extension);

// A sink that writes carved files as rows of the store being loaded (between BeginInsert and
// EndInsert), and the folder rows they need once the last file is in (Finish).
class CarvedRowWriter : public CarveSink {
public:
    CarvedRowWriter(DataBase& store, uint32_t bytesPerSector, uint64_t rootId)
        : m_store(store), m_bytesPerSector(bytesPerSector ? bytesPerSector : 512),
          m_rootId(rootId) {}
    void Add(const CarveFound& found) override;
    // Writes the top folder and the folders of the formats that have files.
    void Finish();
    size_t Count() const { return m_count; }

private:
    DataBase& m_store;
    uint32_t m_bytesPerSector;
    uint64_t m_rootId;
    std::array<size_t, kCarveFormatCount> m_perFormat{};
    size_t m_count = 0;
};

// Fills item for a carved row and returns true; false (item untouched) for any other row.
// deviceSize (0 when unknown) caps what the volume can back.
bool ResolveCarvedItem(const ScanRow& row, uint32_t bytesPerSector, uint64_t deviceSize,
                       RecoveryItem& item);
// Hands a carved item's bytes to sink, read contiguously from the volume.
ReadOutcome ReadCarvedItem(VolumeBase& volume, uint32_t bytesPerSector, const RecoveryItem& item,
                           ChunkCallback sink, void* user);
