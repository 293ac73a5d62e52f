#pragma once
// A progress bar drawn with a colour gradient and its percentage, or, in its animated style,
// a block that travels along the bar one step per Advance() (for jobs of unknown length).
#include <QWidget>

class GradientProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit GradientProgressBar(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    void SetStep(int step) { m_step = step; }
    // Advances by one step: the position in the counting style, the block in the animated one.
    void Advance();
    void SetAnimated(bool animated);
    // The text drawn on the bar ("%" of the position by default); cleared in the animated style.
    void SetShowText(bool show);

    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    int Position() const { return m_pos; }
    bool Animated() const { return m_animated; }
    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_step = 1;
    int m_phase = 0; // animated block position, 0..99
    bool m_animated = false;
    bool m_showText = true;
};
