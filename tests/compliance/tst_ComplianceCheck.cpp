// The labour-code check on hand-checked plans, run as plntool lint on plan
// files beside the demo free days: shifts, rests, Sundays, free days and the
// norms of settlement periods, the JSON and the exit codes.
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "freedays/DniWolne.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

namespace {

int32_t DayOf(const char* iso)
{
    return DayOfDate(QDate::fromString(QString::fromLatin1(iso), Qt::ISODate));
}

// A schedule plan from first: days holds one slot digit a day, or a week of
// them (Sunday first) repeated up to last; times the slots' "hh:mm-hh:mm
// hh:mm-hh:mm" (work, then the break) separated by '|'.
QByteArray Schedule(const char* first, const char* last, const QByteArray& days, const char* times)
{
    const int32_t firstDay = DayOf(first);
    const int32_t lastDay = *last ? DayOf(last) : firstDay + int32_t(days.size()) - 1;
    QByteArray table;
    for (int32_t day = firstDay; day <= lastDay; ++day)
        table += days.at(*last ? WeekdayOf(day) : day - firstDay);
    PlanFile plan = SchedulePlanFile(firstDay, lastDay, table);
    const QStringList schedules = QString::fromLatin1(times).split(u'|');
    for (qsizetype slot = 0; slot < schedules.size(); ++slot) {
        const QStringList clocks = schedules.at(slot).split(QRegularExpression(u"[ -]"_s));
        const auto time = [&](int i) { return int16_t(GodzinaNaMinuty(clocks.value(i))); };
        plan.Slots.at(size_t(slot)) = {time(0), time(1), time(2), time(3)};
    }
    return plan.Build();
}

// A weekly plan, 8 hours from 08:00 (from 00:00 in the old layout, which has
// no start of the day) on the working days of the week (Sunday first; Monday
// to Friday unless given), that takes the free days into account or not.
QByteArray Weekly(const char* first, const char* last, bool includeFreeDays,
                  const std::array<uint8_t, 7>& weekdays = {1, 2, 2, 2, 2, 2, 1}, bool legacy = false)
{
    PlanFile plan = WeeklyPlanFile(DayOf(first), DayOf(last), weekdays, legacy);
    plan.Header[4] = 8 * 60 - MinutesPerDay;
    plan.DayStart = 8 * 60;
    plan.Flags = includeFreeDays ? 2 : 0;
    return plan.Build();
}

// The plan, the options after its path (%1 is the folder of the demo free
// days and of the files EMPTY and BAD), the exit code, the findings ("date
// rule severity" joined by "; ") and part of their messages.
struct Case
{
    QByteArray Plan;
    const char* Args;
    int Code;
    const char* Findings;
    const char* Message = "";
};

const char* const Shifts = "08:00-16:00 12:00-12:30|07:00-19:00 12:00-12:15|22:00-06:00 02:00-02:30";
const char* const Nights = "16:00-00:00 20:00-20:15||22:00-06:00 02:00-02:30";

// The values of the keys (separated by blanks) of each item.
QString Joined(const QJsonValue& items, const char* keys)
{
    QStringList out;
    for (const auto& item : items.toArray()) {
        QStringList fields;
        for (const QString& key : QString::fromLatin1(keys).split(QLatin1Char(' ')))
            fields << (item[key].isNull() ? u"null"_s : item[key].toVariant().toString());
        out << fields.join(QLatin1Char(' '));
    }
    return out.join(u"; "_s);
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestComplianceCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;

    QString Path(const char* name) const { return QDir(m_root.path()).filePath(QString::fromLatin1(name)); }

    // plntool lint on the plan, saved as P.PLN: the exit code and the JSON.
    std::pair<int, QJsonObject> Lint(const QByteArray& plan, const QString& options) const
    {
        if (!WriteFile(Path("P.PLN"), plan)) return {-1, {}};
        const ToolRun run = RunPlntool(
            (u"lint %1/P.PLN "_s + options).arg(m_root.path()).split(QLatin1Char(' '), Qt::SkipEmptyParts), 20000);
        return {run.Code, QJsonDocument::fromJson(run.Out.toUtf8()).object()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(Path("PLANY")));
        QVERIFY(WriteDemoFreeDays(TestLibrary(), m_root.path(), nullptr));
        // The suite's file systems ignore letter case; so does the lookup beside the plan.
        QVERIFY(QDir().rename(Path("PLANY/WOLNE.DAT"), Path("Wolne.dat")));
        // A free day before 2000.
        QVERIFY(WriteFile(Path("BAD"), PlanFile::Word(-MinutesPerDay) + QByteArray(FreeDayRecordSize - 4, 'A')));
        QVERIFY(WriteFile(Path("EMPTY"), {}));
    }

    void check_data()
    {
        // clang-format off
        QTest::addColumn<Case>("row");
        const char* late = "14:00-22:00 18:00-18:15|06:00-14:00 10:00-10:15";
        QTest::newRow("afternoon, then morning") << Case{Schedule("2025-01-13", "", "01", late), "", 3,
            "2025-01-14 doba error; 2025-01-14 odpoczynek-dobowy error",
            "16 h po początku poprzedniej (13-01-2025 14:00)"};
        QTest::newRow("11 h of rest, 19 h apart") << Case{Schedule("2025-01-13", "", "01",
            "14:00-22:00 18:00-18:15|09:00-17:00 12:00-12:15"), "", 3, "2025-01-14 doba error"};
        QTest::newRow("12 h, basic") << Case{Schedule("2025-01-13", "", "1", Shifts), "", 3,
            "2025-01-13 norma-dobowa error", "(12 h) przekracza normę dobową 8 h w systemie podstawowym"};
        QTest::newRow("12 h, equivalent")
            << Case{Schedule("2025-01-13", "", "1", Shifts), "--system rownowazny", 0, ""};
        QTest::newRow("13 h, equivalent") << Case{Schedule("2025-01-13", "", "0", "07:00-20:00 12:00-12:15"),
            "--system rownowazny", 3, "2025-01-13 norma-dobowa error", "12 h w systemie równoważnym"};
        QTest::newRow("7 h, a break without its end") << Case{Schedule("2025-01-13", "", "0", "08:00-15:00 12:00-"),
            "", 3, "2025-01-13 przerwa error", "ma 7 h czasu pracy"};
        QTest::newRow("equal break times") << Case{Schedule("2025-01-13", "", "0", "08:00-15:00 12:00-12:00"), "", 3,
            "2025-01-13 przerwa error"};
        QTest::newRow("week of nights leaves 34 h") << Case{Schedule("2025-10-01", "", "2222240", Nights), "", 3,
            "2025-10-01 odpoczynek-tygodniowy error", "trwa 34 h, należy się co najmniej 35 h"};
        QTest::newRow("week of nights leaves 35 h") << Case{Schedule("2025-10-01", "", "2222240",
            "17:00-01:00 20:00-20:15||22:00-06:00 02:00-02:30"), "", 0, ""};
        QTest::newRow("last month's night cuts the week") << Case{Schedule("2025-09-30", "", "24000000", Nights), "",
            3, "2025-10-01 odpoczynek-tygodniowy error"};
        QTest::newRow("five Sundays") << Case{Schedule("2025-01-05", "2025-02-02", "0444444", Shifts), "", 3,
            "2025-01-26 niedziela error; 2025-02-02 niedziela error", "5. niedziela z rzędu z pracą (od 05-01-2025)"};
        QTest::newRow("free fourth Sunday")
            << Case{Schedule("2025-01-05", "", "04444440444444044444444444440", Shifts), "", 0, ""};
        QTest::newRow("Easter Monday") << Case{Schedule("2025-04-21", "", "0", Shifts), "", 0,
            "2025-04-21 swieto warning", "Praca w dniu wolnym: Poniedziałek Wielkanocny."};
        QTest::newRow("Easter Monday, no free days") << Case{Schedule("2025-04-21", "", "0", Shifts),
            "--wolne %1/EMPTY", 0, ""};
        // The norm of whole periods against the working time of the shifts that start in them.
        QTest::newRow("office, November 2025") << Case{Schedule("2025-11-01", "2025-11-30", "4000004", Shifts), "", 3,
            "2025-11-01 wymiar error; 2025-11-11 swieto warning",
            "Zaplanowano 155 h, a wymiar czasu pracy okresu rozliczeniowego 01-11-2025 – 30-11-2025 wynosi 144 h"};
        QTest::newRow("Friday nights count where they start") << Case{Schedule("2025-01-31", "2025-02-28",
            "4444424", Shifts), "", 0, "2025-02-01 wymiar warning", "Zaplanowano 31 h, a wymiar czasu pracy okresu "
            "rozliczeniowego 01-02-2025 – 28-02-2025 wynosi 160 h: o 129 h za mało."};
        QTest::newRow("four months, from February") << Case{Schedule("2025-02-01", "2025-12-31", "4444444", Shifts),
            "--okres 4", 0, "2025-05-01 wymiar warning; 2025-09-01 wymiar warning",
            "01-05-2025 – 31-08-2025 wynosi 664 h"};
        // Weekly plans, with free days Monday to Saturday that lower the norm but not the planned time.
        QTest::newRow("old weekly, November") << Case{Weekly("2025-11-01", "2025-11-30", true, {4, 0, 0, 0, 0, 0, 4},
            true), "", 3, "2025-11-01 wymiar error", "Zaplanowano 152 h, a wymiar czasu pracy okresu rozliczeniowego "
            "01-11-2025 – 30-11-2025 wynosi 144 h: o 8 h za dużo."};
        QTest::newRow("weekly, June: weeks from Sunday") << Case{Weekly("2025-06-01", "2025-06-30", true), "", 3,
            "2025-06-01 odpoczynek-tygodniowy error; 2025-06-08 odpoczynek-tygodniowy error; "
            "2025-06-22 odpoczynek-tygodniowy error", "trwa 32 h"};
        QTest::newRow("weekly, January, free days ignored") << Case{Weekly("2025-01-01", "2025-01-31", false), "", 3,
            "2025-01-01 swieto warning; 2025-01-01 wymiar error; 2025-01-06 swieto warning", "o 16 h za dużo"};
        // Refused: the plan (1), the free days or the options (2).
        QTest::newRow("damaged plan") << Case{"no plan", "", 1, ""};
        QTest::newRow("damaged free days") << Case{Schedule("2025-04-21", "", "0", Shifts), "--wolne %1/BAD", 2, ""};
        QTest::newRow("five months") << Case{Schedule("2025-04-21", "", "0", Shifts), "--okres 5", 2, ""};
        // clang-format on
    }

    void check()
    {
        QFETCH(Case, row);
        const auto [code, json] = Lint(row.Plan, QString::fromLatin1(row.Args));
        QCOMPARE(code, row.Code);
        QCOMPARE(Joined(json[u"findings"_s], "date rule severity"), QString::fromUtf8(row.Findings));
        const QString messages = Joined(json[u"findings"_s], "message");
        QVERIFY2(messages.contains(QString::fromUtf8(row.Message)), qPrintable(messages));
    }

    // The options and each period's "from to norm planned" (no norm for a period the plan covers in part).
    void periods_data()
    {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("periods");
        QTest::newRow("part of a quarter")
            << Schedule("2025-01-13", "", "00000", Shifts) << u"--okres 3 --system rownowazny"_s
            << u"rownowazny 3; 2025-01-01 2025-03-31 null 2325"_s;
        QTest::newRow("weekly, November") << Weekly("2025-11-01", "2025-11-30", true) << QString()
                                          << u"podstawowy 1; 2025-11-01 2025-11-30 8640 9120"_s;
    }

    void periods()
    {
        QFETCH(QByteArray, plan);
        QFETCH(QString, options);
        const QJsonObject json = Lint(plan, options).second;
        QTEST(u"%1 %2; "_s.arg(json[u"system"_s].toString()).arg(json[u"periodMonths"_s].toInt()) +
                  Joined(json[u"periods"_s], "from to normMinutes plannedMinutes"),
              "periods");
    }
};

QTEST_GUILESS_MAIN(TestComplianceCheck)
#include "tst_ComplianceCheck.moc"
