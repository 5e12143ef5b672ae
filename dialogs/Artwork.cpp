#include "dialogs/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The slot colours of the calendar, as the emblem's painted days show them.
const QColor DayColours[] = {QColor(187, 255, 187), QColor(187, 187, 255), QColor(255, 17, 238),
                             QColor(255, 187, 187), QColor(255, 240, 119), QColor(238, 238, 238)};

} // namespace

void DrawEmblem(QPainter& painter, const QRectF& square)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = square.width() / 16.0;
    const QRectF page = square.adjusted(unit, unit * 1.5, -unit, -unit);
    // The page with its binding strip.
    QPainterPath outline;
    outline.addRoundedRect(page, unit, unit);
    painter.fillPath(outline, QColor(255, 255, 255));
    const QRectF strip(page.left(), page.top(), page.width(), unit * 3);
    QPainterPath top;
    top.addRoundedRect(strip, unit, unit);
    painter.fillPath(top, QColor(44, 82, 130));
    painter.setPen(QPen(QColor(44, 82, 130), unit * 0.6));
    painter.drawPath(outline);
    // Two rings over the strip.
    painter.setPen(QPen(QColor(90, 90, 90), unit * 0.7, Qt::SolidLine, Qt::RoundCap));
    for (const qreal x : {page.left() + page.width() * 0.3, page.left() + page.width() * 0.7})
        painter.drawLine(QPointF(x, square.top() + unit * 0.5), QPointF(x, strip.top() + unit * 1.5));
    // A grid of days, some painted with schedules.
    const qreal cellWidth = (page.width() - unit * 2) / 4;
    const qreal cellHeight = (page.bottom() - strip.bottom() - unit * 2) / 3;
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            const QRectF cell(page.left() + unit + column * cellWidth, strip.bottom() + unit + row * cellHeight,
                              cellWidth - unit * 0.5, cellHeight - unit * 0.5);
            const int index = (row * 4 + column) % 7;
            painter.setBrush(index == 6 ? QColor(230, 230, 230) : DayColours[index % 6]);
            painter.drawRoundedRect(cell, unit * 0.4, unit * 0.4);
        }
    }
    painter.restore();
}

QPixmap EmblemPixmap(int size, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawEmblem(painter, QRectF(0, 0, size, size));
    return pixmap;
}

QPixmap SplashPixmap(QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, QColor(236, 242, 250));
    sky.setColorAt(1, QColor(205, 220, 238));
    painter.fillRect(area, sky);
    const qreal emblem = area.height() * 0.55;
    DrawEmblem(painter, QRectF(area.width() * 0.06, area.height() * 0.12, emblem, emblem));
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(int(area.height() * 0.2));
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(44, 82, 130));
    const QRectF text(area.width() * 0.1 + emblem, area.height() * 0.12, area.width(), emblem * 0.6);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Grafenta"));
    QFont subtitle = title;
    subtitle.setBold(false);
    subtitle.setPixelSize(int(area.height() * 0.075));
    painter.setFont(subtitle);
    painter.setPen(QColor(60, 60, 60));
    painter.drawText(text.translated(0, emblem * 0.5), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Plany pracy i harmonogramy"));
    // A strip of painted days along the bottom.
    const qreal cell = area.width() / 21.0;
    for (int i = 0; i < 21; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(i % 7 == 6 ? QColor(240, 240, 240) : DayColours[i % 6]);
        painter.drawRect(QRectF(i * cell, area.height() - cell * 0.6, cell - 1, cell * 0.6));
    }
    return pixmap;
}
