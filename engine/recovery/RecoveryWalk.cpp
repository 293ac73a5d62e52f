#include "engine/recovery/RecoveryWalk.h"

#include "engine/recovery/FileRecovery.h"
#include "engine/recovery/OutputNames.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "platform/WriteGuard.h"
#include "store/RecoveryLookups.h"

#include <cerrno>

namespace {

constexpr uint32_t kMaxNumber = 1000000;

bool UserCancelled(void*) {
    return g_engineCancel.load();
}

void Collect(const ScanRow& row, const std::u16string&, void* rows) {
    static_cast<std::vector<ScanRow>*>(rows)->push_back(row);
}

RecoverySession::FolderKey KeyOf(const platform::OutputFolder& folder) {
    return {folder.Device(), folder.Inode()};
}

} // namespace

RecoveryWalk::RecoveryWalk(RecoveryReader& reader, RecoveryOutput& output, RecoverySession& session,
                           char letter)
    : m_reader(reader), m_output(output), m_session(session), m_letter(letter) {}

bool RecoveryWalk::Run(const ScanRow& row, const RecoveryDestination& destination) {
    m_totals = {};
    m_seen.clear();
    m_filesWritten.clear();
    m_stack.clear();
    m_path.clear();
    m_base = platform::OutputFolder();

    Failure failure{RecoveryOutcome::kWriteError, RecoveryReason::kSystem, 0};
    const std::u16string shown = destination.Shown();
    if (!OpenDestination(destination, m_base, failure)) {
        RecoveryItem item;
        m_reader.ResolveItem(row, item);
        const std::u16string name = outputnames::SafeName(item.name, item.hexValue);
        const std::u16string path = FileRecovery::JoinOutputPath(shown, name);
        if (item.isFolder) {
            m_seen.insert(item.folderId);
            FailFolder(row, item.folderId, path, name, failure);
        } else {
            Report(row, path, name, failure, item.claimedSize, item.size, 0, false);
        }
        return false;
    }

    bool ok = Visit(row, m_base, shown, 0);
    while (!m_stack.empty()) {
        if (g_engineCancel) {
            m_totals.cancelled = true;
            break;
        }
        Frame& frame = m_stack.back();
        if (frame.next >= frame.children.size()) {
            Leave();
            continue;
        }
        const ScanRow child = frame.children[frame.next++];
        m_path.resize(frame.pathLength);
        if (!Visit(child, frame.folder, m_path, frame.depth + 1)) {
            m_path.resize(frame.pathLength); // a failed row entered nothing; kept all the same
            m_reader.OnChildFailed(child, m_path);
        }
    }
    m_stack.clear();
    m_path.clear();
    m_base = platform::OutputFolder();
    if (g_engineCancel) m_totals.cancelled = true;
    return ok && m_totals.Complete();
}

bool RecoveryWalk::OpenDestination(const RecoveryDestination& destination,
                                   platform::OutputFolder& folder, Failure& failure) {
    // The chosen folder was opened by the caller; the walk enters it through a copy of its own.
    const platform::OutputFolder* root = destination.root;
    if (!root || !root->IsOpen() || !root->Reopen(folder)) {
        int error = !root ? EBADF : root->IsOpen() ? folder.Error() : root->Error();
        failure = {RecoveryOutcome::kWriteError, RecoveryReason::kSystem, error ? error : EBADF};
        return false;
    }
    const std::u16string& below = destination.below;
    size_t pos = 0;
    while (pos < below.size()) {
        size_t end = below.find(u'/', pos);
        if (end == std::u16string::npos) end = below.size();
        const std::u16string piece = below.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty() || piece == u".") continue;
        const std::string name = platform::Utf16ToUtf8(piece);
        platform::EntryInfo info = folder.Lookup(name);
        if (info.kind == platform::EntryKind::kLink) {
            failure = {RecoveryOutcome::kWriteError, RecoveryReason::kLinkInTheWay, 0};
            return false;
        }
        if (info.kind == platform::EntryKind::kNone && !folder.MakeChild(name) &&
            folder.Error() != EEXIST) {
            failure = {RecoveryOutcome::kWriteError, RecoveryReason::kSystem, folder.Error()};
            return false;
        }
        platform::OutputFolder child;
        if (!folder.OpenChild(name, child)) {
            const bool link = folder.Error() == ELOOP;
            failure = {RecoveryOutcome::kWriteError,
                       link ? RecoveryReason::kLinkInTheWay : RecoveryReason::kSystem,
                       link ? 0 : folder.Error()};
            return false;
        }
        if (OnSource(folder, child)) {
            failure = {RecoveryOutcome::kWriteError, RecoveryReason::kSourceInTheWay, 0};
            return false;
        }
        if (info.kind == platform::EntryKind::kNone)
            m_session.AddOutput(child.Device(), child.Inode(), RecoverySession::kPathOwner);
        folder = std::move(child);
    }
    return true;
}

