// plntool team on the demo data directory: the JSON a script reads, the CSV
// table, and the PDF pages read back with poppler's pdftotext; with more
// than 40 employees the month continues on a second page.
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "demo/DemoStaff.h"
#include "export/TeamExport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QStringList Keys(const QJsonObject& object)
{
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestTeamOutput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_data;  // the demo's DANE
    QString m_large; // 45 employees on the demo plans

    QString PdfText(const QString& file) const { return RunProgram(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s}).Out; }
    QString Out(const QString& name) const { return QDir(m_root.path()).filePath(name); }

private slots:
    void initTestCase()
    {
        qputenv("SOURCE_DATE_EPOCH", "1767182400");
        QString error;
        QVERIFY2(WriteDemoDataDirectory(TestLibrary(), m_root.path(), &error), qPrintable(error));
        m_data = QDir(m_root.path()).filePath(u"DANE"_s);
        m_large = QDir(m_root.path()).filePath(u"large/DANE"_s);
        QVERIFY(QDir().mkpath(QDir(m_large).filePath(u"PERSONEL"_s)) &&
                QDir().mkpath(QDir(m_large).filePath(u"PLANY"_s)));
        QVERIFY(WriteDemoPlans(TestLibrary(), m_large, &error));
        QVERIFY(WriteDemoEmployees(TestLibrary(), QDir(m_large).filePath(u"PERSONEL"_s),
                                   MakeDemoEmployees(45, 7, DemoPlanNames()), &error));
    }

    // The JSON form, and a three-shift employee's March day by day.
    void json()
    {
        const ToolRun run = RunPlntool({u"team"_s, m_data, u"--month"_s, u"2025-03"_s});
        QCOMPARE(run.Code, 0);
        QJsonParseError parse{};
        const QJsonObject team = QJsonDocument::fromJson(run.Out.toUtf8(), &parse).object();
        QCOMPARE(parse.error, QJsonParseError::NoError);
        QCOMPARE(Keys(team), Sorted({u"from"_s, u"to"_s, u"employees"_s, u"coverage"_s}));
        QCOMPARE(team.value(u"from"_s).toString(), u"2025-03-01"_s);
        QCOMPARE(team.value(u"to"_s).toString(), u"2025-03-31"_s);

        const QJsonArray employees = team.value(u"employees"_s).toArray();
        QCOMPARE(employees.size(), 40);
        QJsonObject shifts;
        QStringList states;
        for (const auto& value : employees) {
            const QJsonObject employee = value.toObject();
            QCOMPARE(Keys(employee), Sorted({u"number"_s, u"surname"_s, u"firstName"_s, u"group"_s, u"plan"_s,
                                             u"state"_s, u"days"_s, u"plannedMinutes"_s, u"normMinutes"_s}));
            states.append(employee.value(u"state"_s).toString());
            if (shifts.isEmpty() && employee.value(u"plan"_s).toString() == u"Trzy zmiany"_s) shifts = employee;
            // March 2025: 21 weekdays, 168 hours, for everybody.
            QCOMPARE(employee.value(u"normMinutes"_s).toInt(), 168 * 60);
        }
        states.removeDuplicates();
        QCOMPARE(Sorted(states), (QStringList{u"no-plan"_s, u"ok"_s}));

        // A week each of mornings, afternoons and nights, Monday to Friday.
        QStringList days;
        for (const auto& value : shifts.value(u"days"_s).toArray()) {
            const QJsonObject day = value.toObject();
            QCOMPARE(Keys(day), Sorted({u"date"_s, u"start"_s, u"end"_s, u"minutes"_s}));
            days.append(u"%1 %2-%3 %4"_s
                            .arg(day.value(u"date"_s).toString().right(2), day.value(u"start"_s).toString(),
                                 day.value(u"end"_s).toString())
                            .arg(day.value(u"minutes"_s).toInt()));
        }
        QStringList expected;
        for (int day : {3, 4, 5, 6, 7, 24, 25, 26, 27, 28})
            expected.append(u"%1 06:00-14:00 480"_s.arg(day, 2, 10, QLatin1Char('0')));
        for (int day : {10, 11, 12, 13, 14, 31})
            expected.append(u"%1 14:00-22:00 480"_s.arg(day));
        for (int day : {17, 18, 19, 20, 21})
            expected.append(u"%1 22:00-06:00 465"_s.arg(day));
        QCOMPARE(Sorted(days), Sorted(expected));
        QCOMPARE(shifts.value(u"plannedMinutes"_s).toInt(), 16 * 480 + 5 * 465);

        const QJsonArray coverage = team.value(u"coverage"_s).toArray();
        QCOMPARE(coverage.size(), 31);
        QStringList slotKeys;
        for (const auto& value : coverage) {
            const QJsonObject day = value.toObject();
            QCOMPARE(Keys(day), Sorted({u"date"_s, u"working"_s, u"bySlot"_s, u"byHour"_s}));
            QCOMPARE(day.value(u"byHour"_s).toArray().size(), 24);
            int bySlot = 0;
            const QJsonObject byShift = day.value(u"bySlot"_s).toObject();
            for (const auto& count : byShift)
                bySlot += count.toInt();
            QCOMPARE(bySlot, day.value(u"working"_s).toInt());
            if (slotKeys.isEmpty()) slotKeys = byShift.keys();
            QCOMPARE(byShift.keys(), slotKeys);
        }
        QVERIFY(slotKeys.contains(u"22:00-06:00"_s));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no month") << QStringList{u"DANE"_s} << 2;
        QTest::newRow("a month of 13") << QStringList{u"DANE"_s, u"--month"_s, u"2025-13"_s} << 2;
        QTest::newRow("a day for a month") << QStringList{u"DANE"_s, u"--month"_s, u"2025-03-01"_s} << 2;
        QTest::newRow("two folders") << QStringList{u"DANE"_s, u"X"_s, u"--month"_s, u"2025-03"_s} << 2;
        QTest::newRow("no personnel folder") << QStringList{u"NIC"_s, u"--month"_s, u"2025-03"_s} << 1;
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        args.replaceInStrings(u"DANE"_s, m_data).replaceInStrings(u"NIC"_s, Out(u"nothing"_s));
        const ToolRun run = RunPlntool(QStringList{u"team"_s} + args);
        QCOMPARE(run.Code, code);
        QCOMPARE(run.Out, QString());
        QVERIFY(!run.Err.isEmpty());
    }

    // A spreadsheet's table: UTF-8 with a byte-order mark, ';', a row per
    // employee, the coverage after an empty line.
    void csv()
    {
        const QString file = Out(u"team.csv"_s);
        const ToolRun run = RunPlntool({u"team"_s, m_data, u"--month"_s, u"2025-03"_s, u"--csv"_s, file});
        QCOMPARE(run.Code, 0);
        const QByteArray bytes = ReadFile(file);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s);
        QCOMPARE(lines.at(0).section(u';', 0, 6), u"Numer;Nazwisko;Imię;Grupa;Plan pracy;Stan;2025-03-01"_s);
        QCOMPARE(lines.at(0).split(u';').size(), 6 + 31 + 2);
        QCOMPARE(lines.at(41), QString());
        QVERIFY(lines.at(42).startsWith(u"Pracujący;"_s));
        for (int row = 1; row <= 40; ++row)
            QCOMPARE(lines.at(row).split(u';').size(), 6 + 31 + 2);
        const QString sixDays = lines.filter(u";Sześć dni;"_s).value(0);
        QCOMPARE(sixDays.section(u';', 6, 8), u"00:00-06:40;;00:00-06:40"_s);
        QCOMPARE(sixDays.section(u';', -2), u"173:20;168:00"_s);
        QCOMPARE(lines.filter(u"W pracy o "_s).size(), 24);
    }

    // Fields holding the separator or a quote are quoted; shortfalls get a row of their own.
    void csvQuotingAndShortfalls()
    {
        TeamMonth month;
        month.FirstDay = DayOfDate(QDate(2025, 3, 3));
        month.LastDay = month.FirstDay + 1;
        month.Members.append(
            {{u"001"_s, u"Nowak; Kowalski"_s, u"Jan \"Janek\""_s, u"<BRAK>"_s, u"Biuro"_s}, -1, TeamPlanState::NoPlan});
        month.Kinds = {{6 * 60, 14 * 60}};
        TeamExportInput input = TeamExportOf(month);
        input.Minimums.insert(u"06:00-14:00"_s, 1);
        const QStringList lines = QString::fromUtf8(TeamCsv(input).mid(3)).split(u"\r\n"_s);
        QCOMPARE(lines.at(1), u"001;\"Nowak; Kowalski\";\"Jan \"\"Janek\"\"\";Biuro;<BRAK>;brak planu;;;00:00;"_s);
        QCOMPARE(lines.at(4), u"Zmiana 06:00-14:00;;;;;minimum 1;0;0;;"_s);
        QCOMPARE(lines.at(5), u"Brakuje na zmianie 06:00-14:00;;;;;;1;1;;"_s);
    }

    void pdf_data()
    {
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("pages");
        QTest::newRow("40 employees on a page") << false << 1;
        QTest::newRow("45 continue on a second page") << true << 2;
    }

    // The pages read back: the month, every employee, their hours, the coverage.
    void pdf()
    {
        QFETCH(bool, large);
        QFETCH(int, pages);
        const QString data = large ? m_large : m_data;
        const QString file = Out(u"team.pdf"_s);
        const ToolRun run = RunPlntool({u"team"_s, data, u"--month"_s, u"2025-03"_s, u"--pdf"_s, file});
        QCOMPARE(run.Code, 0);
        const QString text = PdfText(file);
        const QStringList pageTexts = text.split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pageTexts.size(), pages);
        const ToolRun json = RunPlntool({u"team"_s, data, u"--month"_s, u"2025-03"_s});
        const QJsonArray employees =
            QJsonDocument::fromJson(json.Out.toUtf8()).object().value(u"employees"_s).toArray();
        for (int page = 0; page < pages; ++page) {
            QVERIFY(pageTexts.at(page).contains(u"Grafik zespołu – marzec 2025"_s));
            QVERIFY(pageTexts.at(page).contains(u"Strona %1 z %2"_s.arg(page + 1).arg(pages)));
        }
        // In order, 40 on the first page and the rest on the second.
        for (int i = 0; i < employees.size(); ++i) {
            const QJsonObject employee = employees.at(i).toObject();
            const QString name =
                u"%1 %2 %3"_s.arg(employee.value(u"number"_s).toString(), employee.value(u"surname"_s).toString(),
                                  employee.value(u"firstName"_s).toString());
            QVERIFY2(pageTexts.at(i / 40).contains(name), qPrintable(name));
        }
        const QString& last = pageTexts.last();
        QVERIFY(last.contains(u"Pracujący"_s));
        QVERIFY(last.contains(u"Zmiana 22:00–06:00"_s));
        QVERIFY(text.contains(u"22–6"_s));
        QVERIFY(text.contains(u"168:00"_s));
    }
};

QTEST_GUILESS_MAIN(TestTeamOutput)
#include "tst_TeamOutput.moc"
