#include "practices/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace practices {

namespace {

constexpr int kSize = 32;

// A sheet of paper with a folded corner: the base of the record pictures.
void paper(QPainter& p) {
    QPainterPath path;
    path.moveTo(7, 3);
    path.lineTo(20, 3);
    path.lineTo(26, 9);
    path.lineTo(26, 29);
    path.lineTo(7, 29);
    path.closeSubpath();
    p.setPen(QPen(QColor(0x55, 0x5d, 0x6b), 1.5));
    p.setBrush(QColor(0xfb, 0xfb, 0xf6));
    p.drawPath(path);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
    p.setPen(QPen(QColor(0xb0, 0xb6, 0xc0), 1.2));
    for (int y = 13; y <= 25; y += 4) p.drawLine(QPointF(10, y), QPointF(23, y));
}

void badge(QPainter& p, const QColor& colour) {
    p.setPen(QPen(colour.darker(130), 1.2));
    p.setBrush(colour);
    p.drawEllipse(QRectF(15, 15, 15, 15));
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
}

void drawInsert(QPainter& p) {
    paper(p);
    badge(p, QColor(0x2e, 0x9d, 0x46));
    p.drawLine(QPointF(22.5, 18.5), QPointF(22.5, 26.5));
    p.drawLine(QPointF(18.5, 22.5), QPointF(26.5, 22.5));
}

void drawNumber(QPainter& p) {
    p.setPen(QPen(QColor(0x2b, 0x5c, 0xa8), 1.5));
    p.setBrush(QColor(0xe4, 0xee, 0xfb));
    p.drawRoundedRect(QRectF(3, 6, 26, 20), 4, 4);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(QColor(0x1d, 0x3f, 0x78));
    p.drawText(QRectF(3, 6, 26, 20), Qt::AlignCenter, QStringLiteral("N°"));
}

void drawModify(QPainter& p) {
    paper(p);
    // A pencil across the sheet.
    p.save();
    p.translate(20, 20);
    p.rotate(-45);
    p.setPen(QPen(QColor(0x7a, 0x4a, 0x10), 1));
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawRect(QRectF(-9, -2.5, 14, 5));
    p.setBrush(QColor(0xe8, 0x8a, 0x9a));
    p.drawRect(QRectF(5, -2.5, 3, 5));
    QPainterPath tip;
    tip.moveTo(-9, -2.5);
    tip.lineTo(-14, 0);
    tip.lineTo(-9, 2.5);
    tip.closeSubpath();
    p.setBrush(QColor(0xf5, 0xde, 0xb3));
    p.drawPath(tip);
    p.restore();
}

void drawPrint(QPainter& p) {
    p.setPen(QPen(QColor(0x44, 0x48, 0x50), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 10));
    p.setBrush(QColor(0x8a, 0x93, 0xa1));
    p.drawRoundedRect(QRectF(3, 11, 26, 12), 3, 3);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 19, 14, 10));
    p.setPen(QPen(QColor(0xa0, 0xa6, 0xae), 1));
    p.drawLine(QPointF(11, 23), QPointF(21, 23));
    p.drawLine(QPointF(11, 26), QPointF(21, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5c, 0xd6, 0x5c));
    p.drawEllipse(QRectF(23, 14, 3, 3));
}

void drawClear(QPainter& p) {
    // An eraser over a line of text.
    p.setPen(QPen(QColor(0x9a, 0xa0, 0xa8), 1.5));
    p.drawLine(QPointF(3, 28), QPointF(29, 28));
    p.save();
    p.translate(16, 16);
    p.rotate(-35);
    p.setPen(QPen(QColor(0x6b, 0x3a, 0x55), 1.2));
    p.setBrush(QColor(0xf0, 0x8c, 0xb4));
    p.drawRoundedRect(QRectF(-11, -5, 13, 10), 2, 2);
    p.setBrush(QColor(0x4f, 0x86, 0xd8));
    p.drawRoundedRect(QRectF(2, -5, 9, 10), 2, 2);
    p.restore();
}

void drawDelete(QPainter& p) {
    paper(p);
    badge(p, QColor(0xc8, 0x32, 0x2d));
    p.drawLine(QPointF(19.5, 19.5), QPointF(25.5, 25.5));
    p.drawLine(QPointF(25.5, 19.5), QPointF(19.5, 25.5));
}

void drawExit(QPainter& p) {
    // An open door with an arrow leaving through it.
    p.setPen(QPen(QColor(0x55, 0x3b, 0x22), 1.5));
    p.setBrush(QColor(0xd9, 0xc1, 0x9a));
    p.drawRect(QRectF(4, 3, 14, 26));
    p.setBrush(QColor(0x9c, 0x6b, 0x3c));
    QPainterPath door;
    door.moveTo(4, 3);
    door.lineTo(12, 7);
    door.lineTo(12, 31);
    door.lineTo(4, 29);
    door.closeSubpath();
    p.drawPath(door);
    p.setPen(QPen(QColor(0x2e, 0x9d, 0x46), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(16, 16), QPointF(28, 16));
    p.drawLine(QPointF(24, 12), QPointF(28, 16));
    p.drawLine(QPointF(24, 20), QPointF(28, 16));
}

} // namespace

QIcon toolbarIcon(int index) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1: drawInsert(p); break;
    case 2: drawNumber(p); break;
    case 3: drawModify(p); break;
    case 4: drawPrint(p); break;
    case 5: drawClear(p); break;
    case 6: drawDelete(p); break;
    case 7: drawExit(p); break;
    default: break;
    }
    p.end();
    return QIcon(pm);
}

QIcon sortIcon(bool byNumber, bool ascending) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(QColor(0x1d, 0x3f, 0x78));
    const QString first = byNumber ? QStringLiteral("1") : QStringLiteral("A");
    const QString last = byNumber ? QStringLiteral("9") : QStringLiteral("Z");
    p.drawText(QRectF(2, 1, 14, 14), Qt::AlignCenter, ascending ? first : last);
    p.drawText(QRectF(2, 17, 14, 14), Qt::AlignCenter, ascending ? last : first);
    // The arrow points the way the order grows.
    p.setPen(QPen(QColor(0x2e, 0x9d, 0x46), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(23, 4), QPointF(23, 28));
    p.drawLine(QPointF(19, 23), QPointF(23, 28));
    p.drawLine(QPointF(27, 23), QPointF(23, 28));
    p.end();
    return QIcon(pm);
}

} // namespace practices