bool RecoveryWalk::Visit(const ScanRow& row, platform::OutputFolder& folder,
                         const std::u16string& path, uint32_t depth) {
    if (g_engineCancel) {
        m_totals.cancelled = true;
        return false;
    }
    RecoveryItem item;
    m_reader.ResolveItem(row, item);
    if (item.isFolder) return VisitFolder(row, item, folder, path, depth);
    return WriteFile(row, item, folder, path);
}

bool RecoveryWalk::VisitFolder(const ScanRow& row, const RecoveryItem& item,
                               platform::OutputFolder& parent, const std::u16string& parentPath,
                               uint32_t depth) {
    const uint64_t id = item.folderId;
    // Listed again, or below itself: the rows below it were (or are being) written at its
    // first visit, so there is nothing left to do and nothing failed.
    if (!m_seen.insert(id).second) return true;
    if (m_session.WrittenEarlier(id)) {
        const std::u16string name = outputnames::SafeName(item.name, item.hexValue);
        ReportBelow(id, FileRecovery::JoinOutputPath(parentPath, name),
                    {RecoveryOutcome::kSkipped, RecoveryReason::kAlreadyRecovered, 0});
        return true;
    }
    std::u16string name = ChooseName(parent, item, row.record);
    std::u16string path = FileRecovery::JoinOutputPath(parentPath, name);
    if (depth >= kMaxDepth) {
        FailFolder(row, id, path, name,
                   {RecoveryOutcome::kWriteError, RecoveryReason::kTooDeep, 0});
        return false;
    }

    std::string utf8 = platform::Utf16ToUtf8(name);
    const platform::EntryInfo existing = parent.Lookup(utf8);
    const Failure refused{RecoveryOutcome::kWriteError, RecoveryReason::kSystem, 0};
    if (existing.error) {
        FailFolder(row, id, path, name, {refused.outcome, refused.reason, existing.error});
        return false;
    }
    switch (existing.kind) {
    case platform::EntryKind::kNone:
        if (!parent.MakeChild(utf8)) {
            // A name the destination cannot hold: the folder takes its portable form, so that
            // what lies below it is still written.
            const int error = parent.Error();
            const std::u16string portable = platform::IsRefusedName(error)
                                                ? PortableChoice(parent, item, row.record)
                                                : std::u16string();
            if (portable.empty() || !parent.MakeChild(platform::Utf16ToUtf8(portable))) {
                FailFolder(row, id, path, name, {refused.outcome, refused.reason, error});
                return false;
            }
            name = portable;
            path = FileRecovery::JoinOutputPath(parentPath, name);
            utf8 = platform::Utf16ToUtf8(name);
        }
        break;
    case platform::EntryKind::kFolder:
        if (m_output.KeepExisting(path)) {
            // The user's choice: every file below is reported (and counted) as skipped.
            ReportBelow(id, path, {RecoveryOutcome::kSkipped, RecoveryReason::kKeptExisting, 0});
            return true;
        }
        break;
    case platform::EntryKind::kLink:
        FailFolder(row, id, path, name,
                   {RecoveryOutcome::kWriteError, RecoveryReason::kLinkInTheWay, 0});
        return false;
    default: // a file or a device where the folder goes
        FailFolder(row, id, path, name, {refused.outcome, refused.reason, ENOTDIR});
        return false;
    }
    platform::OutputFolder child;
    if (!parent.OpenChild(utf8, child)) {
        const bool link = parent.Error() == ELOOP;
        FailFolder(row, id, path, name,
                   {RecoveryOutcome::kWriteError,
                    link ? RecoveryReason::kLinkInTheWay : RecoveryReason::kSystem,
                    link ? 0 : parent.Error()});
        return false;
    }
    if (OnSource(parent, child)) {
        FailFolder(row, id, path, name,
                   {RecoveryOutcome::kWriteError, RecoveryReason::kSourceInTheWay, 0});
        return false;
    }
    if (existing.kind == platform::EntryKind::kNone)
        m_session.AddOutput(child.Device(), child.Inode(), row.record);
    m_session.MarkWritten(id);

    std::vector<ScanRow> children = Children(id, true);
    ReserveLiveNames(child, children);
    Enter(std::move(child), utf8, path, std::move(children), depth);
    return true;
}

