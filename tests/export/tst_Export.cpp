// Exports read back by real readers: plntool export writes them, poppler's
// pdfinfo and pdftotext read the PDF, Python's icalendar and csv modules
// (read_exports.py) the calendar and the table.
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "export/PdfExport.h"
#include "plan/PlanShifts.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Run
{
    int Code = -1;
    QString Out, Err;
};

Run RunProgram(const QString& program, const QStringList& args, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1767182400")); // 31-12-2025 12:00 UTC
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        result.Code = process.exitCode();
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Texts of the tables, with their Polish letters.
QStringList Texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

int32_t DayOf(int year, int month, int day)
{
    return int32_t(QDate(2000, 1, 1).daysTo(QDate(year, month, day)));
}

const QString NightPlan = QStringLiteral("Zmiany nocne, Łódź; „Żółta” hala");

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_plans; // DANE/PLANY: the plans, wolne.dat and the outputs

    Run Plntool(const QStringList& args) const
    {
        return RunProgram(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")),
                          QStringList{QStringLiteral("export")} + args, m_plans);
    }
    // The lines the reader prints for an exported file.
    QStringList Read(const char* format, const QString& file) const
    {
        const Run reader = RunProgram(QStringLiteral(PYTHON3),
                                      {QStringLiteral(READER_SCRIPT), QString::fromLatin1(format), file}, m_plans);
        if (reader.Code != 0) qWarning("%s", qPrintable(reader.Err));
        return reader.Code == 0 ? reader.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList{reader.Err};
    }

private slots:
    void initTestCase()
    {
        const QString data = QDir(m_root.path()).filePath(QStringLiteral("DANE"));
        m_plans = QDir(data).filePath(QStringLiteral("PLANY"));
        QVERIFY(QDir().mkpath(m_plans));
        // The suite's holidays, under a name in other letter case.
        QVERIFY(WriteDemoFreeDays(TestLibrary(), data, nullptr));
        QVERIFY(QFile::rename(QDir(m_plans).filePath(QStringLiteral("WOLNE.DAT")),
                              QDir(m_plans).filePath(QStringLiteral("wolne.dat"))));

        // Nights around both clock changes, days on either side, and a
        // shift on a holiday.
        const int32_t first = DayOf(2025, 3, 27);
        QByteArray days(DayOf(2025, 10, 27) - first + 1, '4');
        for (const auto& [date, slot] : {std::pair{QDate(2025, 3, 29), '2'},
                                         {QDate(2025, 3, 31), '0'},
                                         {QDate(2025, 5, 1), '1'},
                                         {QDate(2025, 10, 25), '2'},
                                         {QDate(2025, 10, 27), '0'}})
            days[DayOf(date.year(), date.month(), date.day()) - first] = slot;
        PlanFile night = SchedulePlanFile(first, DayOf(2025, 10, 27), days);
        night.Slots[0] = {360, 840, 600, 615};
        night.Slots[1] = {840, 1320, -1, -1};
        night.Slots[2] = {1320, 360, 120, 150};
        QVERIFY(WriteFile(QDir(m_plans).filePath(NightPlan + QStringLiteral(".PLN")), night.Build()));

        // Monday to Friday, 06:00 for 8 hours, free days taken into account.
        PlanFile weekly = WeeklyPlanFile(DayOf(2025, 4, 28), DayOf(2025, 5, 4), {1, 2, 2, 2, 2, 2, 1});
        weekly.Header[4] = 480 - 1440;
        weekly.DayStart = 360;
        weekly.Flags = 2;
        QVERIFY(WriteFile(QDir(m_plans).filePath(QStringLiteral("Tydzień.PLN")), weekly.Build()));

        PlanFile one = SchedulePlanFile(DayOf(2025, 12, 31), DayOf(2025, 12, 31), "0");
        one.Slots[0] = {480, 960, 720, 750};
        QVERIFY(WriteFile(QDir(m_plans).filePath(QStringLiteral("Sylwester.PLN")), one.Build()));
    }

    void shifts_data()
    {
        QTest::addColumn<QList<int>>("times"); // entry, exit, break from, break to
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("breakLength");
        QTest::addColumn<int>("workingTime");
        QTest::newRow("break within the paid quarter") << QList<int>{360, 840, 600, 615} << 1 << 480 << 15 << 480;
        QTest::newRow("night, break past midnight") << QList<int>{1320, 360, 1430, 20} << 1 << 480 << 30 << 465;
        QTest::newRow("exit at the entry: a whole day") << QList<int>{480, 480, -1, -1} << 1 << 1440 << 0 << 1440;
        QTest::newRow("equal break ends: no break") << QList<int>{360, 840, 600, 600} << 1 << 480 << 0 << 480;
        QTest::newRow("one break end: no break") << QList<int>{360, 840, 600, -1} << 1 << 480 << 0 << 480;
        QTest::newRow("no exit: no shift") << QList<int>{360, -1, 600, 615} << 0 << 0 << 0 << 0;
    }

    void shifts()
    {
        QFETCH(QList<int>, times);
        WorkPlan plan;
        plan.FirstDay = plan.LastDay = 100;
        plan.Days.Reset(100, 100, 3);
        plan.Schedules[3] = {int16_t(times[0]), int16_t(times[1]), int16_t(times[2]), int16_t(times[3])};
        int length = 0, breakLength = 0, workingTime = 0;
        const QVector<Shift> shifts = PlanShifts(plan, {}, 0, 200);
        for (const Shift& shift : shifts) {
            QCOMPARE(shift.Start, 100 * 1440 + times[0]);
            length += shift.Length;
            breakLength += shift.BreakLength;
            workingTime += shift.WorkingTime;
        }
        QTEST(int(shifts.size()), "count");
        QTEST(length, "length");
        QTEST(breakLength, "breakLength");
        QTEST(workingTime, "workingTime");
    }

    void weeklyShifts_data()
    {
        QTest::addColumn<bool>("includeFreeDays");
        QTest::addColumn<int>("dailyNorm");
        QTest::addColumn<QList<int>>("days"); // of May 2025
        QTest::newRow("the holiday skipped") << true << 480 << QList<int>{2, 5, 6};
        QTest::newRow("the holiday worked") << false << 480 << QList<int>{1, 2, 5, 6};
        QTest::newRow("no norm, no shifts") << true << 0 << QList<int>{};
    }

    void weeklyShifts()
    {
        QFETCH(bool, includeFreeDays);
        QFETCH(int, dailyNorm);
        WorkPlan plan;
        plan.Kind = PlanKind::WeeklyPlan;
        plan.FirstDay = DayOf(2025, 5, 1);
        plan.LastDay = DayOf(2025, 5, 7);
        plan.WeekdayKinds = {FreeWeekday,    WorkingWeekday, WorkingWeekday, FreeWeekday,
                             WorkingWeekday, WorkingWeekday, FreeWeekday};
        plan.IncludeFreeDays = includeFreeDays;
        plan.DailyNorm = dailyNorm;
        plan.DayStart = 420;
        QList<int> days;
        for (const Shift& shift :
             PlanShifts(plan, QMap<int32_t, QString>{{DayOf(2025, 5, 1), QStringLiteral("Święto Pracy")}}, 0, 20000)) {
            QCOMPARE(shift.Start, shift.Day * 1440 + 420);
            QCOMPARE(shift.WorkingTime, dailyNorm);
            days.append(QDate(2000, 1, 1).addDays(shift.Day).day());
        }
        QTEST(days, "days");
    }

    void months_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QDate>("from"); // the chosen months, none when invalid
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QList<QDate>>("months");
        QTest::addColumn<QDate>("firstExported"); // invalid when nothing is exported
        QTest::newRow("the whole range across a year's end")
            << QDate(2024, 11, 15) << QDate(2025, 1, 10) << QDate() << QDate()
            << QList<QDate>{{2024, 11, 1}, {2024, 12, 1}, {2025, 1, 1}} << QDate(2024, 11, 15);
        QTest::newRow("months inside the range")
            << QDate(2024, 11, 15) << QDate(2025, 1, 10) << QDate(2024, 12, 31) << QDate(2024, 12, 1)
            << QList<QDate>{{2024, 12, 1}} << QDate(2024, 12, 1);
        QTest::newRow("months around the range")
            << QDate(2024, 11, 15) << QDate(2025, 1, 10) << QDate(2024, 1, 1) << QDate(2026, 1, 1)
            << QList<QDate>{{2024, 11, 1}, {2024, 12, 1}, {2025, 1, 1}} << QDate(2024, 11, 15);
        QTest::newRow("months after the range") << QDate(2024, 11, 15) << QDate(2025, 1, 10) << QDate(2025, 2, 1)
                                                << QDate(2025, 3, 1) << QList<QDate>{} << QDate();
    }

    void months()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QDate, firstExported);
        PlanExportInput input;
        input.Plan.FirstDay = DayOf(first.year(), first.month(), first.day());
        input.Plan.LastDay = DayOf(last.year(), last.month(), last.day());
        if (from.isValid()) input.Months = MonthSpan{from, to};
        QTEST(ExportMonths(input), "months");
        const DaySpan days = ExportDays(input);
        QCOMPARE(days.IsEmpty() ? QDate() : QDate(2000, 1, 1).addDays(days.First), firstExported);
    }

    // The month's norm, which the caller supplies, beside the planned hours.
    void pdfNorm()
    {
        PlanExportInput input;
        input.Plan.Name = QStringLiteral("Sylwester");
        input.Plan.FirstDay = input.Plan.LastDay = DayOf(2025, 12, 31);
        input.Plan.Days.Reset(input.Plan.FirstDay, input.Plan.LastDay, 0);
        input.Plan.Schedules[0] = {480, 960, 720, 750};
        input.MonthNorms.insert(QDate(2025, 12, 1), 160 * 60);
        QBuffer pdf;
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        QVERIFY(WritePlanPdf(input, pdf));
        QVERIFY(WriteFile(QDir(m_plans).filePath(QStringLiteral("norm.pdf")), pdf.data()));
        const QString text =
            RunProgram(QStringLiteral("pdftotext"),
                       {QStringLiteral("-layout"), QStringLiteral("norm.pdf"), QStringLiteral("-")}, m_plans)
                .Out;
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Planowany czas pracy +07:45 h"))), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Wymiar czasu pracy +160:00 h"))), qPrintable(text));
    }

    void calendar_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("uidHash");    // of the name
        QTest::addColumn<QStringList>("events"); // date, summary, start and end (UTC), break
        QTest::newRow("nights across the clock changes")
            << NightPlan << QStringLiteral("f1acbf08c35dd7a4")
            << Texts({"20250329|Praca – harmonogram 2|2025-03-29T21:00Z|2025-03-30T04:00Z|Przerwa: 02:00–02:30",
                      "20250331|Praca – harmonogram 0|2025-03-31T04:00Z|2025-03-31T12:00Z|Przerwa: 10:00–10:15",
                      "20250501|Praca – harmonogram 1|2025-05-01T12:00Z|2025-05-01T20:00Z|",
                      "20251025|Praca – harmonogram 2|2025-10-25T20:00Z|2025-10-26T05:00Z|Przerwa: 02:00–02:30",
                      "20251027|Praca – harmonogram 0|2025-10-27T05:00Z|2025-10-27T13:00Z|Przerwa: 10:00–10:15"});
        QTest::newRow("weekly plan, 1 May free") << QStringLiteral("Tydzień") << QStringLiteral("eef832714fe4c8f0")
                                                 << Texts({"20250428|Praca|2025-04-28T04:00Z|2025-04-28T12:00Z|",
                                                           "20250429|Praca|2025-04-29T04:00Z|2025-04-29T12:00Z|",
                                                           "20250430|Praca|2025-04-30T04:00Z|2025-04-30T12:00Z|",
                                                           "20250502|Praca|2025-05-02T04:00Z|2025-05-02T12:00Z|"});
        QTest::newRow("one day")
            << QStringLiteral("Sylwester") << QStringLiteral("e0e54e648f457320")
            << Texts({"20251231|Praca – harmonogram 0|2025-12-31T07:00Z|2025-12-31T15:00Z|Przerwa: 12:00–12:30"});
    }

    void calendar()
    {
        QFETCH(QString, plan);
        QFETCH(QString, uidHash);
        QFETCH(QStringList, events);
        QCOMPARE(Plntool({plan + QStringLiteral(".PLN"), QStringLiteral("--ics"), QStringLiteral("out.ics")}).Code, 0);
        QStringList expected;
        for (const QString& event : events) {
            QStringList fields = event.split(QLatin1Char('|'));
            fields[0] += QLatin1Char('-') + uidHash + QStringLiteral("@grafenta");
            fields[4] +=
                (fields[4].isEmpty() ? QString() : QStringLiteral(" / ")) + QStringLiteral("Plan pracy: ") + plan;
            expected.append(fields.join(QStringLiteral(" | ")));
        }
        QCOMPARE(Read("ics", QStringLiteral("out.ics")), expected);
    }

    void csv_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("March of the night plan")
            << QStringList{NightPlan + QStringLiteral(".PLN")} + Texts({"--from", "2025-03", "--to", "2025-03"})
            << Texts({"2025-03-27|czwartek|dzień wolny|||||00:00", "2025-03-28|piątek|dzień wolny|||||00:00",
                      "2025-03-29|sobota|2|22:00|06:00|02:00|02:30|07:45", "2025-03-30|niedziela|dzień wolny|||||00:00",
                      "2025-03-31|poniedziałek|0|06:00|14:00|10:00|10:15|08:00"});
        QTest::newRow("weekly plan") << Texts({"Tydzień.PLN"})
                                     << Texts({"2025-04-28|poniedziałek|dzień pracujący|06:00|14:00|||08:00",
                                               "2025-04-29|wtorek|dzień pracujący|06:00|14:00|||08:00",
                                               "2025-04-30|środa|dzień pracujący|06:00|14:00|||08:00",
                                               "2025-05-01|czwartek|dzień wolny|||||00:00",
                                               "2025-05-02|piątek|dzień pracujący|06:00|14:00|||08:00",
                                               "2025-05-03|sobota|dzień wolny|||||00:00",
                                               "2025-05-04|niedziela|dzień wolny|||||00:00"});
        QTest::newRow("one day") << Texts({"Sylwester.PLN"})
                                 << Texts({"2025-12-31|środa|0|08:00|16:00|12:00|12:30|07:45"});
    }

    void csv()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rows);
        QCOMPARE(Plntool(args + QStringList{QStringLiteral("--csv"), QStringLiteral("out.csv")}).Code, 0);
        rows.prepend(
            QStringLiteral("Data|Dzień tygodnia|Harmonogram|Wejście|Wyjście|Przerwa od|Przerwa do|Czas pracy"));
        QCOMPARE(Read("csv", QStringLiteral("out.csv")), rows);
    }

    void pdf_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString night = NightPlan + QStringLiteral(".PLN");
        QTest::newRow("night plan, March to October")
            << QStringList{night} << 8
            << QStringList{QStringLiteral("Plan pracy „") + NightPlan} +
                   Texts({"MARZEC 2025", "PAŹDZIERNIK 2025", "Święto Pracy", "22:00–06:00"})
            << Texts({"LUTY", "LISTOPAD"});
        QTest::newRow("night plan, April and May")
            << QStringList{night} + Texts({"--from", "2025-04", "--to", "2025-05"}) << 2
            << Texts({"KWIECIEŃ 2025", "MAJ 2025"}) << Texts({"MARZEC", "CZERWIEC"});
        QTest::newRow("weekly plan") << Texts({"Tydzień.PLN"}) << 2
                                     << Texts({"KWIECIEŃ 2025", "MAJ 2025", "Norma dzienna", "06:00–14:00"})
                                     << Texts({"Harmonogram 0"});
        QTest::newRow("one day") << Texts({"Sylwester.PLN"}) << 1
                                 << Texts({"GRUDZIEŃ 2025", "Wydrukowano: 31-12-2025 12:00"}) << Texts({"STYCZEŃ"});
    }

    void pdf()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const Run written = Plntool(args + QStringList{QStringLiteral("--pdf"), QStringLiteral("out.pdf")});
        QVERIFY2(written.Code == 0, qPrintable(written.Err));
        const Run info = RunProgram(QStringLiteral("pdfinfo"), {QStringLiteral("out.pdf")}, m_plans);
        QCOMPARE(info.Code, 0);
        const QString pages = info.Out.section(QStringLiteral("Pages:"), 1).section(QLatin1Char('\n'), 0, 0).trimmed();
        QTEST(pages.toInt(), "pages");
        const Run text =
            RunProgram(QStringLiteral("pdftotext"), {QStringLiteral("out.pdf"), QStringLiteral("-")}, m_plans);
        for (const QString& wanted : present)
            QVERIFY2(text.Out.contains(wanted), qPrintable(wanted));
        for (const QString& unwanted : absent)
            QVERIFY2(!text.Out.contains(unwanted), qPrintable(unwanted));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << Texts({"Sylwester.PLN"}) << 2 << QStringLiteral("at least one of");
        QTest::newRow("month not YYYY-MM")
            << Texts({"Sylwester.PLN", "--csv", "x.csv", "--from", "2025-3"}) << 2 << QStringLiteral("YYYY-MM");
        QTest::newRow("months outside the plan") << Texts({"Sylwester.PLN", "--csv", "x.csv", "--from", "2026-01"}) << 2
                                                 << QStringLiteral("outside the months");
        QTest::newRow("missing plan") << Texts({"Brak.PLN", "--csv", "x.csv"}) << 1 << QStringLiteral("no such file");
        QTest::newRow("folder for a plan")
            << Texts({".", "--csv", "x.csv"}) << 1 << QStringLiteral("not a regular file");
        QTest::newRow("damaged plan") << Texts({"wolne.dat", "--csv", "x.csv"}) << 1
                                      << QStringLiteral("not a readable plan");
        QTest::newRow("unwritable output")
            << Texts({"Sylwester.PLN", "--csv", "brak/x.csv"}) << 2 << QStringLiteral("brak/x.csv");
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run refused = Plntool(args);
        QTEST(refused.Code, "code");
        QVERIFY2(refused.Err.contains(message), qPrintable(refused.Err));
        QVERIFY(!QFile::exists(QDir(m_plans).filePath(QStringLiteral("x.csv"))));
    }
};

QTEST_MAIN(TestExport) // a QGuiApplication (offscreen) for the fonts of the PDF pages
#include "tst_Export.moc"
