#pragma once
// What one recovery job remembers from item to item. A folder is written once per job however
// often the table lists it (repeated rows, folders linked below themselves); every name given
// out in an output folder belongs to one row, so two rows never share an output file; the
// files and folders the job made are known by device and inode, so that a destination that
// folds case cannot merge two of them either.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

class RecoverySession {
public:
    // Called once per recovered item.
    void BeginItem() { ++m_item; }

    // Folders, by the id whose children the store lists.
    bool WrittenEarlier(uint64_t folderId) const;
    void MarkWritten(uint64_t folderId);

    // An output folder, by device and inode.
    struct FolderKey {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FolderKey&) const = default;
    };
    // The row (record) that holds a folded name in a folder, if any.
    std::optional<uint64_t> NameOwner(const FolderKey& folder, const std::u16string& folded) const;
    // Gives the folded name to a row; a name already held stays with its holder (false).
    bool Claim(const FolderKey& folder, const std::u16string& folded, uint64_t record);
    // The name given to a row in a folder for a base name, if any.
    std::optional<std::u16string> GivenName(const FolderKey& folder, uint64_t record,
                                            const std::u16string& base) const;
    void SetGivenName(const FolderKey& folder, uint64_t record, const std::u16string& base,
                      const std::u16string& name);
    // Where numbering of a folded base name goes on in a folder (1 when never numbered).
    uint32_t NextNumber(const FolderKey& folder, const std::u16string& foldedBase) const;
    void SetNextNumber(const FolderKey& folder, const std::u16string& foldedBase, uint32_t next);

    // Files and folders this job made; for a file, the row it holds.
    void AddOutput(uint64_t device, uint64_t inode, uint64_t record);
    std::optional<uint64_t> OutputOwner(uint64_t device, uint64_t inode) const;

    // Owner of the folders that lie between the root and an item's destination.
    static constexpr uint64_t kPathOwner = UINT64_MAX;

private:
    struct KeyHash {
        size_t operator()(const FolderKey& k) const {
            return std::hash<uint64_t>()(k.device * 0x9E3779B97F4A7C15ULL ^ k.inode);
        }
    };
    struct FolderNames {
        std::unordered_map<std::u16string, uint64_t> owners;      // folded name -> record
        std::unordered_map<std::u16string, uint32_t> next;        // folded base -> next number
        std::unordered_map<std::u16string, std::u16string> given; // record + base -> name
    };
    static std::u16string GivenKey(uint64_t record, const std::u16string& base);

    uint32_t m_item = 0;
    std::unordered_map<uint64_t, uint32_t> m_written; // folder id -> item that wrote it
    std::unordered_map<FolderKey, FolderNames, KeyHash> m_names;
    std::unordered_map<FolderKey, uint64_t, KeyHash> m_outputs;
};