void RecoveryWalk::Enter(platform::OutputFolder&& folder, std::string name,
                         const std::u16string& path, std::vector<ScanRow> children,
                         uint32_t depth) {
    // The folder kOpenFolders levels up is let go: it is opened again when the walk is back.
    if (m_stack.size() >= kOpenFolders) m_stack[m_stack.size() - kOpenFolders].folder.Close();
    Frame frame;
    frame.folder = std::move(folder);
    frame.name = std::move(name);
    frame.children = std::move(children);
    frame.depth = depth;
    m_path = path;
    frame.pathLength = m_path.size();
    m_stack.push_back(std::move(frame));
}

void RecoveryWalk::Leave() {
    if (m_stack.size() >= 2) {
        const size_t index = m_stack.size() - 2;
        Frame& above = m_stack[index];
        if (!above.folder.IsOpen()) {
            platform::OutputFolder folder;
            if (Reopen(index, folder))
                above.folder = std::move(folder);
            else
                above.folder.Close(folder.Error() != 0 ? folder.Error() : ENOENT);
        }
    }
    m_stack.pop_back();
}

bool RecoveryWalk::Reopen(size_t index, platform::OutputFolder& folder) {
    auto same = [](const platform::OutputFolder& a, const platform::OutputFolder& b) {
        return a.Device() == b.Device() && a.Inode() == b.Inode();
    };
    const platform::OutputFolder& wanted = m_stack[index].folder;
    // The ".." of the folder being left, when that still lies in the one it was made in.
    if (index + 1 < m_stack.size() && m_stack[index + 1].folder.OpenParent(folder) &&
        same(folder, wanted))
        return true;
    // Else by the names of the folders from the item's own, each the one that was made.
    platform::OutputFolder at;
    if (!m_base.Reopen(at)) {
        folder.Close(at.Error());
        return false;
    }
    for (size_t i = 0; i <= index; ++i) {
        platform::OutputFolder next;
        if (!at.OpenChild(m_stack[i].name, next)) {
            folder.Close(at.Error());
            return false;
        }
        if (!same(next, m_stack[i].folder)) {
            folder.Close(ENOENT); // moved away or replaced while the walk was below it
            return false;
        }
        at = std::move(next);
    }
    folder = std::move(at);
    return true;
}

