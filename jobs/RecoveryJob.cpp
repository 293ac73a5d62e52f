#include "jobs/RecoveryJob.h"

#include "engine/volume/EntryPoints.h"
#include "platform/OutputFile.h"
#include "platform/Text.h"
#include "platform/WriteGuard.h"
#include "store/CppSQLite3Exception.h"
#include "store/RecoveryLookups.h"
#include "store/ScanRow.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr unsigned kTextCurrentFile = 31;

} // namespace

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

RecoveryJob::RecoveryJob(char letter, bool isNtfs, std::string destination,
                         std::vector<RecoveryChoice> choices, ExistingChoice existing)
    : m_letter(letter), m_isNtfs(isNtfs), m_destination(std::move(destination)),
      m_choices(std::move(choices)), m_existing(existing) {}

RecoveryJobOutcome RecoveryJob::Run(ProgressSink& progress, RecoveryReport& report) {
    const auto began = std::chrono::steady_clock::now();
    m_out = {};
    m_out.items = static_cast<uint32_t>(m_choices.size());
    m_progress = &progress;
    m_report = &report;
    // The text is for reports only: the folder itself is opened by its bytes. When it cannot be
    // opened, the items still run: each fails with the reason, so every report hears of it.
    m_shownRoot = platform::Utf8ToUtf16(m_destination);
    m_out.rootOpened = m_root.Open(m_destination);
    if (!m_out.rootOpened) m_out.rootError = m_root.Error();

    progress.Start(0);
    progress.SetMode(kProgressRecovery);
    progress.Show();
    for (const RecoveryChoice& choice : LiveFirst()) {
        // The user's cancel ends the whole job, whenever it comes.
        if (m_out.counts.cancelled || progress.Cancelled()) {
            m_out.counts.cancelled = true;
            break;
        }
        report.OnItemDone(RecoverOne(choice));
    }
    progress.Close();
    if (progress.Cancelled()) m_out.counts.cancelled = true;

    m_progress = nullptr;
    m_report = nullptr;
    m_out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return std::move(m_out);
}

std::vector<RecoveryChoice> RecoveryJob::LiveFirst() const {
    std::vector<RecoveryChoice> live;
    std::vector<RecoveryChoice> deleted;
    for (const RecoveryChoice& choice : m_choices) {
        bool isDeleted = false;
        try {
            ScanRow row;
            isDeleted = ReadByRecord(m_letter, choice.record, row) && row.isDeleted == 1;
        } catch (const CppSQLite3Exception&) {
        }
        (isDeleted ? deleted : live).push_back(choice);
    }
    live.insert(live.end(), deleted.begin(), deleted.end());
    return live;
}

bool RecoveryJob::RecoverOne(const RecoveryChoice& choice) {
    m_total = 0;
    m_index = 0;
    const bool complete = RecoverItem(
        m_letter, m_isNtfs, choice.record, RecoveryDestination{&m_root, m_shownRoot, choice.folder},
        CountCb, RecoveryCallbacks{BeforeCb, ProgressCb, DoneCb, ExistsCb, this}, &m_session);
    RecoveryCounts& counts = m_out.counts;
    ++counts.itemsRecovered;
    if (complete) ++counts.itemsComplete;
    // Only the user's cancel raises the engine's flag (the callbacks below).
    if (g_engineCancel) counts.cancelled = true;
    return complete;
}

void RecoveryJob::CountCb(uint32_t count, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    job->m_total = count;
    job->m_index = 0;
    job->m_progress->SetFileCount(count);
}

bool RecoveryJob::BeforeCb(const char16_t* path, const char16_t* name, uint32_t low, uint32_t high,
                           void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    if (job->m_progress->Cancelled()) {
        g_engineCancel = true; // the user's cancel: this file and the rest of the item stop
        return false;
    }
    ++job->m_index;
    job->m_report->OnFileStart(path ? path : u"", job->m_index, job->m_total);
    job->m_progress->BeginFile(
        textformat::Format(LangText(kTextCurrentFile), {std::u16string(name ? name : u"")}),
        MakeU64(low, high));
    return true;
}

bool RecoveryJob::ProgressCb(uint32_t low, uint32_t high, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    job->m_progress->SetFileBytes(MakeU64(low, high));
    if (!job->m_progress->Cancelled()) return true;
    g_engineCancel = true; // the user's cancel: the file being written is removed
    return false;
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

    RecoveryCounts& counts = job->m_out.counts;
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
        if (report.Overwritten() || report.Clamped()) job->Keep(job->m_out.warnings, report);
        break;
    case RecoveryOutcome::kSkipped:
        ++(report.reason == RecoveryReason::kAlreadyRecovered ? counts.filesAlreadyRecovered
                                                              : counts.filesSkipped);
        break;
    case RecoveryOutcome::kReadError:
    case RecoveryOutcome::kWriteError:
        ++(report.isFolder ? counts.foldersFailed : counts.filesFailed);
        job->Keep(job->m_out.failures, report);
        break;
    case RecoveryOutcome::kCancelled:
        ++counts.filesCancelled;
        counts.cancelled = true;
        break;
    }
    job->m_report->OnFileDone(report);
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
    switch (job->m_existing) {
    case ExistingChoice::kOverwrite:
        *answer = 0;
        break;
    case ExistingChoice::kSkip:
        *answer = 1;
        break;
    case ExistingChoice::kPrompt:
        *answer = job->m_report->AskOverwrite(path ? path : u"") ? 0 : 1;
        break;
    }
}
