#include "ui/dialogs/CProgressDlg.h"

#include "jobs/ProgressSink.h"
#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/format/TextFormat.h"
#include "ui/resources/DialogIds.h"
#include "ui/settings/LangText.h"
#include "ui/widgets/GradientProgressBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

namespace dlg = resources::dlg;

constexpr int kWidth = 460;
constexpr int kAnimationMs = 50;
constexpr unsigned kTextStatus = 30;
constexpr unsigned kTextElapsed = 35;
constexpr unsigned kTextRemaining = 36;
constexpr unsigned kTextCancel = 49;
constexpr int kLastMode = kProgressVolumeSearch;
// The search for lost volumes, beyond the classic set of texts.
constexpr unsigned kTextSearchCaption = 200;
constexpr unsigned kTextSearchQuestion = 201;

// A key's text; the texts beyond the classic set bring their own built-in wording.
QString ModeText(unsigned key) {
    if (key == kTextSearchCaption) return ToQ(LangText(key, u"Searching for Lost Volumes"));
    if (key == kTextSearchQuestion)
        return ToQ(LangText(key, u"Stop the search? The volumes found so far are kept."));
    return ToQ(LangText(key));
}

QString TimeLine(unsigned key, int32_t seconds) {
    const TaskTimer::Clock3 c = TaskTimer::Split(seconds);
    return ToQ(textformat::Format(LangText(key),
                                  {int64_t{c.hours}, int64_t{c.minutes}, int64_t{c.seconds}}));
}

} // namespace

unsigned CProgressDlg::CaptionKey(int mode) {
    static constexpr unsigned keys[] = {0, 26, 27, 26, 27, 28, 29, kTextSearchCaption};
    return mode >= 1 && mode <= kLastMode ? keys[mode] : 0;
}

int CProgressDlg::Height(int mode) {
    // The recovery (5) shows its times and its rate as well.
    static constexpr int heights[] = {0, 160, 160, 130, 160, 160, 160, 160};
    return mode >= 1 && mode <= kLastMode ? heights[mode] : 0;
}

unsigned CProgressDlg::QuestionKey(int mode) {
    static constexpr unsigned keys[] = {0, 37, 37, 37, 37, 38, 39, kTextSearchQuestion};
    return mode >= 1 && mode <= kLastMode ? keys[mode] : 0;
}

CProgressDlg::CProgressDlg(QWidget* parent, std::atomic<bool>& cancelled)
    : CMultiLanguageDlg(dlg::kProgress, parent), m_cancelled(cancelled) {
    setWindowTitle(TextOf(29));
    setWindowModality(Qt::ApplicationModal);
    // Fixed positions: a smaller height cuts off the lines below it (the time lines a mode does
    // not keep), as the heights of the modes intend.
    m_status = new QLabel(TextOf(kTextStatus), this);
    m_status->setGeometry(12, 10, 340, 22);
    SetControlId(m_status, dlg::kProgressStatus);
    m_cancel = new QPushButton(TextOf(kTextCancel), this);
    m_cancel->setGeometry(362, 8, 86, 28);
    SetControlId(m_cancel, dlg::kIdCancel);
    m_bar = new GradientProgressBar(this);
    m_bar->setGeometry(12, 42, 436, 22);
    SetControlId(m_bar, dlg::kProgressBar);
    m_counter = new QLabel(this);
    m_counter->setGeometry(12, 70, 436, 20);
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetControlId(m_counter, dlg::kProgressCounter);
    m_elapsed = new QLabel(QStringLiteral("Time Elapsed:"), this);
    m_elapsed->setGeometry(12, 96, 436, 20);
    SetControlId(m_elapsed, dlg::kProgressElapsed);
    m_remaining = new QLabel(QStringLiteral("Time Remaining:"), this);
    m_remaining->setGeometry(12, 122, 436, 20);
    SetControlId(m_remaining, dlg::kProgressRemaining);
    m_rate = new QLabel(this);
    m_rate->setObjectName(QStringLiteral("progressRate"));
    m_rate->setGeometry(12, 70, 300, 20);
    connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::OnCancel);
    m_animation.setInterval(kAnimationMs);
    connect(&m_animation, &QTimer::timeout, this, &CProgressDlg::OnAnimationTick);
    setFixedSize(kWidth, Height(1));
}

void CProgressDlg::SetClock(TaskTimer::Clock clock) {
    m_clock = clock;
    m_timer = TaskTimer(clock);
}

void CProgressDlg::StartJob(uint32_t steps) {
    m_position = 0;
    m_maximum = static_cast<int>(steps > 0x7FFFFFFFu ? 0x7FFFFFFFu : steps);
    m_step = 1;
    m_cancelled = false;
    m_parentBlocked = false;
    m_timer = TaskTimer(m_clock);
    m_timer.Start(steps);
    m_externalTimes = false;
    m_rate->clear();
    m_lastPump.invalidate();
}

