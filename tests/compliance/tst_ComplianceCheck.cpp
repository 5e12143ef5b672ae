// The labour-code check on hand-checked plans: shifts, rests, Sundays, free
// days and the norms of settlement periods.
#include "compliance/ComplianceCheck.h"

#include <QRegularExpression>
#include <QTest>
#include <QTime>

namespace {

// A plan from First: Days holds one slot digit a day, or a week of them
// (Sunday first) repeated up to Last; Times the slots' "hh:mm-hh:mm
// hh:mm-hh:mm" (work, then the break) separated by '|'. Expected lists the
// findings, "YYYY-MM-DD rule severity" joined by "; ", and Message is part of
// their messages.
struct Case
{
    const char *First, *Last, *Days, *Times;
    WorkingTimeSystem System;
    const char *Expected, *Message = "";
    int Months = 1; // of a settlement period
    // A weekly plan instead, Monday to Friday, 8 hours from 08:00, that
    // takes the free days into account (1) or not (2).
    int Weekly = 0;
};

const char* const Shifts = "08:00-16:00 12:00-12:30|07:00-19:00 12:00-12:15|22:00-06:00 02:00-02:30";
const char* const Nights = "16:00-00:00 20:00-20:15||22:00-06:00 02:00-02:30";
const WorkingTimeSystem Basic = WorkingTimeSystem::Basic, Equivalent = WorkingTimeSystem::Equivalent;

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

int32_t dayOf(const char* iso)
{
    return int32_t(QDate(2000, 1, 1).daysTo(QDate::fromString(text(iso), Qt::ISODate)));
}

WorkPlan planOf(const Case& row)
{
    WorkPlan plan;
    plan.Kind = row.Weekly ? PlanKind::WeeklyPlan : PlanKind::SchedulePlan;
    plan.DailyNorm = plan.DayStart = 8 * 60;
    plan.IncludeFreeDays = row.Weekly == 1;
    plan.FirstDay = dayOf(row.First);
    const QString days = text(row.Days);
    plan.LastDay = *row.Last ? dayOf(row.Last) : plan.FirstDay + int32_t(days.size()) - 1;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day)
        plan.Days.Set(day, days.at(*row.Last ? WeekdayOf(day) : day - plan.FirstDay).digitValue());
    const QStringList rows = text(row.Times).split(QLatin1Char('|'));
    for (int slot = 0; slot < rows.size(); ++slot) {
        const QStringList clocks = rows.at(slot).split(QRegularExpression(QStringLiteral("[ -]")));
        const auto time = [&](int i) {
            const QTime clock = QTime::fromString(clocks.value(i), QStringLiteral("hh:mm"));
            return clock.isValid() ? int16_t(clock.hour() * 60 + clock.minute()) : EmptyTime;
        };
        plan.Schedules[size_t(slot)] = {time(0), time(1), time(2), time(3)};
    }
    return plan;
}

// Poland's free days of 2025, Sundays among them.
QMap<int32_t, QString> freeDays2025()
{
    QMap<int32_t, QString> days;
    for (const char* iso :
         {"2025-01-01", "2025-01-06", "2025-04-20", "2025-05-01", "2025-05-03", "2025-06-08", "2025-06-19",
          "2025-08-15", "2025-11-01", "2025-11-11", "2025-12-24", "2025-12-25", "2025-12-26"})
        days.insert(dayOf(iso), QStringLiteral("Święto"));
    days.insert(dayOf("2025-04-21"), QStringLiteral("Poniedziałek Wielkanocny"));
    return days;
}

