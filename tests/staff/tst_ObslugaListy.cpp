#include "StaffFixtures.h"

#include "staff/EmployeeRecord.h"
#include "staff/ObslugaListy.h"
#include "staff/OdczytZapisPliku.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<Folder>)

class TestObslugaListy : public QObject
{
    Q_OBJECT

private slots:
    void entryCount_data();
    void entryCount();
    void numberFromFileName_data();
    void numberFromFileName();
    void readFolder_data();
    void readFolder();
    void progressAndEvents();
};

namespace {

const QString Advice = u"W celu usunięcia problemu proszę uruchomić program Zarvik i wejść w edycję pracowników w "
                       u"oknie głównym aplikacji."_s;
const QString BadFiles = u"Wykryto błędne pliki z danymi pracowników.\r%DIR%\r"_s + Advice;

QString invalidFile(const QString& name)
{
    return u"Wykryto nieprawidłowy plik "_s + name + u" w katalogu\r%DIR%\r"_s + Advice;
}

// rows: "number|surname|first name|plan|group" each. heldUntilWait: NOWAK.002
// is being rewritten by another open until that wait.
void addCase(const char* title, const Folder& files, bool result, bool ending, std::initializer_list<const char*> rows,
             const QStringList& messages = {}, int heldUntilWait = 0)
{
    QStringList texts;
    for (const char* row : rows)
        texts << QString::fromUtf8(row);
    QTest::newRow(title) << std::optional(files) << result << ending << texts << messages << heldUntilWait;
}

} // namespace

void TestObslugaListy::entryCount_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("dataStart");
    QTest::addColumn<qint64>("count");

    // (length - dataStart) / 6 to the nearest whole number, halves to even.
    QTest::newRow("9.83 up") << qint64(100) << qint64(41) << qint64(10);
    QTest::newRow("2.33 down") << qint64(54) << qint64(40) << qint64(2);
    QTest::newRow("0.5 to 0") << qint64(43) << qint64(40) << qint64(0);
    QTest::newRow("1.5 to 2") << qint64(49) << qint64(40) << qint64(2);
    QTest::newRow("-0.5 to 0") << qint64(37) << qint64(40) << qint64(0);
    QTest::newRow("-0.67 to -1") << qint64(36) << qint64(40) << qint64(-1);
    QTest::newRow("-1.5 to -2") << qint64(31) << qint64(40) << qint64(-2);
    QTest::newRow("data start far past the end") << qint64(10) << qint64(2'000'000'000) << qint64(-333'333'332);
}

void TestObslugaListy::entryCount()
{
    QFETCH(qint64, length);
    QFETCH(qint64, dataStart);
    QFETCH(qint64, count);
    QCOMPARE(EntryCountFor(length, dataStart), count);
}

void TestObslugaListy::numberFromFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // -1 = none

    QTest::newRow("digits after the dot") << "KOWALSKI.0123" << 123;
    QTest::newRow("after the first dot") << "A.B.001" << -1;
    QTest::newRow("not only digits") << "KOWALSKI.-12" << -1;
    QTest::newRow("too long to be a number") << "KOWALSKI.12345678901" << -1;
}

void TestObslugaListy::numberFromFileName()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(NumberFromFileName(name).value_or(-1), number);
}

