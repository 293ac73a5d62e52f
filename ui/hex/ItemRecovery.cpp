#include "ui/hex/ItemRecovery.h"

#include "jobs/ProgressSink.h"
#include "jobs/RecoveryJob.h"
#include "platform/DriveMap.h"
#include "platform/OutputFile.h"
#include "platform/Text.h"
#include "ui/dialogs/CProgressMgr.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/hex/CHexEditorDlg.h"
#include "ui/settings/BuiltinTexts.h"
#include "ui/shell/QtText.h"

#include <QFileInfo>

namespace {

constexpr unsigned kTextCurrentFile = 31;
constexpr unsigned kTextExists = 42;
constexpr unsigned kTextSameDrive = 52;
constexpr unsigned kTextCreate = 53;
constexpr unsigned kTextInvalidPath = 55;
constexpr int kBarRange = 1000; // the bar shows shares of the file, whatever its size

QString Format(unsigned key, const std::vector<textformat::Arg>& args) {
    return ToQ(textformat::Format(LangText(key), args));
}

class WindowRecoveryObserver : public RecoveryObserver {
public:
    explicit WindowRecoveryObserver(QWidget* parent) : m_parent(parent) {}

    void OnCount(uint32_t total) override {
        CProgressMgr::Instance().SetCounterTotal(static_cast<int>(total));
    }

    bool OnBeforeFile(const std::u16string&, const std::u16string& name, uint64_t size, uint32_t,
                      uint32_t) override {
        CProgressMgr& progress = CProgressMgr::Instance();
        m_size = size;
        progress.SetRange(kBarRange);
        progress.SetPosition(0);
        progress.SetStatus(textformat::Format(LangText(kTextCurrentFile), {name}));
        progress.CountOne();
        return true;
    }

    bool OnProgress(uint64_t written) override {
        const uint64_t share = m_size == 0 ? kBarRange : written * kBarRange / m_size;
        CProgressMgr::Instance().SetPosition(
            static_cast<int>(std::min<uint64_t>(share, kBarRange)));
        return !CProgressMgr::Instance().Cancelled();
    }

    bool AskOverwrite(const std::u16string& path) override {
        return AskYesNo(m_parent, Format(kTextExists, {path}));
    }

    bool Cancelled() override { return CProgressMgr::Instance().Cancelled(); }

private:
    QWidget* m_parent;
    uint64_t m_size = 0;
};

} // namespace

void RunItemRecovery(QWidget* parent, char letter, bool isNtfs, const ScanRow& row) {
    const QString chosen =
        CHexEditorDlg::ChoosePath(parent, CHexEditorDlg::PathPurpose::kRecoveryFolder);
    if (chosen.isEmpty()) return;
    const std::string destination = QFileInfo(chosen).absoluteFilePath().toStdString();
    const std::string source = platform::DriveMap::Instance().PathFor(letter).value_or("");
    const DestinationCheck check = CheckDestination(destination, source);
    switch (check.verdict) {
    case DestinationVerdict::kOk:
        break;
    case DestinationVerdict::kInvalid:
        Warn(parent, TextOf(kTextInvalidPath) + QStringLiteral("\n\n") + ToQ(check.message));
        return;
    case DestinationVerdict::kSameDrive:
        if (!AskYesNo(parent, ToQ(check.message) + QStringLiteral("\n\n") + TextOf(kTextSameDrive)))
            return;
        break;
    case DestinationVerdict::kMissing:
        if (!AskYesNo(parent, Format(kTextCreate, {platform::Utf8ToUtf16(destination)}))) return;
        if (!platform::MakeDirectory(destination)) {
            Warn(parent, TextOf(kTextInvalidPath));
            return;
        }
        break;
    }

    WindowRecoveryObserver observer(parent);
    RecoveryJob job(letter, isNtfs, ExistingChoice::kPrompt, &observer);
    const std::u16string root = platform::Utf8ToUtf16(destination);
    job.SetDestinationRoot(root);
    CProgressMgr& progress = CProgressMgr::Instance();
    progress.Start(kBarRange);
    progress.SetMode(kProgressRecovery);
    progress.Show();
    job.Recover(row.record, root);
    progress.SetCounterTotal(0);
    progress.Close();
    if (!job.Failures().empty()) {
        const FileReport& failed = job.Failures().front();
        Warn(parent,
             Format(kTextWriteFailed, {failed.path, platform::Utf8ToUtf16(DescribeReason(
                                                        failed.reason, failed.systemError))}));
    }
}
