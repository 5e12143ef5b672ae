#include "editor/ClearButton.h"

#include <QAction>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

namespace {

// A grey disc with a white cross, 16 pixels across, drawn sharp for screens
// of up to twice the usual resolution.
QIcon ClearIcon()
{
    constexpr qreal Ratio = 2.0;
    constexpr qreal Size = 16;
    QPixmap pixmap(QSize(int(Size * Ratio), int(Size * Ratio)));
    pixmap.setDevicePixelRatio(Ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawEllipse(QRectF(1, 1, Size - 2, Size - 2));
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

void AddClearButton(QLineEdit& field)
{
    QAction* clear = field.addAction(ClearIcon(), QLineEdit::TrailingPosition);
    clear->setObjectName(QStringLiteral("clearAction"));
    clear->setText(QStringLiteral("Wyczyść"));
    clear->setToolTip(QStringLiteral("Wyczyść pole"));
    clear->setVisible(false);
    QObject::connect(&field, &QLineEdit::textChanged, clear,
                     [clear](const QString& text) { clear->setVisible(!text.isEmpty()); });
    QObject::connect(clear, &QAction::triggered, &field, &QLineEdit::clear);
}
