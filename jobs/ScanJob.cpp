#include "jobs/ScanJob.h"

#include "jobs/CarveSettings.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/RawDevice.h"
#include "platform/Text.h"
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"
#include "ui/format/TextFormat.h"
#include "ui/settings/LangText.h"

#include <exception>

namespace {

constexpr unsigned kTextCurrentFile = 31;
constexpr unsigned kTextAdvancedStatus = 32;
constexpr unsigned kTextQuickStatus = 33;

// The size the boot sector gives the volume, in bytes (0 when it gives none).
uint64_t DeclaredSize(const DriveBootInfo& info) {
    const uint8_t* s = info.bootSector;
    const uint64_t bytesPerSector = s[0x0B] | (s[0x0C] << 8);
    uint64_t sectors = 0;
    if (info.isNtfs) {
        for (int i = 7; i >= 0; --i)
            sectors = (sectors << 8) | s[0x28 + i];
    } else {
        sectors = s[0x20] | (s[0x21] << 8) | (s[0x22] << 16) | (uint64_t{s[0x23]} << 24);
        if (sectors == 0) sectors = s[0x13] | (s[0x14] << 8);
    }
    return bytesPerSector * sectors;
}

// Whether the source holds fewer bytes than its file system says it has.
bool IsCutShort(char letter, const DriveBootInfo& info) {
    const auto path = platform::DriveMap::Instance().PathFor(letter);
    platform::RawDevice device;
    if (!path || !device.Open(*path)) return false;
    const uint64_t size = device.Size();
    return size != 0 && size < DeclaredSize(info);
}

// Checks that the drive can still be opened and still holds a file system the engine reads.
ScanFailure CheckSource(char letter, std::string* reason) {
    const auto path = platform::DriveMap::Instance().PathFor(letter);
    if (!path) {
        *reason = "no source is bound to the letter";
        return ScanFailure::kCannotOpen;
    }
    platform::RawDevice device;
    if (!device.Open(*path)) {
        *reason = *path + ": " + device.Error();
        return ScanFailure::kCannotOpen;
    }
    uint8_t sector[512];
    if (device.ReadAt(0, sector, sizeof sector) < static_cast<int64_t>(sizeof sector)) {
        *reason = *path + ": the first sector cannot be read";
        return ScanFailure::kCannotOpen;
    }
    DriveBootInfo info{};
    TestBootSector(sector, letter, &info);
    if (!info.supported) {
        *reason = *path;
        return ScanFailure::kNotSupported;
    }
    return ScanFailure::kNone;
}

} // namespace

ScanJob::ScanJob(const DriveBootInfo& drive, bool advanced, ProgressSink& sink,
                 const std::atomic<bool>* stop)
    : m_drive(drive), m_advanced(advanced), m_sink(sink), m_stop(stop) {}

bool ScanJob::Stopped() const {
    return m_sink.Cancelled() || (m_stop && m_stop->load());
}

void ScanJob::OnBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    job->m_total = MakeU64(totalLow, totalHigh);
    job->m_sink.Start(steps);
    job->m_sink.SetMode(job->m_advanced ? kProgressNtfsAdvanced : kProgressNtfsQuick);
    job->m_sink.Show();
}

void ScanJob::OnFatBegin(uint32_t totalLow, uint32_t totalHigh, uint32_t steps, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    job->m_total = MakeU64(totalLow, totalHigh);
    job->m_sink.Start(steps);
    job->m_sink.SetMode(kProgressFatAdvanced);
    job->m_sink.Show();
}

bool ScanJob::OnProgress(uint32_t doneLow, uint32_t doneHigh, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    if (job->Stopped()) return false;
    job->m_sink.Step();
    job->m_sink.SetStatus(
        textformat::Format(job->m_statusFormat, {static_cast<int64_t>(MakeU64(doneLow, doneHigh)),
                                                 static_cast<int64_t>(job->m_total)}));
    return true;
}

bool ScanJob::OnDirectory(const char16_t* name, void* context) {
    auto* job = static_cast<ScanJob*>(context);
    if (job->Stopped()) return false;
    job->m_sink.SetStatus(
        textformat::Format(LangText(kTextCurrentFile), {std::u16string(name ? name : u"")}));
    return true;
}

void ScanJob::OnEnd(void* context) {
    static_cast<ScanJob*>(context)->m_sink.Close();
}

ScanOutcome ScanJob::Run() {
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
    if (m_advanced) SetCarveOptions(CarveOptionsFromSettings());
    try {
        if (m_drive.isNtfs) {
            m_statusFormat = LangText(m_advanced ? kTextAdvancedStatus : kTextQuickStatus);
            out.engineResult = ScanNtfsDrive(letter, OnBegin, OnProgress, OnEnd, this, m_advanced);
        } else if (m_advanced) {
            m_statusFormat = LangText(kTextAdvancedStatus);
            out.engineResult = AdvancedScanFatDrive(letter, OnFatBegin, OnProgress, OnEnd, this);
        } else {
            m_sink.Start(100);
            m_sink.SetMode(kProgressFatQuick);
            m_sink.Show();
            out.engineResult = QuickScanFatDrive(letter, OnDirectory, this);
        }
    } catch (const CppSQLite3Exception& e) {
        out.failure = ScanFailure::kStoreFailed;
        out.reason = e.errorMessage();
    } catch (const std::exception& e) {
        out.failure = ScanFailure::kStoreFailed;
        out.reason = e.what();
    }
    m_sink.Close(); // also when the engine left before its end callback; closing is idempotent
    out.cancelled = Stopped();
    if (!out.Failed() && !out.engineResult && !out.cancelled)
        out.failure = ScanFailure::kReadFailed;
    CountScanRows(letter, &out.rows, &out.deleted);
    // Nothing found on a source shorter than its file system: its structures were not there
    // to be read, which is not the same as an empty volume.
    if (!out.Failed() && !out.cancelled && out.rows == 0 && IsCutShort(letter, m_drive))
        out.failure = ScanFailure::kReadFailed;
    return out;
}

void CountScanRows(char letter, uint64_t* rows, uint64_t* deleted) {
    *rows = *deleted = 0;
    try {
        DataBase store;
        if (!store.Db().tableExists(std::string(1, letter).c_str())) return;
        auto q = store.Db().query(
            SqlFormat("select count(*), coalesce(sum(isDeleted = 1), 0) from %c", letter));
        *rows = static_cast<uint64_t>(q.getInt64Field(0));
        *deleted = static_cast<uint64_t>(q.getInt64Field(1));
    } catch (const CppSQLite3Exception&) {
        // No table, or not readable: nothing to count.
    }
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
    case ScanFailure::kNone:
        break;
    }
    return textformat::Format(
        LangText(o.cancelled ? kTextScanCancelled : kTextScanSummary),
        {drive, static_cast<int64_t>(o.rows), static_cast<int64_t>(o.deleted)});
}
