// The team's month on paper and in a table: PDF pages (A4 landscape, a
// month's grid of employees by days, continued on further pages, with the
// coverage of each shift under it) and a CSV table. The window, the printer
// and plntool use the same writers.
#pragma once

#include "export/PdfExport.h"
#include "team/TeamMonth.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

struct TeamExportInput
{
    TeamMonth Month;
    // The members to show, in order (indexes into Month.Members); the
    // coverage counts these.
    QVector<int> Rows;
    // The least number of people each shift needs, by HoursText of its
    // hours; a day with fewer is marked short.
    QMap<QString, int> Minimums;
    std::array<uint32_t, SlotCount> SlotColours = DefaultSlotColours;
    // What the rows were chosen by ("grupa: Magazyn"), printed in the heading; empty for everybody.
    QString Selection;
    // The print date; the current time when invalid.
    QDateTime Now;
};

// The input for every member in the month's order.
TeamExportInput TeamExportOf(const TeamMonth& month);

// A shift's hours made short for a narrow cell: "6–14", "22–6", "6:30–14:15".
QString ShortHoursText(ShiftHours hours);
// The colour a shift is shown in: its slot's, or a weekly plan's working day's (slot 1).
uint32_t ShiftColour(const Shift& shift, const std::array<uint32_t, SlotCount>& colours);
// How many people a shift lacks on a day: 0 when it has its minimum (or none is set).
int Shortfall(const TeamExportInput& input, qsizetype kind, const DayCoverage& day);

// UTF-8 with a byte-order mark, fields separated by ';' (quoted where they
// hold one), CRLF line ends. A header row ("Numer;Nazwisko;Imię;Grupa;Plan
// pracy;Stan", the days as yyyy-MM-dd, "Zaplanowano;Norma"), a row per
// member with each day's hours ("06:00-14:00", empty without work) and the
// planned time and norm as h:mm; after an empty line the coverage: the
// people at work on each day, each shift's count with its minimum and, where
// one is set, how many it lacks, and the people at work at each full hour.
QByteArray TeamCsv(const TeamExportInput& input);

// Paints the pages on the device, starting on its current page: a month a
// section, up to 40 members a page, each page with the days' heading, the
// coverage after the month's last member (on a page of its own when it does
// not fit). Needs a QGuiApplication for the fonts. The planned time is the
// month's; the norm is shown when the range is that one month. Returns the
// pages painted; progress as for a plan's pages.
int PaintTeamPages(QPainter& painter, QPagedPaintDevice& device, const TeamExportInput& input,
                   const PageProgress& progress = {});
// The number of pages PaintTeamPages paints on an A4 landscape page.
int TeamPageCount(const TeamExportInput& input);

// The pages as a PDF document (A4 landscape). False when there is no day to
// print, no QGuiApplication, or progress stopped the painting.
bool WriteTeamPdf(const TeamExportInput& input, QIODevice& out, const PageProgress& progress = {});

// Puts an export's bytes in place of path in one step. Only a regular file
// that has no plan file's name is ever replaced (no link, folder, device or
// pipe). 0, or the file-error number.
int16_t SaveExportFile(const QString& path, QByteArrayView bytes);
