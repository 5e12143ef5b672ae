// A plan as a table for spreadsheets: one row per day.
#pragma once

#include "export/PlanExport.h"

#include <QByteArray>

// UTF-8 with a byte-order mark, fields separated by ';', CRLF line ends, a
// header row, then for every exported day: the date (yyyy-MM-dd), the
// weekday in Polish, the schedule (its number, or "dzień wolny"; in weekly
// plans "dzień pracujący" or "dzień wolny"), entry, exit, break from, break
// to (hh:mm, empty without a shift or break) and the working time (hh:mm).
QByteArray PlanCsv(const PlanExportInput& input);