bool RecoveryWalk::WriteFile(const ScanRow& row, const RecoveryItem& item,
                             platform::OutputFolder& folder, const std::u16string& folderPath) {
    // Two rows that carry the same record value (a damaged or hand-made saved scan can hold
    // them) are two files: the second one is given a name of its own, never the first one's.
    uint64_t owner = row.record;
    if (!m_filesWritten.insert({folder.Device(), folder.Inode(), row.record}).second)
        owner = kSharedRecordOwner + m_sharedRecords++;
    std::u16string name = ChooseName(folder, item, owner);
    std::u16string path = FileRecovery::JoinOutputPath(folderPath, name);
    auto fail = [&](RecoveryOutcome outcome, RecoveryReason reason, int error) {
        Report(row, path, name, {outcome, reason, error}, item.claimedSize, item.size,
               m_output.BytesWritten(), false);
        return false;
    };

    m_output.StartFile();
    if (!m_output.BeforeFile(path, name, item.size)) {
        if (g_engineCancel) {
            m_totals.cancelled = true;
            return fail(RecoveryOutcome::kCancelled, RecoveryReason::kCancelled, 0);
        }
        return fail(RecoveryOutcome::kSkipped, RecoveryReason::kDeclined, 0);
    }

    const std::string utf8 = platform::Utf16ToUtf8(name);
    const platform::EntryInfo existing = folder.Lookup(utf8);
    if (existing.error)
        return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSystem, existing.error);
    switch (existing.kind) {
    case platform::EntryKind::kNone:
        break;
    case platform::EntryKind::kFolder:
        return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSystem, EISDIR);
    case platform::EntryKind::kDevice:
        return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSourceInTheWay, 0);
    case platform::EntryKind::kFile:
        if (platform::IsSourceFile(existing.device, existing.inode))
            return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSourceInTheWay, 0);
        [[fallthrough]];
    case platform::EntryKind::kLink:  // replaced itself; its target is never touched
    case platform::EntryKind::kOther: // a pipe or socket: replaced as well
        if (m_output.KeepExisting(path))
            return fail(RecoveryOutcome::kSkipped, RecoveryReason::kKeptExisting, 0);
        break;
    }
    if (item.unreadable != RecoveryReason::kNone)
        return fail(RecoveryOutcome::kReadError, item.unreadable, 0);

    platform::OutputFile& out = m_output.File();
    if (!out.Begin(folder, utf8))
        return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSystem, out.Error());
    const ReadOutcome read = item.size == 0
                                 ? ReadOutcome::kOk
                                 : m_reader.ReadItemData(item, &RecoveryOutput::Sink, &m_output);
    if (m_output.WriteFailed()) {
        // The destination refused the data (disk full, file too large): this file fails and
        // the walk goes on.
        const int error = out.Error();
        out.Abandon();
        return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSystem, error);
    }
    if (read == ReadOutcome::kSinkRefused && m_output.CancelRequested()) {
        // The progress callback answered false: the caller's cancel stops the walk.
        out.Abandon();
        g_engineCancel = true;
        m_totals.cancelled = true;
        return fail(RecoveryOutcome::kCancelled, RecoveryReason::kCancelled, 0);
    }
    if (read != ReadOutcome::kOk) {
        out.Abandon();
        return fail(RecoveryOutcome::kReadError, RecoveryReason::kUnreadable, 0);
    }
    // The row's creation time has no place on this platform.
    if (!out.SetTimes(item.accessed, item.modified) || !out.Commit(item.ReadOnly())) {
        const int error = out.Error();
        // A destination made for Windows refuses some names a volume can hold ("a:b.txt"):
        // the written file takes the name's portable form rather than being thrown away.
        const std::u16string portable =
            out.NameRefused() ? PortableChoice(folder, item, owner) : std::u16string();
        if (portable.empty() || !out.RenameTo(platform::Utf16ToUtf8(portable))) {
            out.Abandon();
            return fail(RecoveryOutcome::kWriteError, RecoveryReason::kSystem, error);
        }
        name = portable;
        path = FileRecovery::JoinOutputPath(folderPath, name);
    }
    m_session.AddOutput(out.Device(), out.Inode(), owner);
    Report(row, path, name, {RecoveryOutcome::kWritten, RecoveryReason::kNone, 0}, item.claimedSize,
           item.size, m_output.BytesWritten(), false);
    return true;
}

std::u16string RecoveryWalk::ChooseName(platform::OutputFolder& folder, const RecoveryItem& item,
                                        uint64_t rowOwner) {
    const bool keepExtension = !item.isFolder;
    const std::u16string base = outputnames::SafeName(item.name, item.hexValue);
    const RecoverySession::FolderKey key = KeyOf(folder);
    // Whether name is free for the row on the disk: nothing there, or nothing this job made for
    // another row (a destination that folds case sees "A.txt" and "a.txt" as one).
    auto freeOnDisk = [&](const std::u16string& name) {
        const platform::EntryInfo info = folder.Lookup(platform::Utf16ToUtf8(name));
        if (info.kind == platform::EntryKind::kNone) return true;
        const auto owner = m_session.OutputOwner(info.device, info.inode);
        return !owner || *owner == rowOwner;
    };

    if (auto given = m_session.GivenName(key, rowOwner, base); given && freeOnDisk(*given))
        return *given;
    const std::u16string foldedBase = outputnames::Fold(outputnames::Shorten(base, keepExtension));
    uint32_t number = m_session.NextNumber(key, foldedBase);
    for (; number < kMaxNumber; ++number) {
        const std::u16string name = outputnames::Numbered(base, number, keepExtension);
        const std::u16string folded = outputnames::Fold(name);
        const auto owner = m_session.NameOwner(key, folded);
        if (owner && *owner != rowOwner) continue;
        if (!freeOnDisk(name)) continue;
        m_session.Claim(key, folded, rowOwner);
        m_session.SetGivenName(key, rowOwner, base, name);
        if (number > 1) m_session.SetNextNumber(key, foldedBase, number + 1);
        return name;
    }
    return outputnames::Numbered(base, number, keepExtension);
}

std::u16string RecoveryWalk::PortableChoice(platform::OutputFolder& folder,
                                            const RecoveryItem& item, uint64_t owner) {
    const std::u16string safe = outputnames::SafeName(item.name, item.hexValue);
    const std::u16string portable = outputnames::PortableName(safe);
    if (portable == safe) return {};
    RecoveryItem renamed = item;
    renamed.name = portable;
    return ChooseName(folder, renamed, owner);
}

