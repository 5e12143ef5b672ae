#include "../planread/HeldLock.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/Blokady.h"
#include "env/CodePage.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayTest.h"

#include <QDir>
#include <QTest>

#include <optional>

class TestDniWolne : public QObject
{
    Q_OBJECT

private slots:
    void odkodujTekst_data();
    void odkodujTekst();
    void decode_data();
    void decode();
    void reading_data();
    void reading();
    void normalise();
    void matching_data();
    void matching();
    void demoHolidays_data();
    void demoHolidays();
};

namespace {

// One record of WOLNE.DAT: the description given in plain windows-1250,
// padded with spaces to 80 bytes and scrambled byte by byte here.
QByteArray record(int32_t date, const QByteArray& plain, uint8_t recurring, char padding = ' ')
{
    QByteArray bytes;
    AppendInt32(bytes, date);
    QByteArray description = plain.leftJustified(80, padding, true);
    for (char& c : description) {
        if (c != ' ') c = char(c ^ 0x5E);
    }
    bytes += description;
    AppendByte(bytes, recurring);
    bytes += QByteArray(7, '\x11'); // unused bytes, whatever they hold
    return bytes;
}

QByteArray cp1250(const char* utf8)
{
    return ToCodePage(QString::fromUtf8(utf8));
}

struct Env : TestEnvironment
{
    Env()
    {
        State.UserName = QStringLiteral("tester");
        State.ComputerName = QStringLiteral("pc1");
    }
    QString FreeDaysPath() const { return QDir(PlansDir()).filePath(QStringLiteral("WOLNE.DAT")); }
    // The free-days lock is free again: this process can take it.
    bool LockFree()
    {
        ProgramState probe(TestLibrary(), Ui);
        probe.DataRootDir = State.DataRootDir;
        probe.UserName = State.UserName;
        probe.ComputerName = State.ComputerName;
        const bool taken = AcquireFreeDaysLock(probe);
        ReleaseLock(probe, probe.FreeDaysLockHandle);
        return taken;
    }
};

int32_t minuteOf(int year, int month, int day)
{
    return TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day));
}

} // namespace

void TestDniWolne::odkodujTekst_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("scrambled");

    QTest::newRow("letters and a space") << QByteArray("Ab c") << QByteArray("\x1f\x3c \x3d");
    QTest::newRow("spaces only") << QByteArray("   ") << QByteArray("   ");
    QTest::newRow("the mask itself") << QByteArray("^") << QByteArray("\x00", 1);
    QTest::newRow("tilde becomes a space") << QByteArray("~") << QByteArray(" ");
    QTest::newRow("Polish letter") << cp1250("ł") << QByteArray("\xed");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestDniWolne::odkodujTekst()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, scrambled);
    QCOMPARE(OdkodujTekst(plain), scrambled);
    if (!plain.contains('~')) QCOMPARE(OdkodujTekst(scrambled), plain);
}

void TestDniWolne::decode_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("badRecord");
    QTest::addColumn<int>("ignoredTail");

    const auto names = [](const char* list) {
        return *list ? QString::fromUtf8(list).split(QLatin1Char('|')) : QStringList();
    };
    QTest::newRow("empty file") << QByteArray() << names("") << -1 << 0;
    QTest::newRow("one record") << record(0, "Nowy Rok", 1) << names("Nowy Rok") << -1 << 0;
    QTest::newRow("inner spaces kept") << record(10, cp1250("Święto  Pracy 1 V"), 0) << names("Święto  Pracy 1 V") << -1
                                       << 0;
    QTest::newRow("padding on both sides trimmed") << record(10, cp1250("   Dzień   "), 0) << names("Dzień") << -1 << 0;
    QTest::newRow("description filling the field")
        << record(10, QByteArray(80, 'x'), 0) << QStringList{QString(80, QLatin1Char('x'))} << -1 << 0;
    QTest::newRow("blank description") << record(5, "Nowy Rok", 1) + record(10, "", 0) << names("Nowy Rok") << 1 << 0;
    QTest::newRow("description of tildes reads blank") << record(10, "~~", 0) << names("") << 0 << 0;
    QTest::newRow("negative date") << record(-1, "Wczoraj", 0) + record(10, "Dzisiaj", 0) << names("") << 0 << 0;
    QTest::newRow("stops at the first bad record")
        << record(1, "A", 0) + record(-1440, "B", 0) + record(2, "C", 0) << names("A") << 1 << 0;
    QTest::newRow("partial last record ignored")
        << record(1, "A", 0) + record(2, "B", 0).left(50) << names("A") << -1 << 50;
    QTest::newRow("less than one record") << QByteArray(91, 'x') << names("") << -1 << 91;
}

