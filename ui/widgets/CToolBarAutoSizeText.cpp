#include "ui/widgets/CToolBarAutoSizeText.h"

#include <QToolButton>

CToolBarAutoSizeText::CToolBarAutoSizeText(const QString& title, QWidget* parent)
    : QToolBar(title, parent) {
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(24, 24));
    setMovable(true);
}

void CToolBarAutoSizeText::SizeButtons() {
    QSize largest(0, 0);
    const auto buttons = findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (QToolButton* b : buttons) {
        b->setMinimumSize(0, 0);
        b->adjustSize();
        largest = largest.expandedTo(b->sizeHint());
    }
    for (QToolButton* b : buttons)
        b->setMinimumSize(largest);
    m_buttonSize = largest;
}
