#include "ui/list/ListIcons.h"

#include "ui/widgets/Icons.h"

#include <QPainter>
#include <QPixmap>

#include <array>

namespace listicons {

namespace {

QIcon File(bool deleted) {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor paper = deleted ? QColor(215, 215, 215) : QColor(255, 255, 255);
    g.setPen(QPen(QColor(90, 90, 90), 1));
    g.setBrush(paper);
    QPolygonF sheet;
    sheet << QPointF(3.5, 1.5) << QPointF(10.5, 1.5) << QPointF(13.5, 4.5) << QPointF(13.5, 14.5)
          << QPointF(3.5, 14.5);
    g.drawPolygon(sheet);
    g.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 6; y <= 12; y += 2)
        g.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
    if (deleted) {
        g.setPen(QPen(QColor(200, 30, 30), 2));
        g.drawLine(QPointF(8, 8), QPointF(14, 14));
        g.drawLine(QPointF(14, 8), QPointF(8, 14));
    }
    return QIcon(p);
}

} // namespace

const QIcon& Image(int index) {
    static const std::array<QIcon, 5> images = {File(false), icons::Tree(icons::kFolder),
                                                File(true), icons::Tree(icons::kFolderDeleted),
                                                icons::Tree(icons::kFolderWithDeleted)};
    return images[static_cast<std::size_t>(index < 0 || index > 4 ? 0 : index)];
}

} // namespace listicons
