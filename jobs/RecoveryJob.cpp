#include "jobs/RecoveryJob.h"

#include "engine/volume/EntryPoints.h"
#include "platform/OutputFile.h"
#include "platform/Text.h"
#include "platform/WriteGuard.h"
#include "store/CppSQLite3Exception.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

DestinationCheck CheckDestination(const std::string& destination, const std::string& sourcePath) {
    DestinationCheck result;
    if (destination.empty()) {
        result.verdict = DestinationVerdict::kInvalid;
        result.message = "no destination folder given";
        return result;
    }
    std::vector<std::string> sources;
    if (!sourcePath.empty()) sources.push_back(sourcePath);
    const platform::WriteCheck check =
        platform::CheckWriteTarget(destination, platform::WriteTarget::kFolder, sources);
    switch (check.refusal) {
    case platform::WriteRefusal::kNone:
        break;
    case platform::WriteRefusal::kOnSource:
        result.verdict = DestinationVerdict::kSameDrive;
        result.message = check.Message();
        return result;
    case platform::WriteRefusal::kIsSource:
    case platform::WriteRefusal::kSystem:
        result.verdict = DestinationVerdict::kInvalid;
        result.message = check.Message();
        return result;
    }
    if (!platform::PathExists(destination)) {
        result.verdict = DestinationVerdict::kMissing;
    } else if (!platform::IsDirectory(destination)) {
        result.verdict = DestinationVerdict::kInvalid;
        result.message = destination + ": " + std::strerror(ENOTDIR);
    }
    return result;
}

std::string DescribeReason(RecoveryReason reason, int systemError) {
    switch (reason) {
    case RecoveryReason::kNone:
        return {};
    case RecoveryReason::kSystem:
        return std::strerror(systemError);
    case RecoveryReason::kDeclined:
        return "skipped";
    case RecoveryReason::kKeptExisting:
        return "kept the existing item";
    case RecoveryReason::kAlreadyRecovered:
        return "its folder was already recovered in this run";
    case RecoveryReason::kLinkInTheWay:
        return "a symbolic link stands where the folder goes; it is not followed";
    case RecoveryReason::kSourceInTheWay:
        return "the name is a volume source or a device, or leads onto a file system stored on "
               "the volume being read; neither is ever written";
    case RecoveryReason::kTooDeep:
        return "folders nest too deeply";
    case RecoveryReason::kNoData:
        return "the entry points at no data the volume holds";
    case RecoveryReason::kUnreadable:
        return "its data could not be read from the volume";
    case RecoveryReason::kCancelled:
        return "cancelled";
    }
    return {};
}

bool RecoveryJob::SetDestinationRoot(const std::string& root) {
    // The text is for reports only: the folder itself is opened by its bytes.
    m_shownRoot = platform::Utf8ToUtf16(root);
    return m_root.Open(root);
}

bool RecoveryJob::Recover(uint64_t record, const std::u16string& folder) {
    m_total = 0;
    m_index = 0;
    const bool complete = RecoverItem(
        m_letter, m_isNtfs, record, RecoveryDestination{&m_root, m_shownRoot, folder}, CountCb,
        RecoveryCallbacks{BeforeCb, ProgressCb, DoneCb, ExistsCb, this}, &m_session);
    ++m_counts.itemsRecovered;
    if (complete) ++m_counts.itemsComplete;
    if (g_engineCancel) m_counts.cancelled = true;
    return complete;
}

void RecoveryJob::RecoverAll(const std::vector<RecoveryChoice>& choices, bool stopOnCancel) {
    std::vector<RecoveryChoice> live;
    std::vector<RecoveryChoice> deleted;
    for (const RecoveryChoice& choice : choices) {
        bool isDeleted = false;
        try {
            ScanRow row;
            isDeleted = ReadByRecord(m_letter, choice.record, row) && row.isDeleted == 1;
        } catch (const CppSQLite3Exception&) {
        }
        (isDeleted ? deleted : live).push_back(choice);
    }
    live.insert(live.end(), deleted.begin(), deleted.end());
    for (const RecoveryChoice& choice : live) {
        if (stopOnCancel && (m_counts.cancelled || (m_observer && m_observer->Cancelled()))) {
            m_counts.cancelled = true;
            break;
        }
        Recover(choice.record, choice.folder);
    }
}