void TestObslugaListy::readFolder_data()
{
    QTest::addColumn<std::optional<Folder>>("files"); // none: no personnel folder
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("ending");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("heldUntilWait");

    const RecordBytes nowak = Employee(u"Nowak"_s, u"Jan"_s, 12);
    const QByteArray kowalski = Employee(u"Kowalski"_s, u"Piotr"_s, 3, u"ZMIANA_NOCNA"_s, u"Magazyn"_s).Bytes();
    const char* const nowakRow = "012|Nowak|Jan|<BRAK>|";
    const char* const kowalskiRow = "003|Kowalski|Piotr|ZMIANA_NOCNA|Magazyn";

    addCase("good folder in listing order",
            {{u"DABROWSK.045"_s, Employee(u"Dąbrowski"_s, u"Łukasz"_s, 45, u"TYDZIEN"_s, QString()).Bytes()},
             {u"kowalski.003"_s, kowalski},
             {u"MAZUR.008"_s, Employee(u"Mazur"_s, u"Ewa"_s, 8, u" **** "_s).Bytes()},
             {u"NOWAK.012"_s, nowak.With({{900, 5}, {20, 99}, {20, 12}, {40, 7}}).Bytes()},
             {u"WOJCIECH.100"_s, Employee(u"Wojciechowska"_s, u"Żaneta"_s, 100, u"ZMIANA_DZIENNA"_s).Bytes()},
             {u"ZAJAC.007"_s, Employee(u" Zając  "_s, u"  Anna "_s, 7, u"  NOC "_s, u" Biuro "_s).Bytes()},
             {u".NOWAK.012.new"_s, "partial"},
             {u".hidden"_s, {}}},
            true, false,
            {"045|Dąbrowski|Łukasz|TYDZIEN|", kowalskiRow, "008|Mazur|Ewa|<BRAK>|", nowakRow,
             "100|Wojciechowska|Żaneta|ZMIANA_DZIENNA|", "007|Zając|Anna|NOC|Biuro"});
    // The entry count is checked before the name's length.
    addCase("short names skipped without a message",
            {{u"ABC"_s, "garbage"}, {u"A.01"_s, kowalski}, {u"AB.09"_s, Employee(u"Ab"_s, u"Ola"_s, 9).Bytes()}}, true,
            false, {"009|Ab|Ola|<BRAK>|"}, {invalidFile(u"ABC"_s)});
    addCase("duplicate numbers end the program at the second file",
            {{u"AAAAA.05"_s, Employee(u"Aaaaa"_s, u"Jan"_s, 5).Bytes()},
             {u"KOWALSKI.003"_s, kowalski},
             {u"NOWAK.005"_s, Employee(u"Nowak"_s, u"Jan"_s, 5).Bytes()},
             {u"ZZZZZ.006"_s, Employee(u"Zzzzz"_s, u"Jan"_s, 6).Bytes()}},
            false, true, {"005|Aaaaa|Jan|<BRAK>|", kowalskiRow},
            {u"Niektóre numery kart pracowników są zdublowane. \r"_s + Advice});
    addCase("a stem that is not the surname's",
            {{u"KOWALSKI.003"_s, kowalski}, {u"NOWAK.012"_s, Employee(u"Nowicki"_s, u"Jan"_s, 12).Bytes()}}, false,
            true, {kowalskiRow}, {BadFiles});
    addCase("a card number other than the name's", {{u"NOWAK.013"_s, nowak.Bytes()}}, false, true, {},
            {u"Wykryto nieprawidłowe pliki zawierające dane pracowników.\r"_s + Advice});
    addCase("no entries", {{u"NOWAK.012"_s, nowak.With({}).Bytes()}}, false, true, {}, {BadFiles});
    addCase("card number 1001", {{u"NOWAK.012"_s, nowak.With({{1, 1001}}).Bytes()}}, false, true, {},
            {invalidFile(u"NOWAK.012"_s)});
    addCase("damaged records are skipped with a message",
            {{u"KOWALSKI.1000"_s, Employee(u"Kowalski"_s, u"Jan"_s, 1000).Bytes()},
             {u"LIS.040"_s, Employee(u"Lis"_s, u"Jan"_s, 40).With({{1, 40}}, {}, -5).Bytes()},
             {u"MAZUR.008"_s, Employee(u"Mazur"_s, u"Ewa"_s, 8).Bytes().left(9)},
             {u"NOWAK.012"_s, nowak.Bytes()},
             {u"ZAJAC.007"_s, Employee(u"Zając"_s, u"Ewa"_s, 7).Bytes() + QByteArray(MaxRecordSize, '\x01')}},
            true, false, {nowakRow},
            {invalidFile(u"KOWALSKI.1000"_s), invalidFile(u"LIS.040"_s), invalidFile(u"MAZUR.008"_s),
             invalidFile(u"ZAJAC.007"_s)});
    addCase("a busy record free at the last wait", Nowaks(2), true, false,
            {"001|Nowak|Jan|<BRAK>|", "002|Nowak|Jan|<BRAK>|"}, {}, 5);
    addCase("a busy record through all attempts", Nowaks(2), false, false, {"001|Nowak|Jan|<BRAK>|"},
            {u"Dane pracowników są zablokowane przez inny program.\rPoczekaj chwilę i uruchom program ponownie."_s}, 6);
    QTest::newRow("no personnel folder")
        << std::optional<Folder>() << false << true << QStringList()
        << QStringList{u"Nie odnazliono katalogu z danymi pracowników.\rW celu skonfigurowania na nowo katalogu, "
                       u"uruchom program Zarvik."_s}
        << 0;
    addCase("no records", {{u".NOWAK.012.new"_s, nowak.Bytes()}}, false, false, {},
            {u"Brak plików z danymi pracowników"_s});
}

