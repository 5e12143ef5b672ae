// Exports read back by real readers: plntool export writes them, poppler's
// pdftotext reads the PDF, Python's icalendar and csv modules
// (read_exports.py) the calendar and the table.
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "export/PdfExport.h"
#include "plan/PlanShifts.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

namespace {

// Texts of the tables, with their Polish letters.
QStringList Texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

// A plan of day 100 (10-04-2000) with one schedule: entry, exit, break from, break to.
WorkPlan OneDay(DaySchedule times)
{
    WorkPlan plan;
    plan.FirstDay = plan.LastDay = 100;
    plan.Days.Reset(100, 100, 3);
    plan.Schedules[3] = times;
    return plan;
}

const QString NightPlan = u"Zmiany nocne, Łódź; „Żółta” hala"_s;

// An export refused before anything is written: what stands at the output's
// name beforehand, the arguments ("OUT" for the output), and the reason given.
struct RefusedOutput
{
    QString Name;  // OUT, in a folder of its own beside PLANY
    PathSetup Put; // what stands there
    bool Root;     // a device is made: root only
    QString Args;
    QString Reason;
};

} // namespace

Q_DECLARE_METATYPE(WorkPlan)
Q_DECLARE_METATYPE(RefusedOutput)

class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_plans; // PLANY: the plans, wolne.dat and the outputs

    ToolRun Plntool(const QStringList& args) const
    {
        return RunProgram(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s),
                          QStringList{u"export"_s} + args, m_plans);
    }
    // The lines the reader prints for an exported file.
    QStringList Read(const char* format, const QString& file) const
    {
        const ToolRun reader = RunProgram(QStringLiteral(PYTHON3),
                                          {QStringLiteral(READER_SCRIPT), QString::fromLatin1(format), file}, m_plans);
        return reader.Code == 0 ? reader.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList{reader.Err};
    }
    QString PdfText(const QString& file) const
    {
        return RunProgram(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s}, m_plans).Out;
    }

