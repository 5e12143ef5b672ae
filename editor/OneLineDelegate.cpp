#include "editor/OneLineDelegate.h"

#include <QApplication>
#include <QFontMetricsF>

#include <algorithm>

void OneLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // Only a text cut at its end on one line, read from the left, is cut
    // where it shows whatever follows.
    const bool cutAtEnd = cell.textElideMode == Qt::ElideRight && cell.direction == Qt::LeftToRight &&
                          !cell.features.testFlag(QStyleOptionViewItem::WrapText);
    if (cutAtEnd) cell.text.truncate(ShownLength(cell.text, cell.font, cell.rect.width()));
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
}

qsizetype OneLineDelegate::ShownLength(const QString& text, const QFont& font, int width) const
{
    if (font != m_font) {
        m_font = font;
        m_advances.clear();
    }
    // Laid out together, glyphs come closer only a little (kerning), far
    // from a third: a beginning whose glyphs alone are half as wide again as
    // the cell runs past it, and so does the text. A character drawn
    // differently beside what followed it (a kerned pair, a mark on a
    // letter) lies beyond the cut and beyond the cell.
    const QFontMetricsF metrics(font);
    const qreal enough = 1.5 * width;
    qreal sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A character written with two has no width of its own halves: such
        // a text is drawn whole.
        if (QChar::isSurrogate(c)) return text.size();
        auto advance = m_advances.constFind(c);
        if (advance == m_advances.cend()) advance = m_advances.insert(c, metrics.horizontalAdvance(QChar(c)));
        sum += *advance;
        if (sum > enough) {
            return std::min(text.size(), i + 3);
        }
    }
    return text.size();
}
