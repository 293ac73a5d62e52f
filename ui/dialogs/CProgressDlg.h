#pragma once
// The progress dialog shared by every long job (template 145): status line, bar, item counter,
// elapsed and remaining time, Cancel. Its size, caption and cancel question follow the job's
// mode. It is application-modal while shown: the rest of the program takes no input, but
// nothing is disabled, so closing it leaves every window as it was. Window-thread only; jobs
// on other threads reach it through CProgressMgr and signals.
#include "jobs/TaskTimer.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <atomic>

class GradientProgressBar;
class QLabel;

class QPushButton;

class CProgressDlg : public CMultiLanguageDlg {
    Q_OBJECT
public:
    // cancelled: the flag jobs read (it outlives the dialog).
    CProgressDlg(QWidget* parent, std::atomic<bool>& cancelled);

    void StartJob(uint32_t steps);
    void SetMode(int mode);
    void ShowJob();
    // pump: let the window thread handle pending events first (for jobs that run on it).
    void StepJob(bool pump);
    void SetStatus(const QString& text);
    void SetPosition(int position, bool pump);
    void SetRange(int maximum);
    void SetCounterTotal(int total);
    void CountOne();
    void CloseJob();
    void SetClock(TaskTimer::Clock clock);
    // For jobs that measure their own pace (bytes written): the time lines and the rate line
    // ("812.4 MB/s") from the job instead of the step clock.
    void SetTimes(int32_t elapsedSeconds, int32_t remainingSeconds, const QString& rate);
    // Whether the window thread was let run since interval ms ago; a job that reports many
    // small steps pumps events and repaints at most this often.
    static constexpr int kPumpIntervalMs = 60;
    // Lets the window thread handle its pending events now, whenever the last pump was.
    void Pump();
    // Events pumped by the reports so far (tests: a fast job pumps rarely).
    int PumpCount() const { return m_pumps; }

    int Mode() const { return m_mode; }
    bool ParentBlocked() const { return m_parentBlocked; }
    QString StatusText() const;
    QString ElapsedText() const;
    QString RemainingText() const;
    QString CounterText() const;
    QString RateText() const;
    GradientProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }
    const TaskTimer& Timer() const { return m_timer; }
    // The cancel question while it is open.
    QMessageBox* Question() const { return m_question; }

    // Caption key, height and cancel question key of a mode (0 for modes outside 1..6).
    static unsigned CaptionKey(int mode);
    static int Height(int mode);
    static unsigned QuestionKey(int mode);

Q_SIGNALS:
    // The user confirmed a cancel (message 2030): mode of the job.
    void cancelConfirmed(int mode);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCancel();
    void OnAnimationTick();
    void UpdateTimes();
    // Pumps the window thread's events when the last pump is kPumpIntervalMs old; true if it
    // did (the caller then repaints what changed).
    bool PumpIfDue();

    std::atomic<bool>& m_cancelled;
    QLabel* m_status;
    QPushButton* m_cancel;
    GradientProgressBar* m_bar;
    QLabel* m_counter;
    QLabel* m_elapsed;
    QLabel* m_remaining;
    QLabel* m_rate;
    QElapsedTimer m_lastPump;
    int m_pumps = 0;
    bool m_externalTimes = false;
    QTimer m_animation;
    TaskTimer m_timer;
    TaskTimer::Clock m_clock = nullptr;
    QPointer<QMessageBox> m_question;
    int m_mode = 0;
    int m_position = 0;
    int m_maximum = 100;
    int m_step = 1;
    int m_counterTotal = 0;
    int m_counterValue = 0;
    bool m_parentBlocked = false;
    unsigned m_session = 0; // counts closes: an answer to an older question is void
};