void RecoveryJob::CountCb(uint32_t count, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    job->m_total = count;
    job->m_index = 0;
    if (job->m_observer) job->m_observer->OnCount(count);
}

bool RecoveryJob::BeforeCb(const char16_t* path, const char16_t* name, uint32_t low, uint32_t high,
                           void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    if (job->m_observer && job->m_observer->Cancelled()) {
        g_engineCancel = true; // the user's cancel: this file and the rest of the item stop
        return false;
    }
    ++job->m_index;
    return !job->m_observer ||
           job->m_observer->OnBeforeFile(path ? path : u"", name ? name : u"", MakeU64(low, high),
                                         job->m_index, job->m_total);
}

bool RecoveryJob::ProgressCb(uint32_t low, uint32_t high, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    return !job->m_observer || job->m_observer->OnProgress(MakeU64(low, high));
}

void RecoveryJob::DoneCb(const RecoveredFile* file, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    if (!file) return;
    FileReport report;
    report.path = file->outputPath ? file->outputPath : u"";
    report.name = file->name ? file->name : u"";
    report.record = file->record;
    report.outcome = file->outcome;
    report.reason = file->reason;
    report.systemError = file->systemError;
    report.claimedSize = file->claimedSize;
    report.size = file->size;
    report.written = file->written;
    report.isFolder = file->isFolder != 0;

    RecoveryCounts& counts = job->m_counts;
    switch (report.outcome) {
    case RecoveryOutcome::kWritten:
        ++counts.filesWritten;
        if (!report.isFolder) {
            try {
                ScanRow row;
                if (ReadByRecord(job->m_letter, report.record, row))
                    report.recoverable = row.recoverable;
            } catch (const CppSQLite3Exception&) {
            }
        }
        if (report.Overwritten())
            ++(report.recoverable == 0 ? counts.filesWhollyOverwritten
                                       : counts.filesPartlyOverwritten);
        if (report.Clamped()) ++counts.filesClamped;
        if (report.Overwritten() || report.Clamped()) job->Keep(job->m_warnings, report);
        break;
    case RecoveryOutcome::kSkipped:
        ++(report.reason == RecoveryReason::kAlreadyRecovered ? counts.filesAlreadyRecovered
                                                              : counts.filesSkipped);
        break;
    case RecoveryOutcome::kReadError:
    case RecoveryOutcome::kWriteError:
        ++(report.isFolder ? counts.foldersFailed : counts.filesFailed);
        job->Keep(job->m_failures, report);
        break;
    case RecoveryOutcome::kCancelled:
        ++counts.filesCancelled;
        counts.cancelled = true;
        break;
    }
    if (job->m_observer) job->m_observer->OnFileDone(report);
}

void RecoveryJob::Keep(std::vector<FileReport>& kept, const FileReport& report) {
    const size_t bytes = (report.path.size() + report.name.size()) * sizeof(char16_t);
    if (kept.size() >= kMaxKeptReports || bytes > kMaxKeptBytes - m_keptBytes) return;
    m_keptBytes += bytes;
    kept.push_back(report);
}

void RecoveryJob::ExistsCb(const char16_t* path, uint32_t, int* answer, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    if (!answer) return;
    switch (job->m_choice) {
    case ExistingChoice::kOverwrite:
        *answer = 0;
        break;
    case ExistingChoice::kSkip:
        *answer = 1;
        break;
    case ExistingChoice::kPrompt:
        *answer = (job->m_observer && job->m_observer->AskOverwrite(path ? path : u"")) ? 0 : 1;
        break;
    }
}
