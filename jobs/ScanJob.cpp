#include "jobs/ScanJob.h"

#include "engine/exfat/ExfatEntryPoints.h"
#include "engine/volume/DriveProbe.h"
#include "jobs/CarveSettings.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/CppSQLite3Exception.h"
#include "store/RowCounts.h"
#include "store/StoreOwner.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <chrono>
#include <exception>
#include <new>

namespace {

constexpr unsigned kTextCurrentFile = 31;
constexpr unsigned kTextAdvancedStatus = 32;
constexpr unsigned kTextQuickStatus = 33;

// Whether the volume's window holds fewer bytes than its file system says it has.
bool IsCutShort(char letter, const DriveBootInfo& info) {
    const DriveProbe probe = ProbeDrive(letter, false);
    return probe.state == DriveState::kReady && probe.size != 0 &&
           probe.size < DeclaredVolumeSize(info);
}

// Checks that the drive can still be opened and still holds a file system the engine reads.
ScanFailure CheckSource(char letter, std::string* reason) {
    const DriveProbe probe = ProbeDrive(letter, false);
    switch (probe.state) {
    case DriveState::kReady:
        return ScanFailure::kNone;
    case DriveState::kNotSupported:
        *reason = platform::DriveMap::Instance().PathFor(letter).value_or("");
        return ScanFailure::kNotSupported;
    case DriveState::kCannotRead:
        *reason = platform::DriveMap::Instance().PathFor(letter).value_or("") + ": " + probe.reason;
        return ScanFailure::kCannotOpen;
    case DriveState::kCannotOpen:
        *reason = platform::DriveMap::Instance().PathFor(letter).value_or("") + ": " + probe.reason;
        return ScanFailure::kCannotOpen;
    case DriveState::kNotBound:
        break;
    }
    *reason = probe.reason;
    return ScanFailure::kCannotOpen;
}

} // namespace

ScanJob::ScanJob(const DriveBootInfo& drive, bool advanced, const std::atomic<bool>* stop)
    : m_drive(drive), m_advanced(advanced), m_stop(stop) {}

bool ScanJob::Stopped() const {
    return (m_sink && m_sink->Cancelled()) || (m_stop && m_stop->load());
}

void ScanJob::OnBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    job->m_total = MakeU64(totalLow, totalHigh);
    job->m_sink->Start(steps);
    job->m_sink->SetMode(job->m_advanced ? kProgressNtfsAdvanced : kProgressNtfsQuick);
    job->m_sink->Show();
}

void ScanJob::OnFatBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    job->m_total = MakeU64(totalLow, totalHigh);
    job->m_sink->Start(steps);
    job->m_sink->SetMode(kProgressFatAdvanced);
    job->m_sink->Show();
}

bool ScanJob::OnProgress(uint32_t doneLow, uint32_t doneHigh, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    if (job->Stopped()) return false;
    job->m_sink->Step();
    job->m_sink->SetStatus(
        textformat::Format(job->m_statusFormat, {static_cast<int64_t>(MakeU64(doneLow, doneHigh)),
                                                 static_cast<int64_t>(job->m_total)}));
    return true;
}

bool ScanJob::OnDirectory(const char16_t* name, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    if (job->Stopped()) return false;
    job->m_sink->SetStatus(
        textformat::Format(LangText(kTextCurrentFile), {std::u16string(name ? name : u"")}));
    return true;
}

void ScanJob::OnEnd(void* context) {
    static_cast<ScanJob*>(context)->m_sink->Close();
}

bool ScanJob::RunEngine(ScanNotes* notes) {
    const char letter = m_drive.driveLetter;
    if (m_drive.isNtfs) {
        m_statusFormat = LangText(m_advanced ? kTextAdvancedStatus : kTextQuickStatus);
        return ScanNtfsDrive(letter, OnBegin, OnProgress, OnEnd, this, m_advanced);
    }
    if (m_advanced) {
        m_statusFormat = LangText(kTextAdvancedStatus);
        return AdvancedScanFatDrive(letter, OnFatBegin, OnProgress, OnEnd, this);
    }
    m_sink->Start(100);
    m_sink->SetMode(kProgressFatQuick);
    m_sink->Show();
    return QuickScanFatDrive(letter, OnDirectory, this, notes);
}

