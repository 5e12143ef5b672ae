#include "StaffFixtures.h"

#include "env/OdczytZapisPliku.h"
#include "staff/ObslugaListy.h"

#include <QTest>

#include <functional>

struct ReadCase
{
    std::function<void(const QString& folder)> Setup; // the personnel folder's contents
    bool Result, Ending;
    QStringList Rows;     // "number|surname|first name|plan|group" each
    QStringList Messages; // "%DIR%" stands for the personnel folder
    int HeldUntilWait;    // NOWAK.002 is rewritten by another open until that wait
};
Q_DECLARE_METATYPE(ReadCase)

namespace {

const QString Advice = u"W celu usunięcia problemu proszę uruchomić program Zarvik i wejść w edycję pracowników w "
                       u"oknie głównym aplikacji."_s;
const QString BadFiles = u"Wykryto błędne pliki z danymi pracowników.\r%DIR%\r"_s + Advice;

QString InvalidFile(const QString& name)
{
    return u"Wykryto nieprawidłowy plik "_s + name + u" w katalogu\r%DIR%\r"_s + Advice;
}

std::function<void(const QString&)> Files(const Folder& files)
{
    return [files](const QString& folder) { WriteFolder(folder, files); };
}

} // namespace

class TestObslugaListy : public QObject
{
    Q_OBJECT

private slots:
    void numberFromFileName()
    {
        QCOMPARE(NumberFromFileName(u"KOWALSKI.0123"_s), 123);
        QCOMPARE(NumberFromFileName(u"KOWALSKI.123456789"_s), 123456789);
        for (const QString& name : {u"A.B.001"_s, u"KOWALSKI.-12"_s, u"KOWALSKI.1234567890"_s, u"KOWALSKI."_s})
            QVERIFY2(!NumberFromFileName(name), qPrintable(name));
    }

    void readFolder_data()
    {
        QTest::addColumn<ReadCase>("c");
        const RecordBytes nowak = Employee(u"Nowak"_s, u"Jan"_s, 12);
        const QByteArray kowalski = Employee(u"Kowalski"_s, u"Piotr"_s, 3, u"ZMIANA_NOCNA"_s, u"Magazyn"_s).Bytes();
        const QString nowakRow = u"012|Nowak|Jan|<BRAK>|"_s, kowalskiRow = u"003|Kowalski|Piotr|ZMIANA_NOCNA|Magazyn"_s;
        const QString ends = u"Wykryto nieprawidłowe pliki zawierające dane pracowników.\r"_s + Advice;
        // clang-format off
        QTest::newRow("good folder in listing order") << ReadCase{Files({
                {u"DABROWSK.045"_s, Employee(u"Dąbrowski"_s, u"Łukasz"_s, 45, u"TYDZIEN"_s, QString()).Bytes()},
                {u"kowalski.003"_s, kowalski},
                {u"MAZUR.008"_s, Employee(u"Mazur"_s, u"Ewa"_s, 8, u" **** "_s).Bytes()},
                {u"NOWAK.012"_s, nowak.With({{900, 5}, {20, 99}, {20, 12}, {40, 7}}).Bytes()},
                {u"WOJCIECH.100"_s, Employee(u"Wojciechowska"_s, u"Żaneta"_s, 100, u"ZMIANA_DZIENNA"_s).Bytes()},
                {u"ZAJAC.007"_s, Employee(u" Zając  "_s, u"  Anna "_s, 7, u"  NOC "_s, u" Biuro "_s).Bytes()},
                {u".grafenta-0badcafe-1-2.tmp"_s, "partial"}, {u".hidden"_s, {}}}), true, false,
            {u"045|Dąbrowski|Łukasz|TYDZIEN|"_s, kowalskiRow, u"008|Mazur|Ewa|<BRAK>|"_s, nowakRow,
             u"100|Wojciechowska|Żaneta|ZMIANA_DZIENNA|"_s, u"007|Zając|Anna|NOC|Biuro"_s}, {}, 0};
        // The entry count is checked before the name's length.
        QTest::newRow("short names skipped without a message") << ReadCase{Files({{u"ABC"_s, "garbage"}, {u"A.01"_s, kowalski},
            {u"AB.09"_s, Employee(u"Ab"_s, u"Ola"_s, 9).Bytes()}}), true, false, {u"009|Ab|Ola|<BRAK>|"_s}, {InvalidFile(u"ABC"_s)}, 0};
        QTest::newRow("duplicate numbers end the program at the second file") << ReadCase{Files({
                {u"AAAAA.999"_s, Employee(u"Aaaaa"_s, u"Jan"_s, 999).Bytes()}, {u"KOWALSKI.003"_s, kowalski},
                {u"NOWAK.0999"_s, Employee(u"Nowak"_s, u"Jan"_s, 999).Bytes()}, {u"ZZZZZ.006"_s, Employee(u"Zzzzz"_s, u"Jan"_s, 6).Bytes()}}),
            false, true, {u"999|Aaaaa|Jan|<BRAK>|"_s, kowalskiRow}, {u"Niektóre numery kart pracowników są zdublowane. \r"_s + Advice}, 0};
        QTest::newRow("a stem that is not the surname's") << ReadCase{Files({{u"KOWALSKI.003"_s, kowalski},
            {u"NOWAK.012"_s, Employee(u"Nowicki"_s, u"Jan"_s, 12).Bytes()}}), false, true, {kowalskiRow}, {BadFiles}, 0};
        QTest::newRow("card number 1000 in a three-digit name") << ReadCase{Files({{u"NOWAK.012"_s, nowak.With({{1, 1000}}).Bytes()}}), false, true, {}, {ends}, 0};
        QTest::newRow("no entries") << ReadCase{Files({{u"NOWAK.012"_s, nowak.With({}).Bytes()}}), false, true, {}, {BadFiles}, 0};
        QTest::newRow("card number 1001") << ReadCase{Files({{u"NOWAK.012"_s, nowak.With({{1, 1001}}).Bytes()}}), false, true, {}, {InvalidFile(u"NOWAK.012"_s)}, 0};
        // A four-digit number text is checked like any other: its stem, all
        // but the last four characters, keeps the full stop.
        QTest::newRow("KOWALSKI.1000 with card number 1000") << ReadCase{Files({{u"KOWALSKI.1000"_s, Employee(u"Kowalski"_s, u"Jan"_s, 1000).Bytes()},
            {u"NOWAK.012"_s, nowak.Bytes()}}), false, true, {}, {BadFiles}, 0};
        QTest::newRow("damaged records are skipped with a message") << ReadCase{Files({
                {u"LIS.040"_s, Employee(u"Lis"_s, u"Jan"_s, 40).With({{1, 40}}, {}, -5).Bytes()},
                {u"MAZUR.008"_s, Employee(u"Mazur"_s, u"Ewa"_s, 8).Bytes().left(9)}, {u"NOWAK.012"_s, nowak.Bytes()},
                {u"ZAJAC.007"_s, Employee(u"Zając"_s, u"Ewa"_s, 7).Bytes() + QByteArray(MaxRecordSize, '\x01')}}), true, false,
            {nowakRow}, {InvalidFile(u"LIS.040"_s), InvalidFile(u"MAZUR.008"_s), InvalidFile(u"ZAJAC.007"_s)}, 0};
        QTest::newRow("a busy record free at the last wait") << ReadCase{Files(Nowaks(2)), true, false,
            {u"001|Nowak|Jan|<BRAK>|"_s, u"002|Nowak|Jan|<BRAK>|"_s}, {}, 5};
        QTest::newRow("a busy record through all attempts") << ReadCase{Files(Nowaks(2)), false, false, {u"001|Nowak|Jan|<BRAK>|"_s},
            {u"Dane pracowników są zablokowane przez inny program.\rPoczekaj chwilę i uruchom program ponownie."_s}, 6};
        QTest::newRow("no personnel folder") << ReadCase{[](const QString& folder) { QDir(folder).removeRecursively(); }, false, true, {},
            {u"Nie odnazliono katalogu z danymi pracowników.\rW celu skonfigurowania na nowo katalogu, uruchom program Zarvik."_s}, 0};
        QTest::newRow("no records") << ReadCase{Files({{u".NOWAK.012"_s, nowak.Bytes()}}), false, false, {}, {u"Brak plików z danymi pracowników"_s}, 0};
        // clang-format on
    }

