// The toggle of a schedule slot or a weekday marking, painted in the slot's
// colour. A pressed one has a heavy frame and bold text, so that which one is
// pressed never rests on colour alone. Painted here rather than through a
// style sheet: the first style sheet in a window brings the style-sheet
// machinery with it, which costs start-up time and memory for eight buttons.
#pragma once

#include <QColor>
#include <QPushButton>

class ColourToggle : public QPushButton
{
    Q_OBJECT
public:
    explicit ColourToggle(const QString& text, QWidget* parent = nullptr);

    QColor Colour() const { return m_colour; }
    void SetColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour = Qt::white;
};
