#include "editor/OneLineDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

void OneLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // Only a text cut at its end on one line, read from the left, is drawn
    // here; anything else the style draws whole.
    const bool cutAtEnd = cell.textElideMode == Qt::ElideRight && cell.direction == Qt::LeftToRight &&
                          !cell.features.testFlag(QStyleOptionViewItem::WrapText) &&
                          !cell.features.testFlag(QStyleOptionViewItem::HasDecoration) &&
                          !cell.features.testFlag(QStyleOptionViewItem::HasCheckIndicator) && !cell.text.isEmpty();
    if (!cutAtEnd) {
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        return;
    }
    const QString text = cell.text;
    QPalette::ColorGroup group = cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !cell.state.testFlag(QStyle::State_Active)) group = QPalette::Inactive;
    const QColor ink = cell.palette.color(group, cell.state.testFlag(QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                             : QPalette::Text);

    // The cell itself (background, selection) as the style draws it; the
    // focus frame goes over the text. Without its text, the style neither
    // measures nor lays it out; the room for it is the same on one line.
    const bool focus = cell.state.testFlag(QStyle::State_HasFocus);
    cell.text.clear();
    cell.state.setFlag(QStyle::State_HasFocus, false);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).adjusted(margin, 0, -margin, 0);

    // The text on one line as wide as its room; one that runs past it cut
    // where the style cuts it, with "…", the cut found on a beginning that
    // runs past the room (or, should kerning have brought that beginning
    // within it, on the whole text).
    QTextOption layoutOption;
    layoutOption.setWrapMode(QTextOption::ManualWrap);
    layoutOption.setTextDirection(cell.direction);
    layoutOption.setAlignment(QStyle::visualAlignment(cell.direction, cell.displayAlignment));
    QTextLayout layout;
    layout.setFont(cell.font);
    layout.setTextOption(layoutOption);
    const auto lay = [&](const QString& line) {
        layout.setText(line);
        layout.beginLayout();
        QTextLine only = layout.createLine();
        only.setLineWidth(textRect.width());
        only.setPosition(QPointF(0, 0));
        layout.endLayout();
        return only.naturalTextWidth();
    };
    const QFontMetrics metrics(cell.font);
    const qsizetype shown = ShownLength(text, cell.font, textRect.width());
    if (shown < text.size()) {
        const QString beginning = text.left(shown);
        const QString cut = metrics.elidedText(beginning, Qt::ElideRight, textRect.width());
        lay(cut != beginning ? cut : metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    } else if (lay(text) > textRect.width()) {
        lay(metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    }
    const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, cell.displayAlignment,
                                             layout.boundingRect().size().toSize(), textRect);
    painter->save();
    painter->setClipRect(option.rect);
    painter->setPen(ink);
    layout.draw(painter, QPointF(textRect.x(), placed.top()));
    if (focus) {
        cell.state |= QStyle::State_HasFocus;
        QStyleOptionFocusRect frame;
        frame.QStyleOption::operator=(cell);
        frame.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, widget);
        frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        frame.backgroundColor =
            cell.palette.color(group == QPalette::Disabled ? QPalette::Disabled : QPalette::Normal,
                               cell.state.testFlag(QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, widget);
    }
    painter->restore();
}

qsizetype OneLineDelegate::ShownLength(const QString& text, const QFont& font, int width) const
{
    if (font != m_font) {
        m_font = font;
        m_advances.clear();
    }
    // A character drawn differently beside what follows it (a kerned pair, a
    // mark on a letter) lies beyond the room, so the beginning is cut where
    // the whole text would be.
    const QFontMetricsF metrics(font);
    qreal sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A character written with two has no width of its own halves: such
        // a text is laid out whole.
        if (QChar::isSurrogate(c)) return text.size();
        auto advance = m_advances.constFind(c);
        if (advance == m_advances.cend()) advance = m_advances.insert(c, metrics.horizontalAdvance(QChar(c)));
        sum += *advance;
        if (sum > width) return std::min(text.size(), i + 4);
    }
    return text.size();
}
