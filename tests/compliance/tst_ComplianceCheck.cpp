// The labour-code check on hand-checked plans: shifts, rests, Sundays, free
// days and the norms of settlement periods.
#include "compliance/ComplianceCheck.h"

#include <QRegularExpression>
#include <QTest>
#include <QTime>

using namespace Qt::StringLiterals;

namespace {

int32_t dayOf(const QDate& date)
{
    return int32_t(QDate(2000, 1, 1).daysTo(date));
}

QDate date(const char* iso)
{
    return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

int16_t minutes(const QString& clock)
{
    const QTime time = QTime::fromString(clock, QStringLiteral("hh:mm"));
    return time.isValid() ? int16_t(time.hour() * 60 + time.minute()) : EmptyTime;
}

// A schedule plan from first with one slot digit a day; slot i's times are
// times[i], "hh:mm-hh:mm hh:mm-hh:mm" (work, then the break).
WorkPlan schedulePlan(const QDate& first, const QString& days, const QStringList& times)
{
    WorkPlan plan;
    plan.FirstDay = dayOf(first);
    plan.LastDay = plan.FirstDay + int32_t(days.size()) - 1;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int i = 0; i < days.size(); ++i)
        plan.Days.Set(plan.FirstDay + i, days.at(i).digitValue());
    for (int slot = 0; slot < times.size(); ++slot) {
        const QStringList ends = times.at(slot).split(QRegularExpression(QStringLiteral("[ -]")));
        plan.Schedules[size_t(slot)] = {minutes(ends.value(0)), minutes(ends.value(1)), minutes(ends.value(2)),
                                        minutes(ends.value(3))};
    }
    return plan;
}

// The days' slot digits from first to last, repeating a week given Sunday first.
QString weeks(const QDate& first, const QDate& last, const QString& sundayFirst)
{
    QString days;
    for (QDate day = first; day <= last; day = day.addDays(1))
        days += sundayFirst.at(day.dayOfWeek() % 7);
    return days;
}

// Poland's free days of 2025, Sundays among them.
QMap<int32_t, QString> freeDays2025()
{
    QMap<int32_t, QString> days;
    for (const char* iso : {"2025-01-01", "2025-01-06", "2025-04-20", "2025-04-21", "2025-05-01", "2025-05-03",
                            "2025-06-08", "2025-06-19", "2025-08-15", "2025-11-01", "2025-11-11", "2025-12-24",
                            "2025-12-25", "2025-12-26"})
        days.insert(dayOf(date(iso)), QStringLiteral("Święto %1").arg(QString::fromLatin1(iso)));
    days[dayOf(date("2025-04-21"))] = QStringLiteral("Poniedziałek Wielkanocny");
    return days;
}

// "YYYY-MM-DD rule severity" of every finding (of one rule when given).
QStringList findings(const ComplianceReport& report, const QString& rule = {})
{
    QStringList out;
    for (const ComplianceFinding& finding : report.Findings) {
        if (rule.isEmpty() || RuleId(finding.Rule) == rule)
            out << QStringLiteral("%1 %2 %3").arg(DateOfDay(finding.Day).toString(Qt::ISODate), RuleId(finding.Rule),
                                                  finding.Severity == FindingSeverity::Error ? u"error"_s : u"warning"_s);
    }
    return out;
}

QString messages(const ComplianceReport& report)
{
    QStringList texts;
    for (const ComplianceFinding& finding : report.Findings)
        texts << finding.Message;
    return texts.join(QLatin1Char('\n'));
}

const QStringList Shifts{QStringLiteral("08:00-16:00 12:00-12:30"), QStringLiteral("07:00-19:00 12:00-12:15"),
                         QStringLiteral("22:00-06:00 02:00-02:30")};

} // namespace

