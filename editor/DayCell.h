// One day cell of the month grid (cmdDzien): a button painted in its slot's
// colour with the day of the month, struck through in a large font on the
// suite's free days. Besides the colour a cell shows what it holds in words
// of its own: the slot number in a corner, and a red corner mark when the
// labour-code check finds fault with the day.
#pragma once

#include <QAbstractButton>
#include <QColor>

class DayCell : public QAbstractButton
{
    Q_OBJECT

public:
    explicit DayCell(QWidget* parent = nullptr);

    QColor Colour() const { return m_colour; }
    void SetColour(const QColor& colour);
    // The cell's tag: the slot painted on it, or a weekly plan's weekday kind, as text.
    const QString& Tag() const { return m_tag; }
    void SetTag(const QString& tag) { m_tag = tag; }
    // A free day of the suite: 16 pt struck through; otherwise 9 pt.
    void SetFreeDayLook(bool freeDay);
    bool IsStruckThrough() const { return m_struck; }
    // The described size of the digits; a cell larger than drawn shows them
    // larger by Growth(), at most MostGrowth times.
    int PointSize() const { return m_pointSize; }
    static constexpr double MostGrowth = 1.8;
    double Growth() const;
    // The small text in the corner (the slot number), empty for none.
    void SetCornerText(const QString& text);
    void SetMarked(bool marked);
    bool IsMarked() const { return m_marked; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
    QString m_tag = QStringLiteral("4");
    QString m_corner;
    bool m_struck = false;
    bool m_marked = false;
    int m_pointSize = 9;
};
