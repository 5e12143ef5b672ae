#include "editor/WindowStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>

#include <cmath>

namespace {

enum class Picture : uint8_t { Close, Float, MoreRight, MoreLeft, MoreDown };

// A picture drawn at the size asked for, sharp at any size and resolution.
// Drawn on a grid of 10 units, in the grey of the style's own pictures;
// lighter when disabled.
class DrawnIcon : public QIconEngine
{
public:
    explicit DrawnIcon(Picture picture) : m_picture(picture) {}

    QIconEngine* clone() const override { return new DrawnIcon(m_picture); }

    // A title button takes the room the style's own picture takes; the
    // picture in it is drawn 10 pixels across, a whole multiple on larger
    // screens, so that its lines stay sharp.
    QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override
    {
        return TitleButton() ? size.boundedTo(QSize(13, 13)) : size;
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State /*state*/) override
    {
        qreal side = std::min(rect.width(), rect.height());
        if (TitleButton() && side > 10) side = 10 * std::floor(side / 10);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + std::floor((rect.width() - side) / 2),
                           rect.y() + std::floor((rect.height() - side) / 2));
        painter->scale(side / 10, side / 10);
        const QColor ink = mode == QIcon::Disabled ? QColor(170, 170, 170) : QColor(110, 110, 110);
        QPen pen(ink, 1.0);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setBrush(Qt::NoBrush);
        switch (m_picture) {
        case Picture::Close:
            painter->setPen(pen);
            painter->drawRoundedRect(QRectF(0.5, 0.5, 9, 9), 1, 1);
            // The cross in whole pixels, as sharp as the frame.
            for (int step = 0; step < 6; ++step) {
                painter->fillRect(QRectF(2 + step, 2 + step, 2, 1), ink);
                painter->fillRect(QRectF(6 - step, 2 + step, 2, 1), ink);
            }
            break;
        case Picture::Float:
            painter->setPen(pen);
            painter->drawRect(QRectF(3.5, 0.5, 6, 6));
            painter->setBrush(QColor(255, 255, 255, 200));
            painter->drawRect(QRectF(0.5, 3.5, 6, 6));
            break;
        case Picture::MoreRight:
        case Picture::MoreLeft:
        case Picture::MoreDown: {
            // Two chevrons pointing where the rest of the bar is.
            if (m_picture == Picture::MoreDown) {
                painter->translate(10, 0);
                painter->rotate(90);
            } else if (m_picture == Picture::MoreLeft) {
                painter->translate(10, 0);
                painter->scale(-1, 1);
            }
            pen.setWidthF(1.4);
            painter->setPen(pen);
            for (const qreal left : {1.5, 5.0}) {
                QPainterPath chevron(QPointF(left, 2));
                chevron.lineTo(left + 3, 5);
                chevron.lineTo(left, 8);
                painter->drawPath(chevron);
            }
            break;
        }
        }
        painter->restore();
    }

private:
    bool TitleButton() const { return m_picture == Picture::Close || m_picture == Picture::Float; }

    Picture m_picture;
};

} // namespace

WindowStyle::WindowStyle(QStyle* base) : QProxyStyle(base) {}

QIcon WindowStyle::standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const
{
    const bool rightToLeft = (option ? option->direction : QGuiApplication::layoutDirection()) == Qt::RightToLeft;
    switch (picture) {
    case SP_TitleBarCloseButton:
    case SP_DockWidgetCloseButton:
        return QIcon(new DrawnIcon(Picture::Close));
    case SP_TitleBarNormalButton:
        return QIcon(new DrawnIcon(Picture::Float));
    case SP_ToolBarHorizontalExtensionButton:
        return QIcon(new DrawnIcon(rightToLeft ? Picture::MoreLeft : Picture::MoreRight));
    case SP_ToolBarVerticalExtensionButton:
        return QIcon(new DrawnIcon(Picture::MoreDown));
    default:
        return QProxyStyle::standardIcon(picture, option, widget);
    }
}

void UseWindowStyle()
{
    QApplication::setStyle(new WindowStyle(QApplication::style()));
}