void TestDniWolne::decode()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    QFETCH(int, badRecord);
    QFETCH(int, ignoredTail);
    const FreeDayFile decoded = DecodeFreeDays(file);
    QStringList read;
    for (const FreeDayRecord& r : decoded.Records)
        read.append(r.Name);
    QCOMPARE(read, names);
    QCOMPARE(decoded.BadRecord, badRecord);
    QCOMPARE(int(decoded.IgnoredTail), ignoredTail);
}

void TestDniWolne::reading_data()
{
    QTest::addColumn<QByteArray>("file"); // "none": no WOLNE.DAT, "lower": one record in wolne.dat
    QTest::addColumn<QString>("userName");
    QTest::addColumn<bool>("lockHeld"); // another process holds the free-days lock
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("ending");
    QTest::addColumn<int>("count");

    const QString bad = QStringLiteral("Błędny plik. Odczyt danych dni wolnych anulowany.");
    const QByteArray two = record(0, "A", 1) + record(1440, "B", 0);
    QTest::newRow("no file") << QByteArray("none") << "tester" << false << "" << false << false << 0;
    QTest::newRow("empty file") << QByteArray() << "tester" << false << "" << true << false << 0;
    QTest::newRow("two records") << two << "tester" << false << "" << true << false << 2;
    QTest::newRow("file name in small letters") << QByteArray("lower") << "tester" << false << "" << true << false << 1;
    QTest::newRow("blank description") << record(0, "A", 0) + record(10, "   ", 0) << "tester" << false << bad << false
                                       << false << 1;
    QTest::newRow("negative date") << record(-5, "A", 0) << "tester" << false << bad << false << false << 0;
    QTest::newRow("lock held elsewhere") << two << "tester" << true
                                         << QStringLiteral("Zapis danych niemożliwy.") + Cr +
                                                QStringLiteral(
                                                    "Dostęp do danych zablokowany przez: jan z stanowisko3.") +
                                                Cr +
                                                QStringLiteral("Poczekaj aż zostanie zwolniony i spróbuj ponownie.")
                                         << false << true << 0;
    QTest::newRow("no user name") << two << "  " << false << "" << false << true << 0;
}

void TestDniWolne::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, userName);
    QFETCH(bool, lockHeld);
    QFETCH(QString, message);
    QFETCH(bool, loaded);
    QFETCH(bool, ending);
    QFETCH(int, count);
    Env env;
    env.State.UserName = userName;
    if (file == "lower")
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(QStringLiteral("wolne.dat")), record(0, "A", 1)));
    else if (file != "none")
        QVERIFY(WriteFile(env.FreeDaysPath(), file));
    std::optional<HeldLock> other;
    if (lockHeld) {
        other.emplace(env.State.DataDir(), QStringLiteral("EditFree"), QStringLiteral("FreeDays"),
                      QStringLiteral("jan z stanowisko3"));
        QVERIFY(other->Held());
    }
    env.State.FreeDaysLoaded = !loaded;
    WczytajDniWolne(env.State);
    QCOMPARE(env.Ui.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(env.State.FreeDaysLoaded, loaded);
    QCOMPARE(env.State.ProgramEnding, ending);
    QCOMPARE(env.State.FreeDays.Count(), count);
    QCOMPARE(env.State.FreeDaysLockHandle, -1);
    if (file == "none") // no lock was asked for: the lock folder was never made
        QVERIFY(!QDir(env.State.DataDir()).exists(QStringLiteral("BLOKADY")));
    else if (!lockHeld && !ending)
        QVERIFY(env.LockFree());
}

void TestDniWolne::normalise()
{
    Env env;
    const QByteArray file = record(minuteOf(2007, 5, 1), cp1250("Święto Pracy"), 0) +
                            record(minuteOf(2012, 2, 29) + 600, "Dzien przestepny", 1);
    QVERIFY(WriteFile(env.FreeDaysPath(), file));
    WczytajDniWolne(env.State);
    const FreeDayList& days = env.State.FreeDays;
    QCOMPARE(days.Dates, (QVector<int32_t>{minuteOf(2000, 5, 1), minuteOf(2000, 2, 29)}));
    QCOMPARE(days.Years, (QVector<int32_t>{7, 12}));
    QCOMPARE(days.Recurring, (QVector<uint8_t>{0, 1}));
    QCOMPARE(days.Names.first(), QStringLiteral("Święto Pracy"));
}