void compare(const ComplianceReport& report, const Case& row)
{
    QStringList findings, messages;
    for (const ComplianceFinding& finding : report.Findings) {
        findings << DateOfDay(finding.Day).toString(Qt::ISODate) + QLatin1Char(' ') + RuleId(finding.Rule) +
                        (finding.Severity == FindingSeverity::Error ? QStringLiteral(" error")
                                                                    : QStringLiteral(" warning"));
        messages << finding.Message;
    }
    QCOMPARE(findings.join(QStringLiteral("; ")), text(row.Expected));
    QVERIFY2(messages.join(QLatin1Char('\n')).contains(text(row.Message)),
             qPrintable(messages.join(QLatin1Char('\n'))));
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestComplianceCheck : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        // clang-format off
        QTest::addColumn<Case>("row");
        const char* late = "14:00-22:00 18:00-18:15|06:00-14:00 10:00-10:15";
        QTest::newRow("afternoon, then morning") << Case{"2025-01-13", "", "01", late, Basic,
            "2025-01-14 doba error; 2025-01-14 odpoczynek-dobowy error",
            "16 h po początku poprzedniej (13-01-2025 14:00)"};
        QTest::newRow("11 h of rest, 19 h apart") << Case{"2025-01-13", "", "01",
            "14:00-22:00 18:00-18:15|09:00-17:00 12:00-12:15", Basic, "2025-01-14 doba error"};
        QTest::newRow("12 h, basic") << Case{"2025-01-13", "", "1", Shifts, Basic, "2025-01-13 norma-dobowa error",
            "(12 h) przekracza normę dobową 8 h w systemie podstawowym"};
        QTest::newRow("12 h, equivalent") << Case{"2025-01-13", "", "1", Shifts, Equivalent, ""};
        QTest::newRow("13 h, equivalent") << Case{"2025-01-13", "", "0", "07:00-20:00 12:00-12:15", Equivalent,
            "2025-01-13 norma-dobowa error", "12 h w systemie równoważnym"};
        QTest::newRow("7 h without break") << Case{"2025-01-13", "", "0", "08:00-15:00", Basic,
            "2025-01-13 przerwa error", "ma 7 h czasu pracy"};
        QTest::newRow("equal break times") << Case{"2025-01-13", "", "0", "08:00-15:00 12:00-12:00", Basic,
            "2025-01-13 przerwa error"};
        QTest::newRow("week of nights leaves 34 h") << Case{"2025-10-01", "", "2222240", Nights, Basic,
            "2025-10-01 odpoczynek-tygodniowy error", "trwa 34 h, należy się co najmniej 35 h"};
        QTest::newRow("week of nights leaves 35 h") << Case{"2025-10-01", "", "2222240",
            "17:00-01:00 20:00-20:15||22:00-06:00 02:00-02:30", Basic, ""};
        QTest::newRow("last month's night cuts the week") << Case{"2025-09-30", "", "24000000", Nights, Basic,
            "2025-10-01 odpoczynek-tygodniowy error"};
        QTest::newRow("five Sundays") << Case{"2025-01-05", "2025-02-02", "0444444", Shifts, Basic,
            "2025-01-26 niedziela error; 2025-02-02 niedziela error", "5. niedziela z rzędu z pracą (od 05-01-2025)"};
        QTest::newRow("free fourth Sunday")
            << Case{"2025-01-05", "", "04444440444444044444444444440", Shifts, Basic, ""};
        QTest::newRow("Easter Monday") << Case{"2025-04-21", "", "0", Shifts, Basic, "2025-04-21 swieto warning",
            "Praca w dniu wolnym: Poniedziałek Wielkanocny."};
        // The norm of whole periods against the working time of the shifts that start in them.
        QTest::newRow("January 2025") << Case{"2025-01-01", "2025-01-31", "4444444", Shifts, Basic,
            "2025-01-01 wymiar warning",
            "Zaplanowano 0 h, a wymiar czasu pracy okresu rozliczeniowego 01-01-2025 – 31-01-2025 wynosi 168 h: "
            "o 168 h za mało."};
        QTest::newRow("office, November 2025") << Case{"2025-11-01", "2025-11-30", "4000004", Shifts, Basic,
            "2025-11-01 wymiar error; 2025-11-11 swieto warning",
            "Zaplanowano 155 h, a wymiar czasu pracy okresu rozliczeniowego 01-11-2025 – 30-11-2025 wynosi 144 h"};
        QTest::newRow("Friday nights count where they start") << Case{"2025-01-31", "2025-02-28", "4444424", Shifts,
            Basic, "2025-02-01 wymiar warning",
            "Zaplanowano 31 h, a wymiar czasu pracy okresu rozliczeniowego 01-02-2025"};
        QTest::newRow("four months, from February") << Case{"2025-02-01", "2025-12-31", "4444444", Shifts, Basic,
            "2025-05-01 wymiar warning; 2025-09-01 wymiar warning", "01-05-2025 – 31-08-2025 wynosi 664 h", 4};
        // Weekly plans, with free days Monday to Saturday that lower the norm but not the planned time.
        QTest::newRow("weekly, January") << Case{"2025-01-01", "2025-01-31", "4444444", "", Basic, "", "", 1, 1};
        QTest::newRow("weekly, November") << Case{"2025-11-01", "2025-11-30", "4444444", "", Basic,
            "2025-11-01 wymiar error", "Zaplanowano 152 h, a wymiar czasu pracy okresu rozliczeniowego 01-11-2025 – "
            "30-11-2025 wynosi 144 h: o 8 h za dużo.", 1, 1};
        QTest::newRow("weekly, June: weeks from Sunday") << Case{"2025-06-01", "2025-06-30", "4444444", "", Basic,
            "2025-06-01 odpoczynek-tygodniowy error; 2025-06-08 odpoczynek-tygodniowy error; "
            "2025-06-22 odpoczynek-tygodniowy error", "trwa 32 h", 1, 1};
        QTest::newRow("weekly, January, free days ignored") << Case{"2025-01-01", "2025-01-31", "4444444", "", Basic,
            "2025-01-01 swieto warning; 2025-01-01 wymiar error; 2025-01-06 swieto warning", "o 16 h za dużo", 1, 2};
        // clang-format on
    }
    void check()
    {
        QFETCH(Case, row);
        compare(CheckCompliance(planOf(row), freeDays2025(), {row.System, row.Months}), row);
    }
};

QTEST_GUILESS_MAIN(TestComplianceCheck)
#include "tst_ComplianceCheck.moc"
