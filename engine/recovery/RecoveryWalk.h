#pragma once
// The recovery walk both writers share. It writes one stored row below a destination: a file
// by its data, a folder by making it and walking the rows the store lists below it, depth
// first (a sub-folder is finished before the next row of its parent), with an explicit stack.
//
// - Each folder id is entered once per job, so repeated rows and folders listed below
//   themselves are written once and the work stays linear in the rows; folders nest at most
//   kMaxDepth deep (the row recovered counts as the first level), as deep as a scan lists.
// - Only the folders of the last kOpenFolders levels entered are held open. Going back up
//   to a folder that was let go, the walk opens it again as the ".." of the folder it leaves,
//   or else by its names from the destination, and goes on only when it is the same folder
//   (device and inode); otherwise what is left of it fails. Shown paths are kept once, as
//   prefixes of one string, so a deep walk's memory stays linear in its depth.
// - Every file gets exactly one outcome through the file-done callback: written, skipped,
//   read error, write error or cancelled. A folder that cannot be made fails with every file
//   below it. A refused write fails its own file only; only the user's cancel stops the walk.
// - Output names are unique within their folder (a live row keeps the plain name, the others
//   become "name (2).ext" and so on) and fit in 255 bytes, extension kept.
// - Below the destination nothing is reached through a symbolic link, and a file is written
//   under a temporary name and renamed into place only when complete, so a failed or
//   cancelled file leaves nothing behind and an existing file is replaced, never rewritten.
#include "engine/recovery/RecoveryDestination.h"
#include "engine/recovery/RecoveryItem.h"
#include "engine/recovery/RecoveryOutput.h"
#include "engine/recovery/RecoveryReader.h"
#include "engine/recovery/RecoverySession.h"
#include "engine/recovery/RecoveryTotals.h"
#include "engine/volume/FolderDepth.h"
#include "platform/OutputFile.h"
#include "store/ScanRow.h"

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

class RecoveryWalk {
public:
    static constexpr uint32_t kMaxDepth = kMaxFolderDepth;
    static constexpr size_t kOpenFolders = 32;

    // reader is the file system's writer, output the caller's callbacks and the output file.
    RecoveryWalk(RecoveryReader& reader, RecoveryOutput& output, RecoverySession& session,
                 char letter);

    // Recovers row below destination. True when everything below it was written.
    bool Run(const ScanRow& row, const RecoveryDestination& destination);
    const RecoveryTotals& Totals() const { return m_totals; }

private:
    struct Frame {
        platform::OutputFolder folder; // closed while the walk is more than kOpenFolders below
        std::string name;              // in the folder above, to find it again
        size_t pathLength = 0;         // its shown path: the first pathLength units of m_path
        std::vector<ScanRow> children;
        size_t next = 0;
        uint32_t depth = 0;
    };
    struct Failure {
        RecoveryOutcome outcome;
        RecoveryReason reason;
        int error;
    };

    // Opens the item's destination, entering the folders below its root without following
    // links and making the missing ones.
    bool OpenDestination(const RecoveryDestination& destination, platform::OutputFolder& folder,
                         Failure& failure);
    // One row below folder (at path). Pushes a frame for a folder it enters. False when the
    // row was not written (a folder: not made or entered).
    bool Visit(const ScanRow& row, platform::OutputFolder& folder, const std::u16string& path,
               uint32_t depth);
    bool VisitFolder(const ScanRow& row, const RecoveryItem& item, platform::OutputFolder& parent,
                     const std::u16string& parentPath, uint32_t depth);
    bool WriteFile(const ScanRow& row, const RecoveryItem& item, platform::OutputFolder& folder,
                   const std::u16string& folderPath);
    // The output name of row in folder: unique among the names the job gave out there to other
    // owners (an owner is the row's record value, or a number of its own for a row that shares
    // its record value with a file already written there).
    std::u16string ChooseName(platform::OutputFolder& folder, const RecoveryItem& item,
                              uint64_t owner);
    // The name to try when the destination refused the one ChooseName gave: the portable form
    // of the item's name, chosen as ChooseName chooses. Empty when that form is the name itself.
    std::u16string PortableChoice(platform::OutputFolder& folder, const RecoveryItem& item,
                                  uint64_t owner);
    // Live rows keep their plain names: they are given them before any row is written.
    void ReserveLiveNames(const platform::OutputFolder& folder, const std::vector<ScanRow>& rows);
    // A folder that could not be made: it and every file below it are reported.
    void FailFolder(const ScanRow& row, uint64_t folderId, const std::u16string& path,
                    const std::u16string& name, const Failure& failure);
    // Enters the folder of a frame the walk made (named name in parent, shown as path).
    void Enter(platform::OutputFolder&& folder, std::string name, const std::u16string& path,
               std::vector<ScanRow> children, uint32_t depth);
    // Leaves the top frame for the one above it, opening that one's folder again if it was let
    // go; when it cannot be, it is closed with the reason, which every row left in it meets.
    void Leave();
    bool Reopen(size_t index, platform::OutputFolder& folder);
    // Reports every file below folderId (once per folder id) as not written.
    void ReportBelow(uint64_t folderId, const std::u16string& path, const Failure& failure);
    void Report(const ScanRow& row, const std::u16string& path, const std::u16string& name,
                const Failure& failure, uint64_t claimedSize, uint64_t size, uint64_t written,
                bool isFolder);
    std::vector<ScanRow> Children(uint64_t folderId, bool stopOnCancel);
    // Whether child, entered from parent, is the root of another file system that lies on a
    // volume source (a mount point below the destination).
    bool OnSource(const platform::OutputFolder& parent, const platform::OutputFolder& child) const;

    RecoveryReader& m_reader;
    RecoveryOutput& m_output;
    RecoverySession& m_session;
    char m_letter;
    std::unordered_set<uint64_t> m_seen; // folder ids met in this item
    // Output folder (device, inode) and record value of each file written in this item.
    std::set<std::tuple<uint64_t, uint64_t, uint64_t>> m_filesWritten;
    // Owners for rows that repeat a record value: above any record value a scan stores.
    static constexpr uint64_t kSharedRecordOwner = 1ull << 62;
    uint64_t m_sharedRecords = 0;
    std::deque<Frame> m_stack; // references stay valid while frames are pushed
    // The folder the recovered row is written in, open for the whole item.
    platform::OutputFolder m_base;
    // The shown path of the top frame; every frame's is a prefix of it.
    std::u16string m_path;
    RecoveryTotals m_totals;
};
