#include "app/CommandIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

// A sheet of paper with a folded corner, the base of the record pictures.
void sheet(QPainter& p, QColor fill = QColor(255, 255, 255)) {
    QPainterPath page;
    page.moveTo(6, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(6, 29);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 90, 130), 1.2));
    p.setBrush(fill);
    p.drawPath(page);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
    p.setPen(QPen(QColor(150, 170, 200), 1));
    for (int y = 13; y <= 25; y += 4) p.drawLine(9, y, 22, y);
}

void badge(QPainter& p, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(16, 16, 14, 14));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
}

void arrow(QPainter& p, QPointF from, QPointF to, QColor colour) {
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - d * 6 + n * 5);
    p.drawLine(to, to - d * 6 - n * 5);
}

void draw(QPainter& p, CommandPicture picture) {
    const QColor blue(40, 100, 200), green(40, 150, 70), red(200, 50, 50), orange(230, 140, 30), grey(90, 100, 120);
    switch (picture) {
    case CommandPicture::Add:
        sheet(p);
        badge(p, green);
        p.drawLine(QPointF(23, 19), QPointF(23, 27));
        p.drawLine(QPointF(19, 23), QPointF(27, 23));
        break;
    case CommandPicture::Modify:
        sheet(p);
        p.setPen(QPen(orange, 4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14, 27), QPointF(28, 13));
        p.setPen(QPen(grey, 2));
        p.drawLine(QPointF(12, 29), QPointF(14, 27));
        break;
    case CommandPicture::Delete:
        sheet(p);
        badge(p, red);
        p.drawLine(QPointF(20, 20), QPointF(26, 26));
        p.drawLine(QPointF(26, 20), QPointF(20, 26));
        break;
    case CommandPicture::Check:
        sheet(p);
        badge(p, green);
        p.drawLine(QPointF(19, 23), QPointF(22, 26));
        p.drawLine(QPointF(22, 26), QPointF(27, 19));
        break;
    case CommandPicture::Search:
        p.setPen(QPen(blue, 3));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QRectF(4, 4, 17, 17));
        p.setPen(QPen(grey, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
        break;
    case CommandPicture::Sum: {
        p.setPen(QPen(blue, 3.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        QPolygonF sigma{{24, 6}, {8, 6}, {17, 16}, {8, 26}, {24, 26}};
        p.drawPolyline(sigma);
        break;
    }
    case CommandPicture::Group:
        for (int i = 0; i < 3; ++i) {
            p.setPen(QPen(grey, 1));
            p.setBrush(QColor::fromHsv(40 + i * 70, 140, 240));
            p.drawRect(QRectF(4 + i * 3, 5 + i * 8, 22, 8));
        }
        break;
    case CommandPicture::ExportList:
        sheet(p);
        arrow(p, QPointF(12, 22), QPointF(29, 22), green);
        break;
    case CommandPicture::Print:
        p.setPen(QPen(grey, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(180, 190, 205));
        p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 19, 14, 10));
        p.setBrush(green);
        p.drawEllipse(QRectF(24, 15, 3, 3));
        break;
    case CommandPicture::Import:
        p.setPen(QPen(grey, 1.4));
        p.setBrush(QColor(250, 225, 150));
        p.drawRect(QRectF(4, 14, 24, 15));
        arrow(p, QPointF(16, 2), QPointF(16, 22), blue);
        break;
    case CommandPicture::Backup:
        p.setPen(QPen(QColor(40, 50, 80), 1.2));
        p.setBrush(QColor(60, 90, 160));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(200, 210, 230));
        p.drawRect(QRectF(8, 18, 16, 10));
        break;
    case CommandPicture::ReportOffline:
        p.setPen(QPen(grey, 1.4));
        p.setBrush(QColor(250, 225, 150));
        p.drawRect(QRectF(4, 18, 24, 11));
        arrow(p, QPointF(16, 24), QPointF(16, 3), red);
        break;
    case CommandPicture::ReportOnline:
        p.setPen(QPen(blue, 1.6));
        p.setBrush(QColor(210, 230, 255));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(3, 16, 29, 16);
        p.drawLine(6, 9, 26, 9);
        p.drawLine(6, 23, 26, 23);
        break;
    case CommandPicture::Compress:
        p.setPen(QPen(grey, 1.2));
        p.setBrush(QColor(200, 215, 235));
        p.drawRect(QRectF(8, 10, 16, 12));
        arrow(p, QPointF(16, 1), QPointF(16, 9), blue);
        arrow(p, QPointF(16, 31), QPointF(16, 23), blue);
        break;
    case CommandPicture::Options: {
        p.setPen(Qt::NoPen);
        p.setBrush(grey);
        p.translate(16, 16);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.rotate(45);
        }
        p.drawEllipse(QRectF(-10, -10, 20, 20));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(-4, -4, 8, 8));
        break;
    }
    case CommandPicture::Columns:
        p.setPen(QPen(grey, 1.2));
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i % 2 ? QColor(219, 219, 241) : QColor(249, 251, 231));
            p.drawRect(QRectF(3 + i * 6.5, 6, 6.5, 20));
        }
        p.setBrush(QColor(0, 200, 0));
        p.drawRect(QRectF(3, 3, 26, 5));
        break;
    }
}

} // namespace

QIcon commandIcon(CommandPicture picture) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, picture);
    p.end();
    return QIcon(pixmap);
}
