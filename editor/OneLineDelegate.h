// Cells of one line cut short at their right edge ("…"), drawn for what they
// show. A style measures a cell's whole text and lays it out several times
// over to find where to cut it, and a finding's description runs to five
// times what its column shows. Here the text is cut and laid out once, from
// a beginning that runs past the cell, and drawn where the style draws it:
// the same pixels for a fraction of the work. The model keeps the whole text
// for tooltips and screen readers.
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
    // font: the whole text, or a beginning whose glyphs alone run past the
    // cell, and three characters more.
    qsizetype ShownLength(const QString& text, const QFont& font, int width) const;

private:
    // The glyph widths of the font last drawn with, by character.
    mutable QFont m_font;
    mutable QHash<char16_t, qreal> m_advances;
};