ScanOutcome ScanJob::Run(ProgressSink& progress) {
    const auto began = std::chrono::steady_clock::now();
    ScanOutcome out;
    out.letter = m_drive.driveLetter;
    out.advanced = m_advanced;
    if (m_stop && m_stop->load()) {
        out.cancelled = true;
        return out;
    }
    out.failure = CheckSource(m_drive.driveLetter, &out.reason);
    if (out.Failed()) return out;

    const char letter = m_drive.driveLetter;
    if (m_advanced) SetCarveOptions(m_carve ? *m_carve : CarveOptionsFromSettings());
    m_sink = &progress;
    // From here to the count of its rows the scan owns the store: the window waits for the end.
    const StoreHold hold;
    try {
        out.engineResult = RunEngine(&out.notes);
    } catch (const std::bad_alloc&) {
        out.failure = ScanFailure::kOutOfMemory;
    } catch (const CppSQLite3Exception& e) {
        out.failure = ScanFailure::kStoreFailed;
        out.reason = e.errorMessage();
    } catch (const std::exception& e) {
        out.failure = ScanFailure::kStoreFailed;
        out.reason = e.what();
    }
    progress.Close(); // also when the engine left before its end callback; closing is idempotent
    out.backupBootRegion = m_drive.fileSystem == FileSystemKind::kExfat &&
                           ExfatBootRegionOf(letter) == ExfatBootRegion::kBackup;
    out.cancelled = Stopped();
    m_sink = nullptr;
    if (!out.Failed() && !out.engineResult && !out.cancelled)
        out.failure = ScanFailure::kReadFailed;
    if (out.failure != ScanFailure::kOutOfMemory) {
        const RowCounts counts = CountRows(letter);
        out.rows = counts.rows;
        out.deleted = counts.deleted;
    }
    // Nothing found on a source shorter than its file system: its structures were not there
    // to be read, which is not the same as an empty volume.
    if (!out.Failed() && !out.cancelled && out.rows == 0 && IsCutShort(letter, m_drive))
        out.failure = ScanFailure::kReadFailed;
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return out;
}

std::u16string DescribeScanOutcome(const ScanOutcome& o) {
    const std::u16string drive = std::u16string(1, static_cast<char16_t>(o.letter)) + u":";
    const std::u16string reason = platform::Utf8ToUtf16(o.reason);
    switch (o.failure) {
    case ScanFailure::kCannotOpen:
        return textformat::Format(LangText(kTextScanCannotOpen), {drive, reason});
    case ScanFailure::kNotSupported:
        return textformat::Format(LangText(kTextScanNotSupported), {drive});
    case ScanFailure::kReadFailed:
        return textformat::Format(LangText(kTextScanReadFailed), {drive});
    case ScanFailure::kStoreFailed:
        return textformat::Format(LangText(kTextScanStoreFailed), {drive, reason});
    case ScanFailure::kOutOfMemory:
        return textformat::Format(LangText(kTextScanStoreFailed), {drive, u"out of memory"});
    case ScanFailure::kNone:
        break;
    }
    std::u16string text =
        textformat::Format(LangText(o.cancelled ? kTextScanCancelled : kTextScanSummary),
                           {drive, static_cast<int64_t>(o.rows), static_cast<int64_t>(o.deleted)});
    if (o.backupBootRegion) text += u". " + std::u16string(LangText(kTextScanBackupBootRegion));
    const std::u16string gaps = DescribeScanGaps(o);
    if (!gaps.empty()) text += u". " + gaps;
    return text;
}

std::u16string DescribeScanGaps(const ScanOutcome& o) {
    if (o.notes.foldersTooDeep == 0) return {};
    return textformat::Format(
        LangText(kTextScanFoldersTooDeep),
        {static_cast<int64_t>(o.notes.depthBound), static_cast<int64_t>(o.notes.foldersTooDeep)});
}