void TestObslugaListy::readFolder()
{
    QFETCH(std::optional<Folder>, files);
    QFETCH(bool, result);
    QFETCH(bool, ending);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, messages);
    QFETCH(int, heldUntilWait);

    TestEnvironment env;
    if (files) {
        QVERIFY(WriteFolder(env.StaffDir(), *files));
        QVERIFY(QDir(env.StaffDir()).mkdir(u"SUBFOLDER.001"_s));
    } else {
        QVERIFY(QDir(env.StaffDir()).removeRecursively());
    }
    RecordFile holder;
    if (heldUntilWait) {
        QCOMPARE(holder.Open(QDir(env.StaffDir()).filePath(u"NOWAK.002"_s), RecordAccess::Exclusive),
                 OpenStatus::Opened);
    }
    QList<int> waited;
    StaffHooks hooks;
    hooks.Wait = [&](int milliseconds) {
        waited << milliseconds;
        if (waited.size() == heldUntilWait) holder.Close();
    };

    EmployeeRows read;
    QCOMPARE(WczytajPracownikow(env.State, read, hooks), result);
    QCOMPARE(env.State.ProgramEnding, ending);
    QStringList readRows;
    for (const EmployeeRow& row : read)
        readRows << QStringList{row.Number, row.Surname, row.FirstName, row.Plan, row.Group}.join(QLatin1Char('|'));
    QCOMPARE(readRows, rows);
    messages.replaceInStrings(u"%DIR%"_s, QDir::toNativeSeparators(env.StaffDir() + QLatin1Char('/')));
    QCOMPARE(env.Ui.Texts(), messages);
    for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
        QCOMPARE(entry.icon, MessageIcon::Critical);
    if (result) QCOMPARE(env.State.Zaznaczeni, QVector<bool>(rows.size(), false));
    QCOMPARE(waited, QList<int>(qMin(heldUntilWait, 5), 1000));
}

void TestObslugaListy::progressAndEvents()
{
    // Six files (one of them skipped): step 100/7, the bar shows whole numbers.
    TestEnvironment env;
    Folder files = Nowaks(5);
    files[u"A.X"_s] = {};
    QVERIFY(WriteFolder(env.StaffDir(), files));
    QList<int> bar;
    int events = 0;
    StaffHooks hooks;
    hooks.Progress = [&](int value) { bar << value; };
    hooks.ProcessEvents = [&] { ++events; };
    EmployeeRows rows;
    QVERIFY(WczytajPracownikow(env.State, rows, hooks));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(bar, (QList<int>{0, 14, 28, 42, 57, 71, 85}));
    // Once at the start, once per name of the duplicate scan, once per file.
    QCOMPARE(events, 1 + 6 + 6);
}

QTEST_GUILESS_MAIN(TestObslugaListy)
#include "tst_ObslugaListy.moc"