    void readFolder()
    {
        QFETCH(ReadCase, c);
        TestEnvironment env;
        QVERIFY(QDir(env.StaffDir()).mkdir(u"SUBFOLDER.001"_s));
        c.Setup(env.StaffDir());
        DataFile holder;
        holder.Open(QDir(env.StaffDir()).filePath(u"NOWAK.002"_s), FileAccess::Exclusive);
        QList<int> waited;
        StaffHooks hooks;
        hooks.Wait = [&](int milliseconds) {
            waited << milliseconds;
            if (waited.size() == c.HeldUntilWait) holder.Close();
        };
        EmployeeRows read;
        QCOMPARE(WczytajPracownikow(env.Env, read, hooks), c.Result);
        QCOMPARE(env.Env.ProgramEnding, c.Ending);
        QStringList rows;
        for (const EmployeeRow& row : read)
            rows << QStringList{row.Number, row.Surname, row.FirstName, row.Plan, row.Group}.join(u'|');
        QCOMPARE(rows, c.Rows);
        QCOMPARE(env.Ui.Texts(),
                 c.Messages.replaceInStrings(u"%DIR%"_s, QDir::toNativeSeparators(env.StaffDir() + u'/')));
        for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
            QCOMPARE(entry.Icon, MessageIcon::Critical);
        QCOMPARE(waited, QList<int>(qMin(c.HeldUntilWait, 5), 1000));
    }

    void progressAndEvents()
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
        QVERIFY(WczytajPracownikow(env.Env, rows, hooks));
        QCOMPARE(rows.size(), 5);
        QCOMPARE(bar, (QList<int>{0, 14, 28, 42, 57, 71, 85}));
        // Once at the start, once per name of the duplicate scan, once per file.
        QCOMPARE(events, 1 + 6 + 6);
    }
};

QTEST_GUILESS_MAIN(TestObslugaListy)
#include "tst_ObslugaListy.moc"