void TestDniWolne::matching_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("freeDays"); // how many days of that year are free

    const QByteArray mayDay2007 = record(minuteOf(2007, 5, 1), "1 maja", 0);
    const QByteArray mayDayEveryYear = record(minuteOf(2007, 5, 1), "1 maja", 1);
    const QByteArray leapDay = record(minuteOf(2004, 2, 29), "29 lutego", 1);
    QTest::newRow("one-time 1 May 2007 in 2007") << mayDay2007 << 2007 << 1;
    QTest::newRow("one-time 1 May 2007 in 2008") << mayDay2007 << 2008 << 0;
    QTest::newRow("recurring 1 May in 2008") << mayDayEveryYear << 2008 << 1;
    QTest::newRow("recurring 1 May before its year") << mayDayEveryYear << 2001 << 1;
    QTest::newRow("recurring 29 February in 2023") << leapDay << 2023 << 0;
    QTest::newRow("recurring 29 February in 2024") << leapDay << 2024 << 1;
    QTest::newRow("recurring 29 February in 2100") << leapDay << 2100 << 0;
}

void TestDniWolne::matching()
{
    QFETCH(QByteArray, file);
    QFETCH(int, year);
    QFETCH(int, freeDays);
    Env env;
    QVERIFY(WriteFile(env.FreeDaysPath(), file));
    WczytajDniWolne(env.State);
    QVERIFY(env.State.FreeDaysLoaded);
    const int32_t first = minuteOf(year, 1, 1) / 1440;
    const int32_t last = minuteOf(year, 12, 31) / 1440;
    int count = 0;
    for (int32_t day = first; day <= last; ++day)
        count += IsFreeDayNumber(env.State.FreeDays, TestLibrary(), day) ? 1 : 0;
    QCOMPARE(count, freeDays);
}

void TestDniWolne::demoHolidays_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<QStringList>("dates"); // MM-DD, every free day of the year

    const auto dates = [](const char* list) { return QString::fromLatin1(list).split(QLatin1Char(' ')); };
    const char* fixed = "01-01 01-06 05-01 05-03 08-15 11-01 11-11 12-25 12-26";
    QTest::newRow("2000") << 2000 << dates(fixed) + dates("04-23 04-24 06-11 06-22");
    QTest::newRow("2019") << 2019 << dates(fixed) + dates("04-21 04-22 06-09 06-20");
    QTest::newRow("2024: no Christmas Eve yet") << 2024 << dates(fixed) + dates("03-31 04-01 05-19 05-30");
    QTest::newRow("2025: Christmas Eve") << 2025 << dates(fixed) + dates("04-20 04-21 06-08 06-19 12-24");
    QTest::newRow("2038: late Easter") << 2038 << dates(fixed) + dates("04-25 04-26 06-13 06-24 12-24");
}

void TestDniWolne::demoHolidays()
{
    QFETCH(int, year);
    QFETCH(QStringList, dates);
    Env env;
    QString error;
    QVERIFY2(WriteDemoFreeDays(TestLibrary(), env.State.DataDir(), &error), qPrintable(error));
    WczytajDniWolne(env.State);
    QVERIFY(env.State.FreeDaysLoaded);
    QCOMPARE(env.State.FreeDays.Count(), 9 + 51 * 4 + 26);
    QStringList found;
    for (int32_t day = minuteOf(year, 1, 1) / 1440; day <= minuteOf(year, 12, 31) / 1440; ++day) {
        if (IsFreeDayNumber(env.State.FreeDays, TestLibrary(), day)) {
            const KlnxDate date = TestLibrary().LongToDate(day * 1440);
            found.append(QStringLiteral("%1-%2")
                             .arg(date.Month, 2, 10, QLatin1Char('0'))
                             .arg(date.Day, 2, 10, QLatin1Char('0')));
        }
    }
    dates.sort();
    QCOMPARE(found, dates);
}

QTEST_GUILESS_MAIN(TestDniWolne)
#include "tst_DniWolne.moc"
