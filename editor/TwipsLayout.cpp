#include "editor/TwipsLayout.h"

#include <QWidget>
#include <QWidgetItem>

#include <cmath>

TwipsLayout::TwipsLayout(QWidget* parent, QSize designSize) : QLayout(parent), m_design(designSize)
{
    setContentsMargins(0, 0, 0, 0);
}

TwipsLayout::~TwipsLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TwipsLayout::AddWidget(QWidget* widget, QRect twips, int rule)
{
    addChildWidget(widget);
    m_items.append({new QWidgetItem(widget), twips, rule});
    invalidate();
}

void TwipsLayout::SetTwips(QWidget* widget, QRect twips)
{
    for (Placed& placed : m_items) {
        if (placed.Item->widget() != widget || placed.Twips == twips) continue;
        placed.Twips = twips;
        invalidate();
    }
}

QRect TwipsLayout::Twips(const QWidget* widget) const
{
    for (const Placed& placed : m_items) {
        if (placed.Item->widget() == widget) return placed.Twips;
    }
    return {};
}

double TwipsLayout::PixelsPerTwip() const
{
    const QWidget* owner = parentWidget();
    return (owner ? owner->logicalDpiX() : 96) / 1440.0;
}

QSize TwipsLayout::DesignPixels() const
{
    const double scale = PixelsPerTwip();
    return QSize(int(std::lround(m_design.width() * scale)), int(std::lround(m_design.height() * scale)));
}

void TwipsLayout::addItem(QLayoutItem* item)
{
    m_items.append({item, QRect()});
}

QLayoutItem* TwipsLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index).Item : nullptr;
}

QLayoutItem* TwipsLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index).Item : nullptr;
}

int TwipsLayout::count() const
{
    return int(m_items.size());
}

QSize TwipsLayout::sizeHint() const
{
    return DesignPixels();
}

QSize TwipsLayout::minimumSize() const
{
    return DesignPixels();
}

QRect TwipsLayout::Place(const QRect& twips, int, const QRect& area) const
{
    const double sx = double(area.width()) / m_design.width();
    const double sy = double(area.height()) / m_design.height();
    const int left = int(std::lround(twips.left() * sx));
    const int top = int(std::lround(twips.top() * sy));
    const int right = int(std::lround((twips.left() + twips.width()) * sx));
    const int bottom = int(std::lround((twips.top() + twips.height()) * sy));
    return QRect(area.left() + left, area.top() + top, right - left, bottom - top);
}

void TwipsLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    for (const Placed& placed : std::as_const(m_items)) {
        const QRect place = Place(placed.Twips, placed.Rule, rect);
        // A widget takes its whole place: a button or a field grows with the
        // container instead of keeping the height it would rather have.
        if (QWidget* widget = placed.Item->widget())
            widget->setGeometry(place);
        else
            placed.Item->setGeometry(place);
    }
}