void RecoveryWalk::ReserveLiveNames(const platform::OutputFolder& folder,
                                    const std::vector<ScanRow>& rows) {
    const RecoverySession::FolderKey key = KeyOf(folder);
    for (const ScanRow& row : rows) {
        if (row.isDeleted == 1 || row.name.empty()) continue;
        const std::u16string base = outputnames::SafeName(row.name, m_reader.HexValueOf(row));
        const std::u16string name = outputnames::Shorten(base, row.isDir == 0);
        if (m_session.Claim(key, outputnames::Fold(name), row.record))
            m_session.SetGivenName(key, row.record, base, name);
    }
}

void RecoveryWalk::FailFolder(const ScanRow& row, uint64_t folderId, const std::u16string& path,
                              const std::u16string& name, const Failure& failure) {
    Report(row, path, name, failure, 0, 0, 0, true);
    ReportBelow(folderId, path, failure);
}

void RecoveryWalk::ReportBelow(uint64_t folderId, const std::u16string& path,
                               const Failure& failure) {
    // Folder by folder, a folder's files first, then its sub-folders from the last one listed
    // to the first, each with everything below it. Every folder keeps the names of the
    // sub-folders left to report, and its shown path as a prefix of current.
    struct Level {
        std::vector<std::pair<uint64_t, std::u16string>> folders; // id and name
        size_t pathLength = 0;
    };
    std::vector<Level> levels;
    std::u16string current = path;
    auto reportFolder = [&](uint64_t id) {
        Level level;
        level.pathLength = current.size();
        for (const ScanRow& row : Children(id, false)) {
            const std::u16string name = outputnames::SafeName(row.name, m_reader.HexValueOf(row));
            if (row.isDir != 0) {
                if (m_seen.insert(row.id).second) level.folders.emplace_back(row.id, name);
            } else {
                Report(row, FileRecovery::JoinOutputPath(current, name), name, failure, row.size,
                       row.size, 0, false);
            }
        }
        levels.push_back(std::move(level));
    };
    reportFolder(folderId);
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.folders.empty()) {
            levels.pop_back();
            continue;
        }
        const auto [id, name] = std::move(level.folders.back());
        level.folders.pop_back();
        current.resize(level.pathLength);
        current = FileRecovery::JoinOutputPath(current, name);
        reportFolder(id);
    }
}

void RecoveryWalk::Report(const ScanRow& row, const std::u16string& path,
                          const std::u16string& name, const Failure& failure, uint64_t claimedSize,
                          uint64_t size, uint64_t written, bool isFolder) {
    switch (failure.outcome) {
    case RecoveryOutcome::kWritten:
        ++m_totals.written;
        if (size < claimedSize) ++m_totals.clamped;
        break;
    case RecoveryOutcome::kSkipped:
        ++(failure.reason == RecoveryReason::kAlreadyRecovered ? m_totals.alreadyRecovered
                                                               : m_totals.skipped);
        break;
    case RecoveryOutcome::kReadError:
    case RecoveryOutcome::kWriteError:
        ++(isFolder ? m_totals.foldersFailed : m_totals.failed);
        break;
    case RecoveryOutcome::kCancelled:
        m_totals.cancelled = true;
        break;
    }
    RecoveredFile file{};
    file.outputPath = path.c_str();
    file.name = name.c_str();
    file.record = row.record;
    file.outcome = failure.outcome;
    file.reason = failure.reason;
    file.systemError = failure.error;
    file.claimedSize = claimedSize;
    file.size = size;
    file.written = written;
    file.isFolder = isFolder ? 1 : 0;
    m_output.FileDone(file);
}

bool RecoveryWalk::OnSource(const platform::OutputFolder& parent,
                            const platform::OutputFolder& child) const {
    if (child.Device() == parent.Device()) return false; // no mount point: checked at the root
    std::vector<std::string> sources;
    if (const auto source = platform::DriveMap::Instance().PathFor(m_letter))
        sources.push_back(*source);
    return !platform::SourceBeneathDevice(child.Device(), sources).empty();
}

std::vector<ScanRow> RecoveryWalk::Children(uint64_t folderId, bool stopOnCancel) {
    std::vector<ScanRow> rows;
    ForEachChildEntry(m_letter, folderId, std::u16string(), &Collect, &rows,
                      stopOnCancel ? &UserCancelled : nullptr);
    return rows;
}
