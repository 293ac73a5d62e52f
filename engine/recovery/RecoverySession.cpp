#include "engine/recovery/RecoverySession.h"

bool RecoverySession::WrittenEarlier(uint64_t folderId) const {
    const auto it = m_written.find(folderId);
    return it != m_written.end() && it->second != m_item;
}

void RecoverySession::MarkWritten(uint64_t folderId) {
    m_written.emplace(folderId, m_item);
}

std::optional<uint64_t> RecoverySession::NameOwner(const FolderKey& folder,
                                                   const std::u16string& folded) const {
    const auto names = m_names.find(folder);
    if (names == m_names.end()) return std::nullopt;
    const auto it = names->second.owners.find(folded);
    if (it == names->second.owners.end()) return std::nullopt;
    return it->second;
}

bool RecoverySession::Claim(const FolderKey& folder, const std::u16string& folded,
                            uint64_t record) {
    const auto [it, added] = m_names[folder].owners.emplace(folded, record);
    return added || it->second == record;
}

std::u16string RecoverySession::GivenKey(uint64_t record, const std::u16string& base) {
    std::u16string key;
    for (int shift = 0; shift < 64; shift += 16)
        key += static_cast<char16_t>((record >> shift) & 0xFFFF);
    return key + base;
}

std::optional<std::u16string> RecoverySession::GivenName(const FolderKey& folder, uint64_t record,
                                                         const std::u16string& base) const {
    const auto names = m_names.find(folder);
    if (names == m_names.end()) return std::nullopt;
    const auto it = names->second.given.find(GivenKey(record, base));
    if (it == names->second.given.end()) return std::nullopt;
    return it->second;
}

void RecoverySession::SetGivenName(const FolderKey& folder, uint64_t record,
                                   const std::u16string& base, const std::u16string& name) {
    m_names[folder].given[GivenKey(record, base)] = name;
}

uint32_t RecoverySession::NextNumber(const FolderKey& folder,
                                     const std::u16string& foldedBase) const {
    const auto names = m_names.find(folder);
    if (names == m_names.end()) return 1;
    const auto it = names->second.next.find(foldedBase);
    return it == names->second.next.end() ? 1 : it->second;
}

void RecoverySession::SetNextNumber(const FolderKey& folder, const std::u16string& foldedBase,
                                    uint32_t next) {
    m_names[folder].next[foldedBase] = next;
}

void RecoverySession::AddOutput(uint64_t device, uint64_t inode, uint64_t record) {
    m_outputs[FolderKey{device, inode}] = record;
}

std::optional<uint64_t> RecoverySession::OutputOwner(uint64_t device, uint64_t inode) const {
    const auto it = m_outputs.find(FolderKey{device, inode});
    if (it == m_outputs.end()) return std::nullopt;
    return it->second;
}
