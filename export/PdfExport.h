// A plan on paper: one page per month, drawn with QPainter, so that the same
// pages go to a PDF file or to a printer.
#pragma once

#include "export/PlanExport.h"

#include <functional>

class QIODevice;
class QPageLayout;
class QPagedPaintDevice;
class QPainter;

// The layout the pages are made for: A4 landscape, 10 mm margins.
QPageLayout PlanPageLayout();

// Paints every exported month on a page of its own, starting on the
// device's current page: the plan's name and range, the month as a grid of
// weeks (Monday to Sunday) in the slots' colours with each shift's hours,
// the suite's free days struck through with their descriptions, a legend of
// the schedules (weekly plans: the weekday pattern and the norm) and the
// allowances, the month's planned hours and norm, and the print date. The
// painter must be active on the device (a QPdfWriter or a printer); the page
// is laid out in the device's paintable area, whatever its size. Needs a
// QGuiApplication for the fonts. After each page progress (when given) hears
// the pages done and the pages in all; false from it stops the painting.
// Returns the number of pages painted.
using PageProgress = std::function<bool(int done, int pages)>;
int PaintPlanPages(QPainter& painter, QPagedPaintDevice& device, const PlanExportInput& input,
                   const PageProgress& progress = {});

// The pages as a PDF document written to out (A4 landscape). False, with
// nothing written, when there is no month to print, no QGuiApplication, or
// progress stopped the painting.
bool WritePlanPdf(const PlanExportInput& input, QIODevice& out, const PageProgress& progress = {});
