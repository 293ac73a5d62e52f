#pragma once
// The progress dialog shared by every long job (template 145): status line, bar, item counter,
// elapsed and remaining time, Cancel. Its size, caption and cancel question follow the job's
// mode. It is application-modal while shown: the rest of the program takes no input, but
// nothing is disabled, so closing it leaves every window as it was. Window-thread only; jobs
// on other threads reach it through CProgressMgr and signals.
#include "jobs/TaskTimer.h"
#include "ui/dialogs/CMultiLanguageDlg.h"

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

    int Mode() const { return m_mode; }
    bool ParentBlocked() const { return m_parentBlocked; }
    QString StatusText() const;
    QString ElapsedText() const;
    QString RemainingText() const;
    QString CounterText() const;
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

    std::atomic<bool>& m_cancelled;
    QLabel* m_status;
    QPushButton* m_cancel;
    GradientProgressBar* m_bar;
    QLabel* m_counter;
    QLabel* m_elapsed;
    QLabel* m_remaining;
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
