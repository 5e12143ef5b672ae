// A layout that places each widget at a fixed rectangle given in twips (1/1440
// inch), as the program's windows are drawn, and keeps their proportions when
// the container grows: all rectangles stretch with it. At its smallest the
// container has its design size at the screen's logical resolution, so the
// arrangement is the same on high-resolution screens.
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

    // Places widget at twips (it becomes a child of the container).
    void AddWidget(QWidget* widget, QRect twips);
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

private:
    struct Placed
    {
        QLayoutItem* Item;
        QRect Twips;
    };
    double PixelsPerTwip() const;

    QSize m_design;
    QList<Placed> m_items;
};
