// plntool paint, run as the built program on the demo data: the days it
// paints (written out by hand), the days it leaves, and what it refuses
// with the plan's file untouched.
#include "HolderProcess.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "plan/PlanDecoder.h"

#include <QDir>
#include <QTest>

namespace {

// The slot digits of a plan file's days from..to (dates YYYY-MM-DD).
QString DaysOf(const QByteArray& file, const QString& from, const QString& to)
{
    const DecodedPlan plan = DecodePlan(file);
    QString digits;
    for (int32_t day = DayOfDate(QDate::fromString(from, Qt::ISODate));
         day <= DayOfDate(QDate::fromString(to, Qt::ISODate)); ++day)
        digits += QString::number(int(plan.DayBytes.at(day - plan.FirstDay)));
    return digits;
}

} // namespace

class TestPlntoolPaint : public QObject
{
    Q_OBJECT

private slots:
    void paint_data()
    {
        QTest::addColumn<QString>("args"); // after "paint PLAN": PLAN is "Trzy zmiany", or the file named
        QTest::addColumn<bool>("held");    // another workstation edits the plan
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed"); // the start of stdout on success, else stderr
        QTest::addColumn<QString>("range");   // the days inspected, "FROM TO"
        QTest::addColumn<QString>("days");    // their slots afterwards; empty: as they were
        const QString usage = u"usage: plntool paint FILE.PLN --cycle 0,0,1,1,2,2,4,4 [--from YYYY-MM-DD] "
                              "[--to YYYY-MM-DD] [--offset N] [--keep-free-days]\n"_s;
        // clang-format off
        QTest::newRow("brigade 2 for two weeks") << "--cycle 0,0,1,1,2,2,4,4 --from 2025-02-01 --to 2025-02-16 --offset 2" << false << 0
            << "painted 16 days from 2025-02-01 to 2025-02-16, " << "2025-01-31 2025-02-17" << "111224400112244001";
        QTest::newRow("past the plan's end") << "--cycle 1,2,4 --from 2026-06-26 --to 2026-07-31" << false << 0
            << "painted 5 days from 2026-06-26 to 2026-06-30, " << "2026-06-25 2026-06-30" << "212412";
        // Afternoon shifts after a week of nights, around 1 and 3 May.
        QTest::newRow("free days kept free") << "--cycle 1 --from 2025-04-30 --to 2025-05-04 --keep-free-days" << false << 0
            << "painted 5 days from 2025-04-30 to 2025-05-04, " << "2025-04-30 2025-05-04" << "14141";
        QTest::newRow("free days painted over") << "--cycle 1 --from 2025-04-30 --to 2025-05-04" << false << 0
            << "painted 5 days from 2025-04-30 to 2025-05-04, " << "2025-04-30 2025-05-04" << "11111";
        // Morning shifts right after a night: the writer finds the overlap and nothing is saved.
        QTest::newRow("the writer refuses") << "--cycle 0 --from 2025-04-30 --to 2025-05-04" << false << 1
            << "Zapis planu niemożliwy.\nObszar przebywania prywatnego zaczynający się w dniu 30-04-2025 o godzinie "
               "05:30 nakłada się na poprzednie obszary.\n" << "2025-04-30 2025-05-04" << "";
        QTest::newRow("a slot without times") << "--cycle 0,5 --from 2025-03-01 --to 2025-03-02" << false << 1
            << "Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram jest niepełny, sprawdź czy "
               "został zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina występowania przerwy.\n"
            << "2025-03-01 2025-03-02" << "";
        QTest::newRow("held elsewhere") << "--cycle 0 --from 2025-03-01 --to 2025-03-02" << true << 1
            << "Plan pracy: Trzy zmiany jest zablokowana przez: jan z stanowisko3.\nEdycja planu pracy niemożliwa.\n"
               "plntool paint: PLAN: the plan cannot be opened\n" << "2025-03-01 2025-03-02" << "";
        QTest::newRow("a weekly plan") << "--cycle 0" << false << 1
            << "Wzór zmian można nanieść tylko na plan harmonogramów.\n" << "" << "";
        QTest::newRow("range before the plan") << "--cycle 0 --from 2024-01-01 --to 2024-12-31" << false << 2
            << "plntool paint: 2024-01-01..2024-12-31 misses the plan's days 2025-01-06..2026-06-30\n"
            << "2025-01-06 2025-01-06" << "";
        QTest::newRow("slot 7") << "--cycle 0,7" << false << 2
            << u"plntool paint: Wzór zmian może zawierać tylko numery harmonogramów od 0 do 6 (niedozwolony znak: „7”).\n"_s
                   + usage << "" << "";
        QTest::newRow("no cycle") << "--from 2025-03-01" << false << 2 << usage << "" << "";
        QTest::newRow("31 April") << "--cycle 0 --from 2025-04-31" << false << 2
            << u"plntool paint: --from must be a date YYYY-MM-DD from 2000-01-01 to 2050-08-26\n"_s + usage << "" << "";
        // clang-format on
    }

    void paint()
    {
        QFETCH(QString, args);
        QFETCH(bool, held);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QFETCH(QString, range);
        QFETCH(QString, days);
        TestEnvironment env;
        QString error;
        QVERIFY2(WriteDemoPlans(TestLibrary(), env.DataDir(), &error), qPrintable(error));
        QVERIFY(WriteDemoFreeDays(TestLibrary(), env.DataDir(), &error));
        const QString name =
            QString::fromUtf8(QTest::currentDataTag()) == u"a weekly plan"_s ? u"Tydzień pracy"_s : u"Trzy zmiany"_s;
        const QString path = env.Plan(name);
        const QByteArray before = ReadFile(path);
        const QString files = FolderEntries(env.PlansDir());
        const std::shared_ptr<HolderProcess> other =
            held ? HeldElsewhere(env.DataDir(), u"PlnEdit"_s, name + u".PLN"_s, u"jan z stanowisko3"_s) : nullptr;
        QCOMPARE(bool(other), held);

        const ToolRun run = RunPlntool(QStringList{u"paint"_s, path} + args.split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(run.Code, code);
        const QByteArray after = ReadFile(path);
        if (code != 0) {
            QCOMPARE(run.Err, QString(printed).replace(u"PLAN"_s, path));
            QCOMPARE(after, before);
            QCOMPARE(FolderEntries(env.PlansDir()), files);
            return;
        }
        QVERIFY2(run.Out.startsWith(printed), qPrintable(run.Out));
        const QStringList fromTo = range.split(u' ');
        QCOMPARE(DaysOf(after, fromTo.at(0), fromTo.at(1)), days);
        // The count of days changed is what the file says changed.
        const QString old = DaysOf(before, u"2025-01-06"_s, u"2026-06-30"_s);
        const QString now = DaysOf(after, u"2025-01-06"_s, u"2026-06-30"_s);
        int changed = 0;
        for (qsizetype i = 0; i < old.size(); ++i)
            changed += old.at(i) != now.at(i);
        QCOMPARE(run.Out, printed + u"%1 changed\n"_s.arg(changed));
        QCOMPARE(FolderEntries(env.PlansDir()), files); // no scratch file left
    }
};

QTEST_GUILESS_MAIN(TestPlntoolPaint)
#include "tst_PlntoolPaint.moc"
