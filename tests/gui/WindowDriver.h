#pragma once
// Driving modal dialogs from a window test: an action runs on a dialog of a given type as soon
// as it shows (from a polling timer, so it also runs inside the dialog's own event loop), and
// rows of a scanned drive are found by path.
#include "store/ScanRow.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

namespace guitest {

template <class Dialog> class OnShown : public QObject {
public:
    // action runs once per opening of a Dialog (times: at most that many openings).
    explicit OnShown(std::function<void(Dialog*)> action, int times = 1)
        : m_action(std::move(action)), m_times(times) {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start();
    }
    int Runs() const { return m_runs; }

private:
    void Poll() {
        if (m_runs >= m_times || m_busy) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<Dialog*>(w);
            if (!d || !d->isVisible() || d == m_last) continue;
            m_last = d;
            ++m_runs;
            m_busy = true;
            m_action(d);
            m_busy = false;
            return;
        }
    }
    std::function<void(Dialog*)> m_action;
    int m_times;
    int m_runs = 0;
    bool m_busy = false;
    QPointer<Dialog> m_last;
    QTimer m_timer;
};

// The row at a path below the drive's root ("Docs/readme.txt"); a live row before a deleted
// namesake.
std::optional<ScanRow> RowAt(char letter, uint64_t root, const std::string& path);

} // namespace guitest
