// A layout that places each widget at a fixed rectangle given in twips (1/1440
// inch), as the program's windows are drawn, and keeps their proportions when
// the container grows: all rectangles stretch with it, whatever size the
// widgets would rather have. At its smallest the container has its design
// size at the screen's logical resolution, so the arrangement is the same on
// high-resolution screens.
#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

class TwipsLayout : public QLayout
{
public:
    // designSize: the container's size in twips.
    TwipsLayout(QWidget* parent, QSize designSize);
    ~TwipsLayout() override;

    // Places widget at twips (it becomes a child of the container); rule
    // tells a layout built on this one how the widget follows a larger container.
    void AddWidget(QWidget* widget, QRect twips, int rule = 0);
    // Moves a widget already placed.
    void SetTwips(QWidget* widget, QRect twips);
    QRect Twips(const QWidget* widget) const;

    // The container's design size in pixels at the current screen.
    QSize DesignPixels() const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

protected:
    double PixelsPerTwip() const;
    // Where an item lies in area: here every rectangle stretches with the
    // container, whatever its rule.
    virtual QRect Place(const QRect& twips, int rule, const QRect& area) const;

private:
    struct Placed
    {
        QLayoutItem* Item;
        QRect Twips;
        int Rule = 0;
    };

    QSize m_design;
    QList<Placed> m_items;
};
