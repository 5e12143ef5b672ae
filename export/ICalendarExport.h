// A plan's shifts as an iCalendar file (RFC 5545) for employees' calendars.
#pragma once

#include "export/PlanExport.h"

#include <QByteArray>

// One VEVENT per shift of the exported days, its start and end as wall-clock
// times of Europe/Warsaw (described by a VTIMEZONE with the European summer
// time rules), UID from the day and a hash of the plan's name, SUMMARY "Praca –
// harmonogram N" (weekly plans "Praca"), the break window and the plan's name
// in DESCRIPTION, DTSTAMP from the input's time. UTF-8, CRLF line ends, lines
// folded at 75 octets between whole characters.
QByteArray PlanICalendar(const PlanExportInput& input);
