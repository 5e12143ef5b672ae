// The labour-code check on hand-checked plans, run as plntool lint on plan
// files beside the demo free days: shifts, rests, breaks, night work,
// Sundays and the day off for them, free days and the norms of settlement
// periods, the options, the JSON and the exit codes.
#include "PlanFiles.h"

#include "compliance/ComplianceCheck.h"
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
// rule severity" joined by "; "), part of their messages and the first
// finding's article.
struct Case
{
    QByteArray Plan;
    const char* Args;
    int Code;
    const char* Findings;
    const char* Message = "";
    const char* Article = "";
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
        // 12 and 13 hours with a 15-minute break: more than 9 hours of work ask for 30 minutes.
        QTest::newRow("12 h, basic") << Case{Schedule("2025-01-13", "", "1", Shifts), "", 3,
            "2025-01-13 norma-dobowa error; 2025-01-13 przerwa error",
            "(12 h) przekracza normę dobową 8 h w systemie podstawowym", "art. 129 § 1"};
        QTest::newRow("12 h, equivalent") << Case{Schedule("2025-01-13", "", "1", Shifts), "--system rownowazny", 3,
            "2025-01-13 przerwa error", "ma 12 h czasu pracy i przerwę 15 min, a należy się co najmniej 30 min"};
        QTest::newRow("13 h, equivalent") << Case{Schedule("2025-01-13", "", "0", "07:00-20:00 12:00-12:15"),
            "--system rownowazny", 3, "2025-01-13 norma-dobowa error; 2025-01-13 przerwa error",
            "12 h w systemie równoważnym", "art. 135 § 1"};
        QTest::newRow("7 h, a break without its end") << Case{Schedule("2025-01-13", "", "0", "08:00-15:00 12:00-"),
            "", 3, "2025-01-13 przerwa error", "ma 7 h czasu pracy bez przerwy, a należy się co najmniej 15 min",
            "art. 134"};
        QTest::newRow("10 h, a 15-minute break") << Case{Schedule("2025-01-13", "", "0", "08:00-18:00 12:00-12:15"),
            "--system rownowazny", 3, "2025-01-13 przerwa error", "należy się co najmniej 30 min przerwy"};
        QTest::newRow("10 h, a 30-minute break")
            << Case{Schedule("2025-01-13", "", "0", "08:00-18:00 12:00-12:30"), "--system rownowazny", 0, ""};
        // Night work: a 10-hour night is too long only for arduous work.
        QTest::newRow("10 h at night, arduous") << Case{Schedule("2025-01-13", "", "0", "20:00-06:00 00:00-00:30"),
            "--system rownowazny --szczegolnie-niebezpieczna", 3, "2025-01-13 noc error",
            "ma 8 h w porze nocnej i 10 h czasu pracy", "art. 151⁷ § 3"};
        QTest::newRow("10 h at night") << Case{Schedule("2025-01-13", "", "0", "20:00-06:00 00:00-00:30"),
            "--system rownowazny", 0, ""};
        QTest::newRow("equal break times") << Case{Schedule("2025-01-13", "", "0", "08:00-15:00 12:00-12:00"), "", 3,
            "2025-01-13 przerwa error"};
        QTest::newRow("week of nights leaves 34 h") << Case{Schedule("2025-10-01", "", "2222240", Nights), "", 3,
            "2025-10-01 odpoczynek-tygodniowy error", "trwa 34 h, należy się co najmniej 35 h"};
        QTest::newRow("week of nights leaves 35 h") << Case{Schedule("2025-10-01", "", "2222240",
            "17:00-01:00 20:00-20:15||22:00-06:00 02:00-02:30"), "", 0, ""};
        QTest::newRow("last month's night cuts the week") << Case{Schedule("2025-09-30", "", "24000000", Nights), "",
            3, "2025-10-01 odpoczynek-tygodniowy error"};
        QTest::newRow("five Sundays") << Case{Schedule("2025-01-05", "2025-02-02", "0444444", Shifts), "", 3,
            "2025-01-26 niedziela error; 2025-02-02 niedziela error", "5. niedziela z rzędu z pracą (od 05-01-2025)",
            "art. 151¹²"};
        // A Sunday lasts from 06:00 unless the option says otherwise: a night
        // from Saturday ending at 06:00 is no Sunday work, one from Sunday is.
        QTest::newRow("Saturday nights") << Case{Schedule("2025-01-04", "2025-01-26", "4444442", Nights), "", 0, ""};
        QTest::newRow("Saturday nights, Sunday from 00:00") << Case{Schedule("2025-01-04", "2025-01-26", "4444442",
            Nights), "--niedziela 00:00", 3, "2025-01-26 niedziela error", "4. niedziela z rzędu z pracą (od 05-01-2025)"};
        QTest::newRow("Sunday nights") << Case{Schedule("2025-01-05", "2025-01-26", "2444444", Nights), "", 3,
            "2025-01-26 niedziela error"};
        QTest::newRow("Easter night from Saturday") << Case{Schedule("2025-04-19", "", "22", Nights),
            "--niedziela 00:00", 0, "2025-04-20 swieto warning",
            "Praca w dniu wolnym: Wielkanoc. Zmiana od 19-04-2025 22:00 trwa w czasie tego dnia, liczonym od 00:00."};
        // The day off for a worked Sunday within six days before or after it.
        QTest::newRow("Sunday, then a free Wednesday")
            << Case{Schedule("2025-02-03", "", "0000000004000", Shifts), "", 0, ""};
        QTest::newRow("Sunday among twelve working days") << Case{Schedule("2025-02-03", "", "0000000000000", Shifts),
            "", 3, "2025-02-08 odpoczynek-tygodniowy error; 2025-02-09 dzien-wolny-za-niedziele warning",
            "każdy dzień od 03-02-2025 do 15-02-2025 ma zmianę", "art. 133 § 1"};
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
        // The old layout's shifts start at 00:00: Monday's work until 06:00 falls on the Sunday
        // and the work after a free Tuesday on the holiday.
        QTest::newRow("old weekly, November, Sundays from 06:00") << Case{Weekly("2025-11-01", "2025-11-30", true,
            {4, 0, 0, 0, 0, 0, 4}, true), "--niedziela 06:00", 3,
            "2025-11-01 wymiar error; 2025-11-11 swieto warning; 2025-11-23 niedziela error",
            "Zmiana od 12-11-2025 00:00 trwa w czasie tego dnia, liczonym od 06:00."};
        QTest::newRow("old weekly, November, Sundays from 00:00") << Case{Weekly("2025-11-01", "2025-11-30", true,
            {4, 0, 0, 0, 0, 0, 4}, true), "--niedziela 00:00", 3, "2025-11-01 wymiar error",
            "Zaplanowano 152 h, a wymiar czasu pracy okresu rozliczeniowego 01-11-2025 – 30-11-2025 wynosi 144 h: "
            "o 8 h za dużo.", "art. 130"};
        QTest::newRow("weekly, June: weeks from Sunday") << Case{Weekly("2025-06-01", "2025-06-30", true), "", 3,
            "2025-06-01 odpoczynek-tygodniowy error; 2025-06-08 odpoczynek-tygodniowy error; "
            "2025-06-22 odpoczynek-tygodniowy error", "trwa 32 h, należy się co najmniej 35 h. Tygodnie liczy się od "
            "pierwszego dnia okresu rozliczeniowego (art. 128 § 3 pkt 2), a ten okres zaczyna się w niedzielę "
            "01-06-2025"};
        QTest::newRow("weekly, January, free days ignored") << Case{Weekly("2025-01-01", "2025-01-31", false), "", 3,
            "2025-01-01 swieto warning; 2025-01-01 wymiar error; 2025-01-06 swieto warning", "o 16 h za dużo"};
        // Refused: the plan (1), the free days or the options (2).
        QTest::newRow("damaged plan") << Case{"no plan", "", 1, ""};
        QTest::newRow("damaged free days") << Case{Schedule("2025-04-21", "", "0", Shifts), "--wolne %1/BAD", 2, ""};
        QTest::newRow("five months") << Case{Schedule("2025-04-21", "", "0", Shifts), "--okres 5", 2, ""};
        QTest::newRow("Sunday from 06:30") << Case{Schedule("2025-04-21", "", "0", Shifts), "--niedziela 06:30", 2, ""};
        QTest::newRow("night from 20:00") << Case{Schedule("2025-04-21", "", "0", Shifts), "--noc 20", 2, ""};
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
        if (*row.Article) QCOMPARE(json[u"findings"_s][0][u"article"_s].toString(), QString::fromUtf8(row.Article));
    }

    // The options and each period's "from to norm planned night" (no norm for a period the plan covers in part).
    void periods_data()
    {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("periods");
        QTest::newRow("part of a quarter")
            << Schedule("2025-01-13", "", "00000", Shifts) << u"--okres 3 --system rownowazny"_s
            << u"rownowazny 3 06:00 22:00 false; 2025-01-01 2025-03-31 null 2325 0"_s;
        QTest::newRow("weekly, November") << Weekly("2025-11-01", "2025-11-30", true) << QString()
                                          << u"podstawowy 1 06:00 22:00 false; 2025-11-01 2025-11-30 8640 9120 0"_s;
        QTest::newRow("10 h, a 30-minute break: all of it work")
            << Schedule("2025-01-13", "", "0", "08:00-18:00 12:00-12:30") << u"--okres 12"_s
            << u"podstawowy 12 06:00 22:00 false; 2025-01-01 2025-12-31 null 600 0"_s;
        QTest::newRow("20:00-04:00, night from 22:00")
            << Schedule("2025-01-13", "", "0", "20:00-04:00 00:00-00:30") << u"--okres 6"_s
            << u"podstawowy 6 06:00 22:00 false; 2025-01-01 2025-06-30 null 465 360"_s;
        QTest::newRow("20:00-04:00, night from 21:00")
            << Schedule("2025-01-13", "", "0", "20:00-04:00 00:00-00:30")
            << u"--noc 21 --niedziela 23:00 --szczegolnie-niebezpieczna"_s
            << u"podstawowy 1 23:00 21:00 true; 2025-01-01 2025-01-31 null 465 420"_s;
    }

    void periods()
    {
        QFETCH(QByteArray, plan);
        QFETCH(QString, options);
        const QJsonObject json = Lint(plan, options).second;
        QTEST(u"%1 %2 %3 %4 %5; "_s.arg(json[u"system"_s].toString())
                      .arg(json[u"periodMonths"_s].toInt())
                      .arg(json[u"sundayStart"_s].toString(), json[u"nightStart"_s].toString())
                      .arg(json[u"arduousWork"_s].toVariant().toString()) +
                  Joined(json[u"periods"_s], "from to normMinutes plannedMinutes nightMinutes"),
              "periods");
    }

    // The report for an inspection, read back with pdftotext: the plan and
    // the options, the count of each rule, every finding numbered in order
    // across pages under the table's header, the periods with night time.
    void report()
    {
        qputenv("SOURCE_DATE_EPOCH", "1767182400"); // 31-12-2025 12:00 UTC
        qputenv("TZ", "UTC");
        // Nights every day of half a year: weekly rest, Sundays and their days off, holidays, the norm.
        const QString pdf = Path("raport.pdf");
        const auto [code, json] = Lint(Schedule("2025-01-01", "2025-06-30", "2222222", Nights),
                                       u"--okres 3 --szczegolnie-niebezpieczna --pdf "_s + pdf);
        QCOMPARE(code, 3);
        const ToolRun read = RunProgram(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QCOMPARE(read.Code, 0);
        const QString& text = read.Out;
        for (const char* part :
             {"Raport zgodności planu pracy z Kodeksem pracy", "Plan pracy „P”, 01-01-2025 – 30-06-2025", "3 miesiące",
              "22:00–06:00", "06:00 (doba od tej godziny)", "31-12-2025 12:00"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        const QJsonArray findings = json[u"findings"_s].toArray();
        const qsizetype weeks = std::count_if(findings.begin(), findings.end(), [](const QJsonValue& finding) {
            return finding[u"rule"_s].toString() == u"odpoczynek-tygodniowy"_s;
        });
        QVERIFY(text.contains(QRegularExpression(u"Odpoczynek tygodniowy +art. 133 § 1 +%1 +0\\n"_s.arg(weeks))));
        QVERIFY(text.contains(QRegularExpression(u"Praca w nocy +art. 151⁷ § 3 +0 +0\\n"_s)));
        // Each finding's number and date begin its row, in the order of the JSON.
        QStringList rows, expected;
        const QRegularExpression findingRow(u"^ *(\\d+) +(\\d\\d-\\d\\d-\\d{4}) "_s,
                                            QRegularExpression::MultilineOption);
        auto row = findingRow.globalMatch(text);
        while (row.hasNext()) {
            const auto match = row.next();
            rows << match.captured(1) + u' ' + match.captured(2);
        }
        for (qsizetype i = 0; i < findings.size(); ++i)
            expected << u"%1 %2"_s.arg(i + 1).arg(
                QDate::fromString(findings[i][u"date"_s].toString(), Qt::ISODate).toString(u"dd-MM-yyyy"_s));
        QCOMPARE(rows, expected);
        const qsizetype pages = text.count(QLatin1Char('\f')); // pdftotext ends each page with a form feed
        QVERIFY2(pages >= 3, qPrintable(text));
        QVERIFY(text.contains(u"Strona %1 z %1"_s.arg(pages)));
        // Every page with findings has the table's header above them.
        for (const QString& page : text.split(QLatin1Char('\f'))) {
            if (page.contains(findingRow))
                QVERIFY2(page.contains(QRegularExpression(u"Lp\\. +Data +Zasada i podstawa +Rodzaj +Opis"_s)),
                         qPrintable(page));
        }
        // The first quarter: 90 nights of 8 hours at night.
        QVERIFY(text.contains(QRegularExpression(u"01-01-2025 – 31-03-2025 +\\S+ h +697:30 h +\\S+ h +720:00 h"_s)));

        // A report that cannot be written: the reason, and no file.
        const QString lost = Path("brak/raport.pdf");
        const QStringList args{u"lint"_s, Path("P.PLN"), u"--pdf"_s, lost};
        const ToolRun refused = RunPlntool(args);
        QCOMPARE(refused.Code, 2);
        QVERIFY2(refused.Err.contains(lost), qPrintable(refused.Err));
        QVERIFY(!QFileInfo::exists(lost));
    }

    // A year's norm is the sum of its months' norms: both count 8 hours for
    // every weekday but the holidays, however the weeks fall.
    void yearNorm()
    {
        const QByteArray year = Schedule("2025-01-01", "2025-12-31", "4000004", Shifts);
        const QJsonObject months = Lint(year, u"--okres 1"_s).second;
        const QJsonObject whole = Lint(year, u"--okres 12"_s).second;
        qint64 sum = 0;
        for (const auto& period : months[u"periods"_s].toArray())
            sum += period[u"normMinutes"_s].toInteger();
        QCOMPARE(months[u"periods"_s].toArray().size(), 12);
        QCOMPARE(whole[u"periods"_s].toArray().size(), 1);
        // 261 weekdays in 2025, less 12 holidays on weekdays and Saturdays, 8 hours each.
        QCOMPARE(whole[u"periods"_s][0][u"normMinutes"_s].toInteger(), (261 - 12) * 8 * 60);
        QCOMPARE(sum, (261 - 12) * 8 * 60);
    }

    // A free day's description longer than a message is put together in:
    // the message holds it whole, and what follows it in its place.
    void longFreeDayName()
    {
        WorkPlan plan;
        plan.FirstDay = plan.LastDay = DayOf("2025-04-20");
        plan.Schedules[2] = {22 * 60, 6 * 60, 2 * 60, 2 * 60 + 30};
        plan.Days.Reset(plan.FirstDay - 1, plan.LastDay);
        plan.Days.Set(plan.FirstDay - 1, 2);
        plan.Days.Set(plan.FirstDay, FreeDaySlot);
        plan.FirstDay -= 1;
        const QString name = u"Wielkanoc "_s.repeated(100);
        ComplianceOptions options;
        options.SundayStart = 0;
        const ComplianceReport report = CheckCompliance(plan, {{plan.LastDay, name}}, options);
        QCOMPARE(report.Findings.size(), 1);
        QCOMPARE(report.Findings.at(0).Message(), u"Praca w dniu wolnym: "_s + name +
                                                      u". Zmiana od 19-04-2025 22:00 trwa w czasie tego dnia, "
                                                      u"liczonym od 00:00."_s);
    }
};

QTEST_GUILESS_MAIN(TestComplianceCheck)
#include "tst_ComplianceCheck.moc"
