#pragma once
// The main toolbar: 24 x 24 images with their captions under them, every button as wide and as
// tall as the widest and tallest caption needs.
#include <QToolBar>

class CToolBarAutoSizeText : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBarAutoSizeText(const QString& title, QWidget* parent = nullptr);

    // Gives every button the size of the largest one (after captions change).
    void SizeButtons();
    QSize ButtonSize() const { return m_buttonSize; }

private:
    QSize m_buttonSize;
};
