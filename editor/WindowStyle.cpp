#include "editor/WindowStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleOption>
#include <QThread>

#include <array>
#include <cmath>
#include <cstdint>

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

WindowStyle::WindowStyle(QStyle* base)
    : QProxyStyle(base),
      // A frame drawn from the option alone; other styles also look at the
      // field itself (a hover, an animation).
      m_keepsFrames(baseStyle()->name().compare(QLatin1StringView("fusion"), Qt::CaseInsensitive) == 0)
{
}

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

void WindowStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    if (element == PE_FrameLineEdit && m_keepsFrames && DrawKeptFrame(option, painter, widget)) return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

bool WindowStyle::DrawKeptFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    // A picture stands in for the drawing only where it lands on whole
    // pixels as it is: painted into pixels (not a document, which keeps the
    // outline as drawn), moved, not turned or scaled, at a whole resolution,
    // drawn over what is there; and pictures are kept by the window's thread
    // alone.
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    const QPaintDevice* device = painter->device();
    const QPaintEngine* engine = painter->paintEngine();
    const QTransform& world = painter->worldTransform();
    if (!frame || !device || !engine || engine->type() != QPaintEngine::Raster ||
        QThread::currentThread() != QCoreApplication::instance()->thread() || option->rect.isEmpty() ||
        world.type() > QTransform::TxTranslate || world.dx() != std::round(world.dx()) ||
        world.dy() != std::round(world.dy()) || painter->opacity() != 1.0 ||
        painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const qreal scale = device->devicePixelRatio();
    if (scale != std::round(scale)) return false;

    // What the frame is drawn from: its size, its state and the colours of
    // its outline and of its focus (the name is made cheaply: fields are
    // painted by the dozen).
    const QPalette& colours = option->palette;
    const std::array<uint32_t, 8> drawnFrom{uint32_t(option->rect.width()),
                                            uint32_t(option->rect.height()),
                                            uint32_t(scale),
                                            uint32_t(option->state),
                                            uint32_t(option->direction),
                                            uint32_t(frame->lineWidth),
                                            colours.color(QPalette::Window).rgba(),
                                            colours.color(QPalette::Highlight).rgba()};
    const QString key =
        QLatin1StringView("grafenta-field-frame-") +
        QLatin1StringView(
            QByteArray::fromRawData(reinterpret_cast<const char*>(drawnFrom.data()), sizeof drawnFrom).toHex());
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(option->rect.size() * scale);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        QStyleOptionFrame placed = *frame;
        placed.rect.moveTo(0, 0);
        QPainter drawing(&picture);
        QProxyStyle::drawPrimitive(PE_FrameLineEdit, &placed, &drawing, widget);
        drawing.end();
        QPixmapCache::insert(key, picture);
    }
    painter->drawPixmap(option->rect.topLeft(), picture);
    return true;
}

void UseWindowStyle()
{
    QApplication::setStyle(new WindowStyle(QApplication::style()));
}