class TestComplianceCheck : public QObject
{
    Q_OBJECT

private slots:
    void shifts_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QString>("days");
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<int>("system");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QStringList late{QStringLiteral("14:00-22:00 18:00-18:15"), QStringLiteral("06:00-14:00 10:00-10:15")};
        const int basic = int(WorkingTimeSystem::Basic), equivalent = int(WorkingTimeSystem::Equivalent);
        QTest::newRow("afternoon, then morning") << date("2025-01-13") << u"01"_s << late << basic
            << QStringList{u"2025-01-14 doba error"_s, u"2025-01-14 odpoczynek-dobowy error"_s}
            << u"zaczyna się 16 h po początku poprzedniej (13-01-2025 14:00)"_s;
        QTest::newRow("11 h of rest, 19 h apart") << date("2025-01-13") << u"01"_s
            << QStringList{u"14:00-22:00 18:00-18:15"_s, u"09:00-17:00 12:00-12:15"_s} << basic
            << QStringList{u"2025-01-14 doba error"_s} << u""_s;
        QTest::newRow("night, then evening") << date("2025-01-13") << u"01"_s
            << QStringList{u"22:00-06:00 02:00-02:15"_s, u"20:00-23:00"_s} << basic
            << QStringList{u"2025-01-14 doba error"_s} << u"22 h po początku"_s;
        QTest::newRow("12 h, basic") << date("2025-01-13") << u"1"_s << Shifts << basic
            << QStringList{u"2025-01-13 norma-dobowa error"_s} << u"(12 h) przekracza normę dobową 8 h"_s;
        QTest::newRow("12 h, equivalent") << date("2025-01-13") << u"1"_s << Shifts << equivalent << QStringList{} << u""_s;
        QTest::newRow("12 h 45 min, 1 h break, equivalent") << date("2025-01-13") << u"0"_s
            << QStringList{u"07:00-19:45 12:00-13:00"_s} << equivalent << QStringList{} << u""_s;
        QTest::newRow("13 h, equivalent") << date("2025-01-13") << u"0"_s << QStringList{u"07:00-20:00 12:00-12:15"_s}
            << equivalent << QStringList{u"2025-01-13 norma-dobowa error"_s} << u"12 h w systemie równoważnym"_s;
        QTest::newRow("7 h without break") << date("2025-01-13") << u"0"_s << QStringList{u"08:00-15:00"_s} << basic
            << QStringList{u"2025-01-13 przerwa error"_s} << u"ma 7 h czasu pracy"_s;
        QTest::newRow("7 h, 10-minute break") << date("2025-01-13") << u"0"_s << QStringList{u"08:00-15:00 12:00-12:10"_s}
            << basic << QStringList{u"2025-01-13 przerwa error"_s} << u""_s;
        QTest::newRow("equal break times") << date("2025-01-13") << u"0"_s << QStringList{u"08:00-15:00 12:00-12:00"_s}
            << basic << QStringList{u"2025-01-13 przerwa error"_s} << u""_s;
        QTest::newRow("6 h 15 min, 15-minute break") << date("2025-01-13") << u"0"_s
            << QStringList{u"08:00-14:15 12:00-12:15"_s} << basic << QStringList{} << u""_s;
        QTest::newRow("5 h 59 min without break") << date("2025-01-13") << u"0"_s << QStringList{u"08:00-13:59"_s} << basic
            << QStringList{} << u""_s;
        QTest::newRow("entry without exit") << date("2025-01-13") << u"010"_s << QStringList{u"08:00-"_s, u"20:00-23:00"_s}
            << basic << QStringList{} << u""_s;
        QTest::newRow("week of nights leaves 34 h") << date("2025-10-01") << u"2222240"_s
            << QStringList{u"16:00-00:00 20:00-20:15"_s, u""_s, u"22:00-06:00 02:00-02:30"_s} << basic
            << QStringList{u"2025-10-01 odpoczynek-tygodniowy error"_s} << u"trwa 34 h, należy się co najmniej 35 h"_s;
        QTest::newRow("week of nights leaves 35 h") << date("2025-10-01") << u"2222240"_s
            << QStringList{u"17:00-01:00 20:00-20:15"_s, u""_s, u"22:00-06:00 02:00-02:30"_s} << basic << QStringList{} << u""_s;
        QTest::newRow("last month's night cuts the week") << date("2025-09-30") << u"24000000"_s
            << QStringList{u"16:00-00:00 20:00-20:15"_s, u""_s, u"22:00-06:00 02:00-02:30"_s} << basic
            << QStringList{u"2025-10-01 odpoczynek-tygodniowy error"_s} << u""_s;
        const QString sundays = weeks(date("2025-01-05"), date("2025-02-02"), QStringLiteral("0444444"));
        QTest::newRow("five Sundays") << date("2025-01-05") << sundays << Shifts << basic
            << QStringList{u"2025-01-26 niedziela error"_s, u"2025-02-02 niedziela error"_s} << u"5. niedziela z rzędu z pracą (od 05-01-2025)"_s;
        QTest::newRow("free fourth Sunday") << date("2025-01-05") << QString(sundays).replace(21, 1, QLatin1Char('4'))
            << Shifts << basic << QStringList{} << u""_s;
        QTest::newRow("Easter Monday") << date("2025-04-21") << u"0"_s << Shifts << basic
            << QStringList{u"2025-04-21 swieto warning"_s} << u"Praca w dniu wolnym: Poniedziałek Wielkanocny."_s;
    }
    void shifts()
    {
        QFETCH(QDate, first);
        QFETCH(QString, days);
        QFETCH(QStringList, times);
        QFETCH(int, system);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        const ComplianceReport report = CheckCompliance(schedulePlan(first, days, times), freeDays2025(),
                                                        {WorkingTimeSystem(system), 1});
        QCOMPARE(findings(report), expected);
        QVERIFY2(messages(report).contains(message), qPrintable(messages(report)));
    }

    void periods_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QString>("week");
        QTest::addColumn<int>("months");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("norm");
        QTest::newRow("January 2025") << date("2025-01-01") << date("2025-01-31") << u"4444444"_s << 1
            << QStringList{u"2025-01-01 2025-01-31 10080 0"_s} << QStringList{u"2025-01-01 wymiar warning"_s};
        QTest::newRow("office, January 2025") << date("2025-01-01") << date("2025-01-31") << u"4000004"_s << 1
            << QStringList{u"2025-01-01 2025-01-31 10080 10695"_s} << QStringList{u"2025-01-01 wymiar error"_s};
        QTest::newRow("November 2025") << date("2025-11-01") << date("2025-11-30") << u"4444444"_s << 1
            << QStringList{u"2025-11-01 2025-11-30 8640 0"_s} << QStringList{u"2025-11-01 wymiar warning"_s};
        QTest::newRow("first quarter") << date("2025-01-01") << date("2025-03-31") << u"4444444"_s << 3
            << QStringList{u"2025-01-01 2025-03-31 29760 0"_s} << QStringList{u"2025-01-01 wymiar warning"_s};
        QTest::newRow("four months, from February") << date("2025-02-01") << date("2025-12-31") << u"4444444"_s << 4
            << QStringList{u"2025-01-01 2025-04-30 null 0"_s, u"2025-05-01 2025-08-31 39840 0"_s,
                           u"2025-09-01 2025-12-31 39840 0"_s}
            << QStringList{u"2025-05-01 wymiar warning"_s, u"2025-09-01 wymiar warning"_s};
        QTest::newRow("Friday nights count where they start") << date("2025-01-27") << date("2025-02-28")
            << u"4444424"_s << 1 << QStringList{u"2025-01-01 2025-01-31 null 465"_s, u"2025-02-01 2025-02-28 9600 1860"_s}
            << QStringList{u"2025-02-01 wymiar warning"_s};
    }
    void periods()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QString, week);
        QFETCH(int, months);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, norm);
        const ComplianceReport report = CheckCompliance(schedulePlan(first, weeks(first, last, week), Shifts),
                                                        freeDays2025(), {WorkingTimeSystem::Basic, months});
        QStringList periods;
        for (const SettlementPeriod& period : report.Periods)
            periods << QStringLiteral("%1 %2 %3 %4").arg(DateOfDay(period.FirstDay).toString(Qt::ISODate),
                                                         DateOfDay(period.LastDay).toString(Qt::ISODate),
                                                         period.NormMinutes ? QString::number(*period.NormMinutes)
                                                                            : QStringLiteral("null"),
                                                         QString::number(period.PlannedMinutes));
        QCOMPARE(periods, expected);
        QCOMPARE(findings(report, QStringLiteral("wymiar")), norm);
    }

    // Monday to Friday, 8 hours from 08:00.
    void weeklyPlan_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<bool>("includeFreeDays");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        QTest::newRow("January") << date("2025-01-01") << date("2025-01-31") << true << QStringList{} << u""_s;
        QTest::newRow("May, 3 May a Saturday") << date("2025-05-01") << date("2025-05-31") << true
            << QStringList{u"2025-05-01 wymiar error"_s} << u""_s;
        QTest::newRow("November, 1 November a Saturday") << date("2025-11-01") << date("2025-11-30") << true
            << QStringList{u"2025-11-01 wymiar error"_s} << u"Zaplanowano 152 h, a wymiar czasu pracy okresu "_s
                                                         u"rozliczeniowego 01-11-2025 – 30-11-2025 wynosi 144 h: o 8 h za dużo."_s;
        QTest::newRow("June: weeks from Sunday") << date("2025-06-01") << date("2025-06-30") << true
            << QStringList{u"2025-06-01 odpoczynek-tygodniowy error"_s, u"2025-06-08 odpoczynek-tygodniowy error"_s,
                           u"2025-06-22 odpoczynek-tygodniowy error"_s}
            << u"trwa 32 h"_s;
        QTest::newRow("January, free days ignored") << date("2025-01-01") << date("2025-01-31") << false
            << QStringList{u"2025-01-01 swieto warning"_s, u"2025-01-01 wymiar error"_s, u"2025-01-06 swieto warning"_s}
            << u"o 16 h za dużo"_s;
    }
    void weeklyPlan()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(bool, includeFreeDays);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        WorkPlan plan;
        plan.Kind = PlanKind::WeeklyPlan;
        plan.FirstDay = dayOf(first);
        plan.LastDay = dayOf(last);
        plan.DailyNorm = 8 * 60;
        plan.DayStart = 8 * 60;
        plan.IncludeFreeDays = includeFreeDays;
        const ComplianceReport report = CheckCompliance(plan, freeDays2025(), {});
        QCOMPARE(findings(report), expected);
        QVERIFY2(messages(report).contains(message), qPrintable(messages(report)));
    }
};

QTEST_GUILESS_MAIN(TestComplianceCheck)
#include "tst_ComplianceCheck.moc"
