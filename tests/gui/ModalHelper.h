#pragma once
// Acting on a modal dialog that a command opens with exec(): the action runs once the dialog
// of the expected class is the active modal widget (or never, after the time-out).
#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace guitest {

template <typename Dialog> void WhenModal(std::function<void(Dialog*)> act, int timeoutMs = 15000) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && !deadline.hasExpired()) return;
        timer->stop();
        timer->deleteLater();
        if (dialog) act(dialog);
    });
    timer->start();
}

} // namespace guitest