void CProgressDlg::SetMode(int mode) {
    if (mode == 3 || mode < 1 || mode > kLastMode) {
        m_bar->SetAnimated(true);
        m_animation.start();
    } else {
        m_animation.stop();
        m_bar->SetAnimated(false);
        m_bar->SetShowText(true);
    }
    m_cancel->setText(TextOf(kTextCancel));
    m_mode = mode;
}

void CProgressDlg::ShowJob() {
    show();
    m_bar->SetRange(0, m_maximum);
    m_bar->SetStep(m_step);
    m_bar->SetPosition(m_position);
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner && owner->isEnabled() && !m_parentBlocked) {
        move(owner->geometry().center() - QPoint(width() / 2, Height(m_mode > 0 ? m_mode : 1) / 2));
        m_parentBlocked = true; // application-modal: the owner takes no input until close
    }
    if (m_mode >= 1 && m_mode <= kLastMode) {
        setWindowTitle(ModeText(CaptionKey(m_mode)));
        setFixedSize(kWidth, Height(m_mode));
    }
    // A line the height cuts through is hidden whole rather than shown in part.
    for (QLabel* line : {m_counter, m_elapsed, m_remaining})
        line->setVisible(line->geometry().bottom() < height());
    m_status->setText(TextOf(kTextStatus));
    UpdateTimes();
}

bool CProgressDlg::PumpIfDue() {
    if (m_lastPump.isValid() && m_lastPump.elapsed() < kPumpIntervalMs) return false;
    Pump();
    return true;
}

void CProgressDlg::Pump() {
    m_lastPump.start();
    ++m_pumps;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void CProgressDlg::StepJob(bool pump) {
    if (!isVisible() && !m_cancelled) show();
    const bool pumped = pump && PumpIfDue();
    m_bar->Advance();
    m_position = m_bar->Position();
    if (pumped) m_bar->repaint();
    m_timer.Tick();
    UpdateTimes();
}

void CProgressDlg::SetStatus(const QString& text) {
    m_status->setText(text);
}

void CProgressDlg::SetPosition(int position, bool pump) {
    if (pump) PumpIfDue();
    m_position = position;
    m_bar->SetPosition(position);
}

void CProgressDlg::SetRange(int maximum) {
    m_position = 0;
    m_maximum = maximum;
    m_bar->SetRange(0, maximum);
    m_bar->SetPosition(0);
}

void CProgressDlg::SetCounterTotal(int total) {
    m_counterTotal = total;
    m_counterValue = 0;
    m_counter->clear();
}

void CProgressDlg::CountOne() {
    ++m_counterValue;
    m_counter->setText(QStringLiteral("%1/%2").arg(m_counterValue).arg(m_counterTotal));
}

void CProgressDlg::CloseJob() {
    ++m_session;
    if (m_question) m_question->done(QMessageBox::No); // the question is moot now
    m_animation.stop();
    m_parentBlocked = false;
    hide();
}

QString CProgressDlg::StatusText() const {
    return m_status->text();
}
QString CProgressDlg::ElapsedText() const {
    return m_elapsed->text();
}
QString CProgressDlg::RemainingText() const {
    return m_remaining->text();
}
QString CProgressDlg::CounterText() const {
    return m_counter->text();
}
QString CProgressDlg::RateText() const {
    return m_rate->text();
}

void CProgressDlg::SetTimes(int32_t elapsedSeconds, int32_t remainingSeconds, const QString& rate) {
    m_externalTimes = true;
    m_elapsed->setText(TimeLine(kTextElapsed, elapsedSeconds));
    m_remaining->setText(TimeLine(kTextRemaining, remainingSeconds));
    m_rate->setText(rate);
}

void CProgressDlg::UpdateTimes() {
    if (m_externalTimes) return;
    m_elapsed->setText(TimeLine(kTextElapsed, m_timer.ElapsedSeconds()));
    m_remaining->setText(TimeLine(kTextRemaining, m_timer.RemainingSeconds()));
}

void CProgressDlg::OnAnimationTick() {
    m_bar->Advance();
    m_timer.Tick();
    UpdateTimes();
}

void CProgressDlg::reject() {
    OnCancel(); // Escape asks like Cancel does
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}

void CProgressDlg::OnCancel() {
    const int mode = m_mode;
    if (mode < 1 || mode > kLastMode || m_question || !isVisible()) return;
    const unsigned session = m_session;
    m_question = MakeQuestion(this, ModeText(QuestionKey(mode)));
    const int answer = m_question->exec();
    delete m_question.data();
    // A job that ended while the question was open has nothing left to cancel.
    if (answer != QMessageBox::Yes || session != m_session || !isVisible()) return;
    m_cancelled = true;
    m_parentBlocked = false;
    Q_EMIT cancelConfirmed(mode);
    ++m_session;
    m_animation.stop();
    hide();
}
