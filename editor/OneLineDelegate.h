// Cells of one line cut short at their right edge ("…"), drawn for what they
// show. A style lays a cell's whole text out several times over to find
// where to cut it, and a finding's description runs to five times what its
// column shows; handed only a beginning that surely runs past the cell, the
// style cuts it at the same place and draws the same pixels, for a fraction
// of the work. The model keeps the whole text for tooltips and screen readers.
#pragma once

#include <QStyledItemDelegate>

#include <QFont>
#include <QHash>

class OneLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // How much of text's beginning a cell width pixels wide can show in the
    // font, with some to spare: the whole text, or a beginning whose glyphs
    // alone are half as wide again as the cell, and two characters more.
    qsizetype ShownLength(const QString& text, const QFont& font, int width) const;

private:
    // The glyph widths of the font last drawn with, by character.
    mutable QFont m_font;
    mutable QHash<char16_t, qreal> m_advances;
};
