#include "ui/widgets/GradientProgressBar.h"

#include <QLinearGradient>
#include <QPainter>

GradientProgressBar::GradientProgressBar(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(16);
}

void GradientProgressBar::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum < minimum ? minimum : maximum;
    SetPosition(m_pos);
}

void GradientProgressBar::SetPosition(int position) {
    m_pos = position < m_min ? m_min : position > m_max ? m_max : position;
    update();
}

void GradientProgressBar::Advance() {
    if (m_animated) {
        m_phase = (m_phase + 2) % 100;
        update();
        return;
    }
    int next = m_pos + m_step;
    if (next > m_max) next = m_min; // a step past the end starts over, as a bar control does
    SetPosition(next);
}

void GradientProgressBar::SetAnimated(bool animated) {
    m_animated = animated;
    m_phase = 0;
    if (animated) m_showText = false;
    update();
}

void GradientProgressBar::SetShowText(bool show) {
    m_showText = show;
    update();
}

void GradientProgressBar::paintEvent(QPaintEvent*) {
    QPainter g(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    g.setPen(QColor(120, 130, 140));
    g.setBrush(QColor(250, 250, 246));
    g.drawRect(frame);
    const QRect inner = frame.adjusted(2, 2, -1, -1);
    QLinearGradient fill(inner.topLeft(), inner.topRight());
    fill.setColorAt(0, QColor(24, 125, 49));
    fill.setColorAt(1, QColor(159, 211, 160));
    QRect done;
    if (m_animated) {
        const int block = inner.width() / 4;
        const int x = inner.left() + (inner.width() + block) * m_phase / 100 - block;
        done = QRect(x, inner.top(), block, inner.height()).intersected(inner);
    } else if (m_max > m_min) {
        const qint64 w = static_cast<qint64>(inner.width()) * (m_pos - m_min) / (m_max - m_min);
        done = QRect(inner.left(), inner.top(), static_cast<int>(w), inner.height());
    }
    g.fillRect(done, fill);
    if (m_showText && !m_animated && m_max > m_min) {
        const int percent =
            static_cast<int>(static_cast<qint64>(m_pos - m_min) * 100 / (m_max - m_min));
        g.setPen(QColor(20, 20, 20));
        g.drawText(frame, Qt::AlignCenter, QStringLiteral("%1%").arg(percent));
    }
}
