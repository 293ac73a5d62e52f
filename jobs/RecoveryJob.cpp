#include "jobs/RecoveryJob.h"

#include "engine/volume/EntryPoints.h"
#include "platform/Destination.h"
#include "platform/OutputFile.h"

DestinationVerdict CheckDestination(const std::string& destination, const std::string& sourcePath) {
    if (destination.empty()) return DestinationVerdict::kInvalid;
    const std::string anchor = platform::ExistingAncestor(destination);
    if (anchor.empty() || !platform::IsWritableDirectory(anchor))
        return DestinationVerdict::kInvalid;
    if (!sourcePath.empty() && platform::IsOnSource(destination, sourcePath))
        return DestinationVerdict::kSameDrive;
    if (!platform::PathExists(destination)) return DestinationVerdict::kMissing;
    return platform::IsDirectory(destination) ? DestinationVerdict::kOk
                                              : DestinationVerdict::kInvalid;
}

bool RecoveryJob::Recover(uint64_t record, const std::u16string& destination) {
    m_total = 0;
    m_index = 0;
    const bool ok = RecoverItem(m_letter, m_isNtfs, record, destination.c_str(), CountCb, BeforeCb,
                                ProgressCb, DoneCb, ExistsCb, this);
    ++(ok ? m_itemsOk : m_itemsFailed);
    return ok;
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
    ++job->m_index;
    if (job->m_observer &&
        !job->m_observer->OnBeforeFile(path ? path : u"", name ? name : u"", MakeU64(low, high),
                                       job->m_index, job->m_total))
        return false;
    ++job->m_filesStarted;
    return true;
}

bool RecoveryJob::ProgressCb(uint32_t low, uint32_t high, void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    return !job->m_observer || job->m_observer->OnProgress(MakeU64(low, high));
}

void RecoveryJob::DoneCb(void* context) {
    auto* job = static_cast<RecoveryJob*>(context);
    ++job->m_filesDone;
    if (job->m_observer) job->m_observer->OnFileDone();
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
