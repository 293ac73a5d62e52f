#include "ui/widgets/Icons.h"

#include "ui/resources/CommandIds.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace icons {

namespace {

namespace cmd = resources::cmd;

const QColor kDarkRed(99, 20, 16);
const QColor kGreen(24, 125, 49);
const QColor kBlue(47, 79, 122);

QPixmap Canvas(int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    return p;
}

void DrawDisk(QPainter& g, QRectF r, bool highlighted) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, highlighted ? QColor(130, 170, 220) : QColor(111, 143, 184));
    fill.setColorAt(1, kBlue);
    g.setPen(QPen(QColor(29, 51, 82), 1));
    g.setBrush(fill);
    g.drawRoundedRect(r, r.height() * 0.2, r.height() * 0.2);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(159, 211, 160));
    g.drawRect(QRectF(r.left() + r.width() * 0.15, r.bottom() - r.height() * 0.3, r.width() * 0.45,
                      r.height() * 0.12));
}

void DrawMagnifier(QPainter& g, QPointF centre, qreal radius, QColor ring) {
    g.setBrush(QColor(255, 251, 234, 220));
    g.setPen(QPen(ring, radius * 0.35));
    g.drawEllipse(centre, radius, radius);
    g.setPen(QPen(ring, radius * 0.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = centre + QPointF(radius * 0.75, radius * 0.75);
    g.drawLine(handle, handle + QPointF(radius * 0.8, radius * 0.8));
}

void DrawFolder(QPainter& g, QRectF r, QColor body) {
    QPainterPath tab;
    tab.addRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 1, 1);
    g.setPen(QPen(body.darker(160), 1));
    g.setBrush(body.darker(115));
    g.drawPath(tab);
    g.setBrush(body);
    g.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.18, r.width(), r.height() * 0.82),
                      1.5, 1.5);
}

QPixmap ToolbarPixmap(unsigned id) {
    QPixmap p = Canvas(24);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case cmd::kQuickScan:
        DrawDisk(g, QRectF(1, 5, 17, 12), false);
        DrawMagnifier(g, QPointF(15, 14), 4.5, kGreen);
        break;
    case cmd::kFullScan:
        DrawDisk(g, QRectF(1, 3, 17, 8), false);
        DrawDisk(g, QRectF(1, 12, 17, 8), false);
        DrawMagnifier(g, QPointF(15, 14), 4.5, kDarkRed);
        break;
    case cmd::kRecoverMarked: {
        DrawFolder(g, QRectF(2, 8, 18, 13), QColor(240, 200, 90));
        g.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        g.setBrush(Qt::NoBrush);
        QPainterPath arrow;
        arrow.moveTo(18, 2);
        arrow.cubicTo(10, 2, 8, 6, 9, 12);
        g.drawPath(arrow);
        g.drawLine(QPointF(9, 12), QPointF(6, 9));
        g.drawLine(QPointF(9, 12), QPointF(12.5, 9.5));
        break;
    }
    case cmd::kFindFile: {
        g.setPen(QPen(QColor(120, 120, 120), 1));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(3, 2, 12, 16));
        g.setPen(QPen(QColor(160, 160, 160), 1));
        for (int y = 6; y <= 14; y += 3)
            g.drawLine(5, y, 13, y);
        DrawMagnifier(g, QPointF(15, 14), 4.5, kBlue);
        break;
    }
    case cmd::kAdvancedSearch:
        DrawFolder(g, QRectF(2, 3, 16, 12), QColor(240, 200, 90));
        DrawMagnifier(g, QPointF(14, 14), 5, kBlue);
        break;
    case cmd::kAboutButton:
    case cmd::kAbout: {
        g.setPen(QPen(kBlue, 1.5));
        g.setBrush(QColor(220, 232, 248));
        g.drawEllipse(QRectF(2, 2, 20, 20));
        QFont f = g.font();
        f.setBold(true);
        f.setPixelSize(15);
        g.setFont(f);
        g.setPen(kBlue);
        g.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("i"));
        break;
    }
    default:
        g.setPen(QPen(kBlue, 1));
        g.drawRect(QRectF(4, 4, 16, 16));
        break;
    }
    return p;
}

} // namespace

QIcon Application() {
    QPixmap p = Canvas(64);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    DrawDisk(g, QRectF(6, 14, 44, 36), false);
    DrawMagnifier(g, QPointF(44, 40), 11, kDarkRed);
    g.setPen(QPen(kGreen, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.drawLine(QPointF(38, 40), QPointF(42, 44));
    g.drawLine(QPointF(42, 44), QPointF(50, 35));
    return QIcon(p);
}

QIcon Toolbar(unsigned commandId) {
    return QIcon(ToolbarPixmap(commandId));
}

QIcon Tree(int image) {
    QPixmap p = Canvas(16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case kComputer:
        g.setPen(QPen(QColor(60, 60, 60), 1));
        g.setBrush(QColor(170, 200, 235));
        g.drawRect(QRectF(1.5, 1.5, 13, 9));
        g.setBrush(QColor(120, 120, 120));
        g.drawRect(QRectF(5.5, 11.5, 5, 2));
        g.drawRect(QRectF(2.5, 13.5, 11, 1.5));
        break;
    case kDrive:
    case kDriveSelected:
        DrawDisk(g, QRectF(1, 4, 14, 9), image == kDriveSelected);
        break;
    case kFolder:
        DrawFolder(g, QRectF(1, 2, 14, 12), QColor(240, 200, 90));
        break;
    case kFolderDeleted:
        DrawFolder(g, QRectF(1, 2, 14, 12), QColor(200, 200, 200));
        g.setPen(QPen(QColor(200, 30, 30), 2));
        g.drawLine(QPointF(9, 8), QPointF(14, 13));
        g.drawLine(QPointF(14, 8), QPointF(9, 13));
        break;
    case kFolderWithDeleted:
    default:
        DrawFolder(g, QRectF(1, 2, 14, 12), QColor(240, 200, 90));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(200, 30, 30));
        g.drawEllipse(QRectF(9, 8, 6, 6));
        break;
    }
    return QIcon(p);
}

} // namespace icons
