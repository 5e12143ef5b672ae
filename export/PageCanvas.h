// Drawing a printed page in millimetres: the page's paintable area measured
// from its top left corner, fonts in points, thin pens in millimetres. The
// plan's month pages and the compliance report share it, so both read alike:
// the same fonts, inks, section titles, label rows and footer.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class QIODevice;
class QPageLayout;
class QPainter;
class QPdfWriter;

class PageCanvas
{
public:
    // The painter must be active on its device.
    explicit PageCanvas(QPainter& painter);

    // The paintable area in millimetres.
    double Width() const { return m_width; }
    double Height() const { return m_height; }

protected:
    static const QColor Ink;
    static const QColor Muted;
    static const QColor Rule;

    QRectF ToDevice(const QRectF& r) const
    {
        return {r.x() * m_unit, r.y() * m_unit, r.width() * m_unit, r.height() * m_unit};
    }
    QPointF ToDevice(double x, double y) const { return {x * m_unit, y * m_unit}; }

    void SetFont(double points, bool bold = false, bool italic = false, bool struck = false);
    void SetPen(const QColor& colour, double widthMm = 0.2);
    void Text(const QRectF& r, int flags, const QString& s);
    // The text cut to the width with an ellipsis.
    QString Elided(const QString& s, double widthMm) const;
    // The height in millimetres of s wrapped at word boundaries within widthMm, in the current font.
    double WrappedHeight(const QString& s, double widthMm) const;

    // A section title with a rule under it; the next line's top.
    double Section(const QRectF& area, double y, const QString& title);
    // A label and a value at the right edge; the next line's top.
    double Row(const QRectF& area, double y, const QString& label, const QString& value, bool bold = false);
    // The line at the foot of the page: left text, centre text, "Strona page z pages".
    void Footer(double height, const QString& left, const QString& centre, int page, int pages);

    QPainter& m_p;
    double m_unit = 1; // device units per millimetre
    double m_width = 0, m_height = 0;
};

// A QPdfWriter on out set up for pages of layout: 600 dpi, the title, the
// program as creator.
void SetUpPdfWriter(QPdfWriter& writer, const QPageLayout& layout, const QString& title);
