#pragma once
// A label that shows its text as a link and opens a target when clicked (through OpenUrl).
#include <QLabel>

class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(QWidget* parent = nullptr);
    // Shows text as a link to target.
    void SetLink(const QString& text, const QString& target);
    const QString& Target() const { return m_target; }
    const QString& LinkText() const { return m_text; }

private:
    QString m_text;
    QString m_target;
};