private slots:
    void initTestCase()
    {
        // The environment of the programs run: the print time 31-12-2025 12:00 UTC.
        qputenv("SOURCE_DATE_EPOCH", "1767182400");
        qputenv("TZ", "UTC");
        m_plans = QDir(m_root.path()).filePath(u"PLANY"_s);
        QVERIFY(QDir().mkpath(m_plans));
        // The suite's holidays, under a name in other letter case.
        QVERIFY(WriteDemoFreeDays(TestLibrary(), m_root.path(), nullptr));
        QVERIFY(QFile::rename(QDir(m_plans).filePath(u"WOLNE.DAT"_s), QDir(m_plans).filePath(u"wolne.dat"_s)));

        // Nights around both clock changes, days on either side, and a
        // shift on a holiday.
        const int32_t first = DayOfDate(QDate(2025, 3, 27));
        QByteArray days(DayOfDate(QDate(2025, 10, 27)) - first + 1, '4');
        for (const auto& [date, slot] : {std::pair{QDate(2025, 3, 29), '2'},
                                         {QDate(2025, 3, 31), '0'},
                                         {QDate(2025, 5, 1), '1'},
                                         {QDate(2025, 10, 25), '2'},
                                         {QDate(2025, 10, 27), '0'}})
            days[DayOfDate(date) - first] = slot;
        PlanFile night = SchedulePlanFile(first, DayOfDate(QDate(2025, 10, 27)), days);
        night.Slots[0] = {360, 840, 600, 615};
        night.Slots[1] = {840, 1320, -1, -1};
        night.Slots[2] = {1320, 360, 120, 150};
        QVERIFY(WriteFile(QDir(m_plans).filePath(NightPlan + u".PLN"_s), night.Build()));

        // Monday to Friday, 06:00 for 8 hours, free days taken into account,
        // across a year's end.
        PlanFile weekly =
            WeeklyPlanFile(DayOfDate(QDate(2025, 12, 29)), DayOfDate(QDate(2026, 1, 4)), {1, 2, 2, 2, 2, 2, 1});
        weekly.Header[4] = 480 - 1440;
        weekly.DayStart = 360;
        weekly.Flags = 2;
        QVERIFY(WriteFile(QDir(m_plans).filePath(u"Tydzień.PLN"_s), weekly.Build()));
    }

    // Each shift as "start+length break/working time", the start counted from day 100.
    void shifts_data()
    {
        QTest::addColumn<WorkPlan>("plan");
        QTest::addColumn<QString>("shifts");
        QTest::newRow("night, break past midnight") << OneDay({1320, 360, 1430, 20}) << u"1320+480 30/465"_s;
        QTest::newRow("exit at the entry: a whole day") << OneDay({480, 480, -1, -1}) << u"480+1440 0/1440"_s;
        QTest::newRow("no exit: no shift") << OneDay({360, -1, 600, 615}) << QString();
        WorkPlan weekly = OneDay({}); // a Monday, a working day of the week
        weekly.Kind = PlanKind::WeeklyPlan;
        QTest::newRow("weekly plan without a norm: no shift") << weekly << QString();
    }

    void shifts()
    {
        QFETCH(WorkPlan, plan);
        QStringList shifts;
        for (const Shift& shift : PlanShifts(plan, {}, 0, 200))
            shifts << QString::asprintf("%d+%d %d/%d", shift.Start - 100 * MinutesPerDay, shift.Length,
                                        shift.BreakLength, shift.WorkingTime);
        QTEST(shifts.join(u"; "_s), "shifts");
    }

    // The month's norm, which the caller supplies, beside the planned hours.
    void pdfNorm()
    {
        PlanExportInput input;
        input.Plan = OneDay({480, 960, 720, 750});
        input.MonthNorms.insert(QDate(2000, 4, 1), 160 * 60);
        QFile pdf(QDir(m_plans).filePath(u"norm.pdf"_s));
        QVERIFY(pdf.open(QIODevice::WriteOnly) && WritePlanPdf(input, pdf));
        pdf.close();
        const QString text = PdfText(u"norm.pdf"_s);
        QVERIFY2(text.contains(QRegularExpression(u"Planowany czas pracy +07:45 h"_s)), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(u"Wymiar czasu pracy +160:00 h"_s)), qPrintable(text));
    }

    void calendar_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("uidHash");    // of the name
        QTest::addColumn<QStringList>("events"); // date, summary, start and end (UTC), break
        QTest::newRow("nights across the clock changes")
            << NightPlan << u"f1acbf08c35dd7a4"_s
            << Texts({"20250329|Praca – harmonogram 2|2025-03-29T21:00Z|2025-03-30T04:00Z|Przerwa: 02:00–02:30",
                      "20250331|Praca – harmonogram 0|2025-03-31T04:00Z|2025-03-31T12:00Z|Przerwa: 10:00–10:15",
                      "20250501|Praca – harmonogram 1|2025-05-01T12:00Z|2025-05-01T20:00Z|",
                      "20251025|Praca – harmonogram 2|2025-10-25T20:00Z|2025-10-26T05:00Z|Przerwa: 02:00–02:30",
                      "20251027|Praca – harmonogram 0|2025-10-27T05:00Z|2025-10-27T13:00Z|Przerwa: 10:00–10:15"});
        QTest::newRow("weekly plan, New Year's Day free")
            << u"Tydzień"_s << u"eef832714fe4c8f0"_s
            << Texts({"20251229|Praca|2025-12-29T05:00Z|2025-12-29T13:00Z|",
                      "20251230|Praca|2025-12-30T05:00Z|2025-12-30T13:00Z|",
                      "20251231|Praca|2025-12-31T05:00Z|2025-12-31T13:00Z|",
                      "20260102|Praca|2026-01-02T05:00Z|2026-01-02T13:00Z|"});
    }

    void calendar()
    {
        QFETCH(QString, plan);
        QFETCH(QString, uidHash);
        QFETCH(QStringList, events);
        QCOMPARE(Plntool({plan + u".PLN"_s, u"--ics"_s, u"out.ics"_s}).Code, 0);
        QStringList expected;
        for (const QString& event : events) {
            QStringList fields = event.split(QLatin1Char('|'));
            fields[0] += QLatin1Char('-') + uidHash + u"@grafenta"_s;
            fields[4] += (fields[4].isEmpty() ? QString() : u" / "_s) + u"Plan pracy: "_s + plan;
            expected.append(fields.join(u" | "_s));
        }
        QCOMPARE(Read("ics", u"out.ics"_s), expected);
    }

    void csv_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("March of the night plan")
            << QStringList{NightPlan + u".PLN"_s} + Texts({"--from", "2025-03", "--to", "2025-03"})
            << Texts({"2025-03-27|czwartek|dzień wolny|||||00:00", "2025-03-28|piątek|dzień wolny|||||00:00",
                      "2025-03-29|sobota|2|22:00|06:00|02:00|02:30|07:45", "2025-03-30|niedziela|dzień wolny|||||00:00",
                      "2025-03-31|poniedziałek|0|06:00|14:00|10:00|10:15|08:00"});
        QTest::newRow("January of the weekly plan")
            << Texts({"Tydzień.PLN", "--from", "2026-01"})
            << Texts({"2026-01-01|czwartek|dzień wolny|||||00:00",
                      "2026-01-02|piątek|dzień pracujący|06:00|14:00|||08:00",
                      "2026-01-03|sobota|dzień wolny|||||00:00", "2026-01-04|niedziela|dzień wolny|||||00:00"});
    }

    void csv()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rows);
        QCOMPARE(Plntool(args + QStringList{u"--csv"_s, u"out.csv"_s}).Code, 0);
        rows.prepend(u"Data|Dzień tygodnia|Harmonogram|Wejście|Wyjście|Przerwa od|Przerwa do|Czas pracy"_s);
        QCOMPARE(Read("csv", u"out.csv"_s), rows);
    }

    void pdf_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString night = NightPlan + u".PLN"_s;
        QTest::newRow("night plan, from before its range to May")
            << QStringList{NightPlan + u".PLN"_s} + Texts({"--from", "2025-01", "--to", "2025-05"}) << 3
            << QStringList{u"Plan pracy „"_s + NightPlan} +
                   Texts({"MARZEC 2025", "MAJ 2025", "Święto Pracy", "22:00–06:00"})
            << Texts({"LUTY", "CZERWIEC"});
        QTest::newRow("weekly plan, to after its range")
            << Texts({"Tydzień.PLN", "--to", "2026-03"}) << 2
            << Texts({"GRUDZIEŃ 2025", "STYCZEŃ 2026", "Norma dzienna", "06:00–14:00", "Wydrukowano: 31-12-2025 12:00"})
            << Texts({"Harmonogram 0", "LUTY"});
    }

    void pdf()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QCOMPARE(Plntool(args + QStringList{u"--pdf"_s, u"out.pdf"_s}).Code, 0);
        const QString text = PdfText(u"out.pdf"_s);
        QTEST(int(text.count(QLatin1Char('\f'))), "pages"); // pdftotext ends each page with a form feed
        for (const QString& wanted : present)
            QVERIFY2(text.contains(wanted), qPrintable(wanted));
        for (const QString& unwanted : absent)
            QVERIFY2(!text.contains(unwanted), qPrintable(unwanted));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << Texts({"Tydzień.PLN"}) << 2 << u"at least one of"_s;
        QTest::newRow("month not YYYY-MM")
            << Texts({"Tydzień.PLN", "--csv", "x.csv", "--from", "2025-3"}) << 2 << u"YYYY-MM"_s;
        QTest::newRow("months outside the plan")
            << Texts({"Tydzień.PLN", "--csv", "x.csv", "--from", "2026-02"}) << 2 << u"outside the months"_s;
        QTest::newRow("damaged plan") << Texts({"wolne.dat", "--csv", "x.csv"}) << 1 << u"not a readable plan"_s;
        QTest::newRow("unwritable output") << Texts({"Tydzień.PLN", "--csv", "brak/x.csv"}) << 2 << u"brak/x.csv"_s;
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const ToolRun refused = Plntool(args);
        QTEST(refused.Code, "code");
        QVERIFY2(refused.Err.contains(message), qPrintable(refused.Err));
        QVERIFY(!QFile::exists(QDir(m_plans).filePath(u"x.csv"_s)));
    }

    // A full disk: the tool names the cause, and leaves nothing there.
    void fullDisk()
    {
        QTemporaryDir root;
        FullDisk disk(root.filePath(u"pelny"_s));
        if (!disk.IsMounted()) QSKIP("needs root and a tmpfs the test may mount");
        disk.Fill();
        const ToolRun run = Plntool({u"Tydzień.PLN"_s, u"--ics"_s, root.filePath(u"pelny/plan.ics"_s)});
        QCOMPARE(run.Code, 2);
        const QString reason =
            u"plntool export: %1: No space left on device\n"_s.arg(root.filePath(u"pelny/plan.ics"_s));
        QVERIFY2(run.Err.endsWith(reason), qPrintable(run.Err)); // after the warning about the hand-made plan
        QCOMPARE(FolderEntries(root.filePath(u"pelny"_s)), u".fill"_s);
    }

    void refusedOutputs_data()
    {
        QTest::addColumn<RefusedOutput>("c");
        const QString input = u"a file this command reads"_s, link = u"a symbolic link"_s,
                      other = u"not a regular file"_s, plan = u"the name of a plan file"_s;
        const PathSetup copy = [this](const QString& path) {
            QFile::copy(QDir(m_plans).filePath(u"Tydzień.PLN"_s), path);
        };
        const PathSetup freeDays = FileOf(ReadFile(QDir(m_plans).filePath(u"wolne.dat"_s)));
        const PathSetup deviceLink = [](const QString& path) {
            CharDevice()(path + u".dev"_s);
            QFile::link(QFileInfo(path).fileName() + u".dev"_s, path);
        };
        // clang-format off
        QTest::newRow("the plan itself, --pdf") << RefusedOutput{u"kopia.PLN"_s, copy, false, u"export OUT --pdf OUT"_s, plan};
        QTest::newRow("the plan itself, --csv") << RefusedOutput{u"kopia"_s, copy, false, u"export OUT --csv OUT"_s, input};
        QTest::newRow("the plan itself, by another path") << RefusedOutput{u"kopia"_s, copy, false, u"export OUT --ics ../out/./kopia"_s, input};
        QTest::newRow("the free days read") << RefusedOutput{u"wolne"_s, freeDays, false, u"export Tydzień.PLN --wolne OUT --csv OUT"_s, input};
        QTest::newRow("another plan file") << RefusedOutput{u"Inny.pln"_s, copy, false, u"export Tydzień.PLN --csv OUT"_s, plan};
        QTest::newRow("a pipe") << RefusedOutput{u"wynik"_s, Pipe(), false, u"export Tydzień.PLN --csv OUT"_s, other};
        QTest::newRow("a device") << RefusedOutput{u"wynik"_s, CharDevice(), true, u"export Tydzień.PLN --csv OUT"_s, other};
        QTest::newRow("a link to a device") << RefusedOutput{u"wynik"_s, deviceLink, true, u"export Tydzień.PLN --ics OUT"_s, link};
        QTest::newRow("a link to the free days") << RefusedOutput{u"wynik"_s, LinkTo(u"../PLANY/wolne.dat"_s), false, u"export Tydzień.PLN --pdf OUT"_s, link};
        QTest::newRow("a folder") << RefusedOutput{u"wynik"_s, Directory(), false, u"export Tydzień.PLN --csv OUT"_s, other};
        QTest::newRow("one file for two outputs") << RefusedOutput{u"wynik"_s, Nothing(), false, u"export Tydzień.PLN --csv OUT --ics ../out/wynik"_s, u"--ics and --csv name the same file"_s};
        QTest::newRow("a pipe as the free days beside the plan") << RefusedOutput{u"../PLANY/WOLNE.DAT"_s, Pipe(), false, u"export Tydzień.PLN --csv wynik"_s, other};
        QTest::newRow("lint: the plan itself") << RefusedOutput{u"kopia"_s, copy, false, u"lint OUT --pdf OUT"_s, input};
        QTest::newRow("lint: the free days read") << RefusedOutput{u"wolne"_s, freeDays, false, u"lint Tydzień.PLN --wolne OUT --pdf OUT"_s, input};
        QTest::newRow("lint: a pipe") << RefusedOutput{u"wynik"_s, Pipe(), false, u"lint Tydzień.PLN --pdf OUT"_s, other};
        QTest::newRow("team: a plan of the team") << RefusedOutput{u"../PLANY/Tydzień.PLN"_s, Nothing(), false, u"team .. --month 2026-01 --csv OUT"_s, plan};
        QTest::newRow("team: an employee's record") << RefusedOutput{u"../PERSONEL/KOWALSKI.001"_s, FileOf("rekord"), false, u"team .. --month 2026-01 --pdf OUT"_s, input};
        QTest::newRow("team: the free days") << RefusedOutput{u"../PLANY/wolne.dat"_s, Nothing(), false, u"team .. --month 2026-01 --csv OUT"_s, input};
        QTest::newRow("team: one file for both") << RefusedOutput{u"wynik"_s, Nothing(), false, u"team .. --month 2026-01 --csv OUT --pdf ../out/wynik"_s, u"--csv and --pdf name the same file"_s};
        // clang-format on
    }

    // Outputs that must not be written: refused at once (exit 2), before
    // anything is written, and what stood at their names stays as it was.
    void refusedOutputs()
    {
        QFETCH(RefusedOutput, c);
        if (c.Root && ::geteuid() != 0) QSKIP("making a device needs root");
        QTemporaryDir root;
        const QString plans = root.filePath(u"PLANY"_s), out = root.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(plans) && QDir().mkpath(out) && QDir().mkpath(root.filePath(u"PERSONEL"_s)));
        QVERIFY(QFile::copy(QDir(m_plans).filePath(u"Tydzień.PLN"_s), QDir(plans).filePath(u"Tydzień.PLN"_s)));
        // The free days beside the plan, unless the row puts something there.
        if (!c.Name.contains(u"WOLNE"_s))
            QVERIFY(QFile::copy(QDir(m_plans).filePath(u"wolne.dat"_s), QDir(plans).filePath(u"wolne.dat"_s)));
        FileOf("rekord")(root.filePath(u"PERSONEL/NOWAK.002"_s)); // a team to read
        const QString target = QDir::cleanPath(QDir(out).filePath(c.Name));
        c.Put(target);
        const QString before = WhatStandsAt(target), folders = FolderEntries(out) + u'|' + FolderEntries(plans) + u'|' +
                                                               FolderEntries(root.filePath(u"PERSONEL"_s));
        QStringList args = c.Args.split(u' ');
        args.replaceInStrings(u"OUT"_s, target);
        const ToolRun refused =
            RunProgram(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s), args, plans, 20000);
        QVERIFY2(refused.Finished, "still running after 20 s");
        QCOMPARE(refused.Code, 2);
        QVERIFY2(refused.Err.contains(c.Reason), qPrintable(refused.Err));
        QCOMPARE(WhatStandsAt(target), before);
        QCOMPARE(FolderEntries(out) + u'|' + FolderEntries(plans) + u'|' + FolderEntries(root.filePath(u"PERSONEL"_s)),
                 folders);
    }
};

QTEST_MAIN(TestExport) // a QGuiApplication (offscreen) for the fonts of the PDF pages
#include "tst_Export.moc"
