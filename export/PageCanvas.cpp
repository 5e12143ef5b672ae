#include "export/PageCanvas.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>

const QColor PageCanvas::Ink(0x20, 0x20, 0x20);
const QColor PageCanvas::Muted(0x60, 0x60, 0x60);
const QColor PageCanvas::Rule(0x9A, 0x9A, 0x9A);

PageCanvas::PageCanvas(QPainter& painter) : m_p(painter)
{
    const QPaintDevice* device = painter.device();
    m_unit = device->logicalDpiX() / 25.4;
    m_width = device->width() / m_unit;
    m_height = device->height() / m_unit;
}

void PageCanvas::SetFont(double points, bool bold, bool italic, bool struck)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    // Without ligatures: a PDF reader then finds and copies "fi" as two letters.
    font.setStyleHint(QFont::SansSerif, QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setStrikeOut(struck);
    m_p.setFont(font);
}

void PageCanvas::SetPen(const QColor& colour, double widthMm)
{
    m_p.setPen(QPen(colour, widthMm * m_unit));
}

void PageCanvas::Text(const QRectF& r, int flags, const QString& s)
{
    m_p.drawText(ToDevice(r), flags, s);
}

QString PageCanvas::Elided(const QString& s, double widthMm) const
{
    return QFontMetricsF(m_p.font(), m_p.device()).elidedText(s, Qt::ElideRight, widthMm * m_unit);
}

double PageCanvas::WrappedHeight(const QString& s, double widthMm) const
{
    const QRectF bounds =
        QFontMetricsF(m_p.font(), m_p.device()).boundingRect(QRectF(0, 0, widthMm * m_unit, 1e6), Qt::TextWordWrap, s);
    return bounds.height() / m_unit;
}

double PageCanvas::Section(const QRectF& area, double y, const QString& title)
{
    SetPen(Ink);
    SetFont(9, true);
    Text(QRectF(area.left(), y, area.width(), 5), Qt::AlignLeft | Qt::AlignVCenter, title);
    SetPen(Rule, 0.25);
    m_p.drawLine(ToDevice(area.left(), y + 5.5), ToDevice(area.right(), y + 5.5));
    return y + 7;
}

double PageCanvas::Row(const QRectF& area, double y, const QString& label, const QString& value, bool bold)
{
    SetFont(7.8, bold);
    SetPen(Ink);
    Text(QRectF(area.left(), y, area.width(), 4), Qt::AlignLeft | Qt::AlignVCenter, label);
    Text(QRectF(area.left(), y, area.width(), 4), Qt::AlignRight | Qt::AlignVCenter, value);
    return y + 4.4;
}

void PageCanvas::Footer(double height, const QString& left, const QString& centre, int page, int pages)
{
    const double top = m_height - height;
    SetPen(Rule, 0.25);
    m_p.drawLine(ToDevice(0, top), ToDevice(m_width, top));
    SetPen(Muted);
    SetFont(7);
    const QRectF line(0, top + 1, m_width, height - 1);
    Text(line, Qt::AlignLeft | Qt::AlignVCenter, left);
    Text(line, Qt::AlignHCenter | Qt::AlignVCenter, centre);
    Text(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Strona %1 z %2").arg(page).arg(pages));
}

void SetUpPdfWriter(QPdfWriter& writer, const QPageLayout& layout, const QString& title)
{
    writer.setPageLayout(layout);
    writer.setResolution(600);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Grafenta"));
}
