// The suite's free days: decoding WOLNE.DAT, reading it under its lock, and
// the free-day test over what was read, including the demo data's holidays.
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"

#include <QDir>
#include <QTest>

#include <memory>

struct ReadingCase
{
    Prepare Setup; // WOLNE.DAT, the user, another holder
    QString Message;
    int Count; // records in the program's list afterwards
    bool Loaded, Ending, LockAsked;
};
Q_DECLARE_METATYPE(ReadingCase)

namespace {

QByteArray Record(int32_t date, const char* description, uint8_t recurring)
{
    return FreeDayRecordBytes(date, description, recurring);
}

int32_t MinuteOf(int year, int month, int day)
{
    return TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day));
}

} // namespace

class TestDniWolne : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("names"); // joined by '|'
        QTest::addColumn<int>("badRecord");
        QTest::addColumn<int>("ignoredTail");
        // clang-format off
        QTest::newRow("inner spaces kept") << Record(10, "Święto  Pracy 1 V", 0) << "Święto  Pracy 1 V" << -1 << 0;
        QTest::newRow("padding on both sides trimmed") << Record(10, "   Dzień   ", 0) << "Dzień" << -1 << 0;
        QTest::newRow("blank description") << Record(5, "Nowy Rok", 1) + Record(10, "", 0) << "Nowy Rok" << 1 << 0;
        QTest::newRow("date 0, then stops at the first bad record")
            << Record(0, "A", 0) + Record(-1440, "B", 0) + Record(2, "C", 0) << "A" << 1 << 0;
        QTest::newRow("partial last record ignored") << Record(1, "A", 0) + Record(2, "B", 0).left(50) << "A" << -1 << 50;
        // clang-format on
    }

    void decode()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, names);
        QFETCH(int, badRecord);
        QFETCH(int, ignoredTail);
        const FreeDayFile decoded = DecodeFreeDays(file);
        QStringList read;
        for (const FreeDayRecord& r : decoded.Records)
            read.append(r.Name);
        QCOMPARE(read.join(u'|'), names);
        QCOMPARE(decoded.BadRecord, badRecord);
        QCOMPARE(int(decoded.IgnoredTail), ignoredTail);
    }

    void reading_data()
    {
        QTest::addColumn<ReadingCase>("c");
        const QString bad = u"Błędny plik. Odczyt danych dni wolnych anulowany."_s;
        const QString locked = u"Zapis danych niemożliwy."_s + Cr +
                               u"Dostęp do danych zablokowany przez: jan z stanowisko3."_s + Cr +
                               u"Poczekaj aż zostanie zwolniony i spróbuj ponownie."_s;
        const QByteArray two = Record(0, "A", 1) + Record(1440, "B", 0);
        // clang-format off
        QTest::newRow("no file") << ReadingCase{InPlans(u"WOLNE.TXT"_s, FileOf(two)), {}, 0, false, false, false};
        QTest::newRow("a folder of that name") << ReadingCase{InPlans(u"WOLNE.DAT"_s, Directory()), {}, 0, false, false, false};
        QTest::newRow("two records, file name in small letters") << ReadingCase{InPlans(u"wolne.dat"_s, FileOf(two)), {}, 2, true, false, true};
        QTest::newRow("blank description: the records before it stay") << ReadingCase{InPlans(u"WOLNE.DAT"_s, FileOf(Record(0, "A", 0) + Record(10, "   ", 0))), bad, 1, false, false, true};
        QTest::newRow("too large to be the suite's") << ReadingCase{InPlans(u"WOLNE.DAT"_s, FileOf(two, FreeDaysReadLimit + 1)),
            u"Błąd urządzenia I/O."_s, 0, false, false, true};
        QTest::newRow("lock held elsewhere") << ReadingCase{LockedElsewhere(u"WOLNE.DAT"_s, two, u"EditFree"_s, u"FreeDays"_s), locked, 0, false, true, true};
        QTest::newRow("no user name") << ReadingCase{InPlans(u"WOLNE.DAT"_s, FileOf(two), u"  "_s), {}, 0, false, true, false};
        // clang-format on
    }

    void reading()
    {
        QFETCH(ReadingCase, c);
        TestEnvironment env;
        const std::shared_ptr<void> keep = c.Setup(env);
        env.State.FreeDays.FreeDaysLoaded = true;
        WczytajDniWolne(env.Env, env.State.FreeDays);
        QCOMPARE(env.Ui.Texts().join(u'|'), c.Message);
        QCOMPARE(env.State.FreeDays.FreeDaysLoaded, c.Loaded);
        QCOMPARE(env.Env.ProgramEnding, c.Ending);
        QCOMPARE(env.State.FreeDays.Days.Count(), c.Count);
        QCOMPARE(env.State.FreeDays.FreeDaysLockHandle, -1);
        QCOMPARE(QDir(env.DataDir()).exists(u"BLOKADY"_s), c.LockAsked);
    }

    void matching_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("dates"); // the free days of that year

        TestEnvironment demo;
        WriteDemoFreeDays(TestLibrary(), demo.DataDir(), nullptr);
        const QByteArray demoDays = ReadFile(QDir(demo.PlansDir()).filePath(u"WOLNE.DAT"_s));
        const QByteArray mayDay2007 = Record(MinuteOf(2007, 5, 1), "1 maja", 0);
        const QByteArray mayDayEveryYear = Record(MinuteOf(2007, 5, 1), "1 maja", 1);
        // Stored with a time of day, which the reading drops.
        const QByteArray leapDay = Record(MinuteOf(2004, 2, 29) + 600, "29 lutego", 1);
        // clang-format off
        QTest::newRow("one-time 1 May 2007 in 2007") << mayDay2007 << 2007 << "05-01";
        QTest::newRow("recurring 1 May before its year") << mayDayEveryYear << 2001 << "05-01";
        QTest::newRow("recurring 29 February in 2024") << leapDay << 2024 << "02-29";
        QTest::newRow("recurring 29 February in 2100") << leapDay << 2100 << "";
        QTest::newRow("demo, 2000") << demoDays << 2000 << "01-01 01-06 04-23 04-24 05-01 05-03 06-11 06-22 08-15 11-01 11-11 12-25 12-26";
        QTest::newRow("demo, 2025: Christmas Eve") << demoDays << 2025 << "01-01 01-06 04-20 04-21 05-01 05-03 06-08 06-19 08-15 11-01 11-11 12-24 12-25 12-26";
        // clang-format on
    }

    void matching()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, year);
        QFETCH(QString, dates);
        TestEnvironment env;
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(u"WOLNE.DAT"_s), file));
        WczytajDniWolne(env.Env, env.State.FreeDays);
        QVERIFY(env.State.FreeDays.FreeDaysLoaded);
        QStringList found;
        for (int32_t day = MinuteOf(year, 1, 1) / 1440; day <= MinuteOf(year, 12, 31) / 1440; ++day) {
            const KlnxDate date = TestLibrary().LongToDate(day * 1440);
            if (IsFreeDayNumber(env.State.FreeDays.Days, day))
                found.append(u"%1-%2"_s.arg(date.Month, 2, 10, QChar(u'0')).arg(date.Day, 2, 10, QChar(u'0')));
        }
        QCOMPARE(found.join(u' '), dates);
    }
};

QTEST_GUILESS_MAIN(TestDniWolne)
#include "tst_DniWolne.moc"
