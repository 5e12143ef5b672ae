#include "StaffFixtures.h"

#include "demo/DemoData.h"
#include "staff/ObslugaListy.h"
#include "staff/OdczytZapisPliku.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <fcntl.h>

#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

class TestObslugaListy : public QObject
{
    Q_OBJECT

private slots:
    void readFolder_data();
    void readFolder();
    void missingFolder();
    void progressOfTheSplashBar();
    void busyRecord_data();
    void busyRecord();
    void recordHeldByAnotherProcess();
    void demoFolder();

private:
    static QString rowText(const EmployeeRow& row)
    {
        QStringList cells;
        for (int column = 0; column < EmployeeColumnTitles().size(); ++column)
            cells << EmployeeCell(row, column);
        return cells.join(QLatin1Char('|'));
    }
};

namespace {

const QString Advice = QStringLiteral("W celu usunięcia problemu proszę uruchomić program Zarvik i wejść w edycję "
                                      "pracowników w oknie głównym aplikacji.");
const QString Cr13 = QString(QChar(13));

QString invalidFile(const char* name)
{
    return QStringLiteral("Wykryto nieprawidłowy plik ") + QString::fromUtf8(name) + QStringLiteral(" w katalogu") +
           Cr13 + QStringLiteral("%DIR%") + Cr13 + Advice;
}
const QString BadFiles =
    QStringLiteral("Wykryto błędne pliki z danymi pracowników.") + Cr13 + QStringLiteral("%DIR%") + Cr13 + Advice;
const QString WrongFiles = QStringLiteral("Wykryto nieprawidłowe pliki zawierające dane pracowników.") + Cr13 + Advice;
const QString Duplicates = QStringLiteral("Niektóre numery kart pracowników są zdublowane. ") + Cr13 + Advice;
const QString NoFiles = QStringLiteral("Brak plików z danymi pracowników");
const QString Busy = QStringLiteral("Dane pracowników są zablokowane przez inny program.") + Cr13 +
                     QStringLiteral("Poczekaj chwilę i uruchom program ponownie.");

struct Folder
{
    QStringList names;
    QByteArrayList contents;
    Folder& add(const QString& name, const QByteArray& bytes)
    {
        names << name;
        contents << bytes;
        return *this;
    }
    Folder& add(const QString& name, const RecordBytes& record) { return add(name, record.Bytes()); }
};

// rows: "number|surname|first name|plan|group" each.
void addCase(const char* title, const Folder& folder, bool result, bool ending, std::initializer_list<const char*> rows,
             const QStringList& messages)
{
    QStringList rowTexts;
    for (const char* row : rows)
        rowTexts << QString::fromUtf8(row);
    QTest::newRow(title) << folder.names << folder.contents << result << ending << rowTexts << messages;
}

RecordBytes withEntries(RecordBytes record, const QList<Entry>& entries)
{
    record.Entries = entries;
    return record;
}

RecordBytes withDataStart(RecordBytes record, int32_t dataStart)
{
    record.DataStart = dataStart;
    return record;
}

} // namespace

void TestObslugaListy::readFolder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArrayList>("contents");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("ending");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("messages");

    const RecordBytes nowak = Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12);
    const RecordBytes kowalski = Employee(QStringLiteral("Kowalski"), QStringLiteral("Piotr"), 3,
                                          QStringLiteral("ZMIANA_NOCNA"), QStringLiteral("Magazyn"));

    addCase("listing order, three-digit numbers, stems of long surnames",
            Folder()
                .add(QStringLiteral("NOWAK.012"), nowak)
                .add(QStringLiteral("WOJCIECH.100"), Employee(QStringLiteral("Wojciechowska"), QStringLiteral("Żaneta"),
                                                              100, QStringLiteral("ZMIANA_DZIENNA")))
                .add(QStringLiteral("kowalski.003"), kowalski)
                .add(QStringLiteral("DABROWSK.045"), Employee(QStringLiteral("Dąbrowski"), QStringLiteral("Łukasz"), 45,
                                                              QStringLiteral("TYDZIEN_STANDARD"))),
            true, false,
            {"045|Dąbrowski|Łukasz|TYDZIEN_STANDARD|", "003|Kowalski|Piotr|ZMIANA_NOCNA|Magazyn",
             "012|Nowak|Jan|<BRAK>|", "100|Wojciechowska|Żaneta|ZMIANA_DZIENNA|"},
            {});

    RecordBytes padded = Employee(QStringLiteral(" Zając  "), QStringLiteral("  Anna "), 7,
                                  QStringLiteral("  ZMIANA_NOCNA "), QStringLiteral(" Biuro "));
    RecordBytes paddedNoPlan = Employee(QStringLiteral("Mazur"), QStringLiteral("Ewa"), 8, QStringLiteral(" **** "));
    addCase("texts trimmed, a padded no-plan mark",
            Folder().add(QStringLiteral("ZAJAC.007"), padded).add(QStringLiteral("MAZUR.008"), paddedNoPlan), true,
            false, {"008|Mazur|Ewa|<BRAK>|", "007|Zając|Anna|ZMIANA_NOCNA|Biuro"}, {});

    RecordBytes emptyGroup = nowak;
    emptyGroup.Group = QString();
    addCase("an empty group stored", Folder().add(QStringLiteral("NOWAK.012"), emptyGroup), true, false,
            {"012|Nowak|Jan|<BRAK>|"}, {});

    // "An^na": the mask character is stored as a 0 byte and ends the first
    // name; the rest is taken for the plan, the plan for the group.
    addCase("a character equal to the mask ends its text",
            Folder().add(QStringLiteral("NOWAK.012"),
                         Employee(QStringLiteral("Nowak"), QStringLiteral("An^na"), 12, QStringLiteral("****"))),
            true, false, {"012|Nowak|An|0?|tttt"}, {});

    addCase("entries in any order: the smallest key carries the number",
            Folder().add(QStringLiteral("NOWAK.012"), withEntries(nowak, {{900, 5}, {20, 99}, {20, 12}, {40, 7}})),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {});

    addCase("short names skipped without a message; five characters are checked",
            Folder()
                .add(QStringLiteral("ABC"), QByteArray())
                .add(QStringLiteral("A.01"), kowalski)
                .add(QStringLiteral("AB.09"), Employee(QStringLiteral("Ab"), QStringLiteral("Ola"), 9)),
            true, false, {"009|Ab|Ola|<BRAK>|"}, {});

    addCase("the entry count is checked before the name's length",
            Folder().add(QStringLiteral("ABC"), QByteArray("garbage")).add(QStringLiteral("NOWAK.012"), nowak), true,
            false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("ABC")});

    addCase("a five-character name with a foreign stem ends the program",
            Folder().add(QStringLiteral("XY.09"), Employee(QStringLiteral("Ab"), QStringLiteral("Ola"), 9)), false,
            true, {}, {BadFiles});

    addCase("duplicate numbers end the program at the second file",
            Folder()
                .add(QStringLiteral("AAAAA.005"), Employee(QStringLiteral("Aaaaa"), QStringLiteral("Jan"), 5))
                .add(QStringLiteral("KOWALSKI.003"), kowalski)
                .add(QStringLiteral("NOWAK.005"), Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 5))
                .add(QStringLiteral("ZZZZZ.006"), Employee(QStringLiteral("Zzzzz"), QStringLiteral("Jan"), 6)),
            false, true, {"005|Aaaaa|Jan|<BRAK>|", "003|Kowalski|Piotr|ZMIANA_NOCNA|Magazyn"}, {Duplicates});

    addCase("a duplicate number in names of different length",
            Folder()
                .add(QStringLiteral("AAAAA.05"), Employee(QStringLiteral("Aaaaa"), QStringLiteral("Jan"), 5))
                .add(QStringLiteral("NOWAK.005"), Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 5)),
            false, true, {"005|Aaaaa|Jan|<BRAK>|"}, {Duplicates});

    addCase("a stem that is not the surname's",
            Folder()
                .add(QStringLiteral("KOWALSKI.003"), kowalski)
                .add(QStringLiteral("NOWAK.012"), Employee(QStringLiteral("Nowicki"), QStringLiteral("Jan"), 12)),
            false, true, {"003|Kowalski|Piotr|ZMIANA_NOCNA|Magazyn"}, {BadFiles});

    addCase("a card number other than the name's", Folder().add(QStringLiteral("NOWAK.013"), nowak), false, true, {},
            {WrongFiles});

    addCase("a name without a number",
            Folder().add(QStringLiteral("NOWAKOWA"), Employee(QStringLiteral("Nowakowa"), QStringLiteral("Jan"), 12)),
            false, true, {}, {WrongFiles});

    addCase("no entries", Folder().add(QStringLiteral("NOWAK.012"), withEntries(nowak, {})), false, true, {},
            {BadFiles});

    RecordBytes halfEntry = withEntries(nowak, {});
    // The data start is 1-based: n whole entries are n - 1/6 by the formula.
    halfEntry.Tail = QByteArray("\x01\x02\x03\x04", 4);
    addCase("half an entry rounds to none", Folder().add(QStringLiteral("NOWAK.012"), halfEntry), false, true, {},
            {BadFiles});

    RecordBytes twoThirds = withEntries(nowak, {});
    twoThirds.Tail = QByteArray("\x01\x02\x03\x04\x00", 5);
    addCase("two thirds of an entry round to one, with card number 0",
            Folder().add(QStringLiteral("NOWAK.012"), twoThirds), false, true, {}, {invalidFile("NOWAK.012")});

    addCase("card number 1001", Folder().add(QStringLiteral("NOWAK.012"), withEntries(nowak, {{1, 1001}})), false, true,
            {}, {invalidFile("NOWAK.012")});

    addCase("a name number above 999 is skipped",
            Folder()
                .add(QStringLiteral("KOWALSKI.1000"), withEntries(kowalski, {{1, 1000}}))
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("KOWALSKI.1000")});

    addCase("a data start past the end is skipped",
            Folder()
                .add(QStringLiteral("KOWALSKI.003"), withDataStart(kowalski, 400))
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("KOWALSKI.003")});

    addCase("a data start before the first byte is skipped",
            Folder()
                .add(QStringLiteral("KOWALSKI.003"), withDataStart(kowalski, -5))
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("KOWALSKI.003")});

    // Data start 7 reads the entries from the surname on; the group is read
    // because the data start does not follow the plan name.
    RecordBytes inTexts = Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12);
    inTexts.DataStart = 7;
    addCase("a data start inside the texts reads entries from there",
            Folder().add(QStringLiteral("NOWAK.012"), inTexts), false, true, {}, {invalidFile("NOWAK.012")});

    RecordBytes unterminated = kowalski;
    unterminated.DataStart = 40;
    addCase("a surname running to the end of the file",
            Folder()
                .add(QStringLiteral("KOWALSKI.003"), unterminated.Bytes().left(6 + 8))
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("KOWALSKI.003")});

    addCase("a zero-length record", Folder().add(QStringLiteral("NOWAK.012"), QByteArray()), false, true, {},
            {BadFiles});
    addCase("zero bytes only", Folder().add(QStringLiteral("NOWAK.012"), QByteArray(64, '\0')), false, true, {},
            {BadFiles});

    addCase("a record too large to be one",
            Folder()
                .add(QStringLiteral("KOWALSKI.003"), kowalski.Bytes() + QByteArray(MaxRecordSize, '\x01'))
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {invalidFile("KOWALSKI.003")});

    addCase("hidden files are no records",
            Folder()
                .add(QStringLiteral(".NOWAK.012.new"), QByteArray("partial"))
                .add(QStringLiteral(".hidden"), QByteArray())
                .add(QStringLiteral("NOWAK.012"), nowak),
            true, false, {"012|Nowak|Jan|<BRAK>|"}, {});

    addCase("an empty folder", Folder(), false, false, {}, {NoFiles});
    addCase("only hidden files", Folder().add(QStringLiteral(".NOWAK.012.new"), nowak), false, false, {}, {NoFiles});
}

void TestObslugaListy::readFolder()
{
    QFETCH(QStringList, names);
    QFETCH(QByteArrayList, contents);
    QFETCH(bool, result);
    QFETCH(bool, ending);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, messages);

    TestEnvironment env;
    for (qsizetype i = 0; i < names.size(); ++i)
        QVERIFY(WriteRecord(env.StaffDir(), names[i], contents[i]));
    QVERIFY(QDir(env.StaffDir()).mkdir(QStringLiteral("SUBFOLDER.001")));

    EmployeeRows read;
    QCOMPARE(WczytajPracownikow(env.State, read, StaffHooks{}), result);
    QCOMPARE(env.State.ProgramEnding, ending);
    QStringList readRows;
    for (const EmployeeRow& row : read)
        readRows << rowText(row);
    QCOMPARE(readRows, rows);
    const QString dir = QDir::toNativeSeparators(env.StaffDir() + QLatin1Char('/'));
    messages.replaceInStrings(QStringLiteral("%DIR%"), dir);
    QCOMPARE(env.Ui.Texts(), messages);
    for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
        QCOMPARE(entry.icon, MessageIcon::Critical);
    if (result) QCOMPARE(env.State.Zaznaczeni, QVector<bool>(rows.size(), false));
}

void TestObslugaListy::missingFolder()
{
    TestEnvironment env;
    QVERIFY(QDir(env.StaffDir()).removeRecursively());
    EmployeeRows rows{{QStringLiteral("001"), {}, {}, {}, {}}};
    QVERIFY(!WczytajPracownikow(env.State, rows, StaffHooks{}));
    QVERIFY(env.State.ProgramEnding);
    QCOMPARE(env.Ui.OnlyText(), QStringLiteral("Nie odnazliono katalogu z danymi pracowników.") + Cr13 +
                                    QStringLiteral("W celu skonfigurowania na nowo katalogu, uruchom program Zarvik."));
}

void TestObslugaListy::progressOfTheSplashBar()
{
    // Six files (one of them skipped): step 100/7, the bar shows whole numbers.
    TestEnvironment env;
    for (int number = 1; number <= 5; ++number) {
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.%1").arg(number, 3, 10, QLatin1Char('0')),
                            Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), number).Bytes()));
    }
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("A.X"), QByteArray()));
    QList<int> bar;
    int events = 0;
    StaffHooks hooks;
    hooks.Progress = [&](int value) { bar << value; };
    hooks.ProcessEvents = [&] { ++events; };
    EmployeeRows rows;
    QVERIFY(WczytajPracownikow(env.State, rows, hooks));
    QCOMPARE(bar, (QList<int>{0, 14, 28, 42, 57, 71, 85}));
    QCOMPARE(rows.size(), 5);
    // Once at the start, once per name of the duplicate scan, once per file.
    QCOMPARE(events, 1 + 6 + 6);
}

void TestObslugaListy::busyRecord_data()
{
    QTest::addColumn<int>("releaseAtWait"); // 0 = never
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("waits");

    QTest::newRow("released at the first wait") << 1 << true << 1;
    QTest::newRow("released at the last wait") << 5 << true << 5;
    QTest::newRow("busy through all attempts") << 0 << false << 5;
}

void TestObslugaListy::busyRecord()
{
    QFETCH(int, releaseAtWait);
    QFETCH(bool, result);
    QFETCH(int, waits);

    TestEnvironment env;
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("KOWALSKI.003"),
                        Employee(QStringLiteral("Kowalski"), QStringLiteral("Piotr"), 3).Bytes()));
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.012"),
                        Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12).Bytes()));
    // Another open of the second record, being rewritten.
    RecordFile holder;
    QCOMPARE(holder.Open(QDir(env.StaffDir()).filePath(QStringLiteral("NOWAK.012")), RecordAccess::Exclusive),
             OpenStatus::Opened);

    QList<int> waited;
    StaffHooks hooks;
    hooks.Wait = [&](int milliseconds) {
        waited << milliseconds;
        if (waited.size() == releaseAtWait) holder.Close();
    };
    EmployeeRows rows;
    QCOMPARE(WczytajPracownikow(env.State, rows, hooks), result);
    QVERIFY(!env.State.ProgramEnding);
    QCOMPARE(waited, QList<int>(waits, 1000));
    QCOMPARE(rows.size(), result ? 2 : 1);
    QCOMPARE(env.Ui.Texts(), result ? QStringList() : QStringList{Busy});
}

void TestObslugaListy::recordHeldByAnotherProcess()
{
    TestEnvironment env;
    const QString path = QDir(env.StaffDir()).filePath(QStringLiteral("NOWAK.012"));
    QVERIFY(WriteFile(path, Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12).Bytes()));

    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
        const bool locked = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        const char answer = locked ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    QCOMPARE(::read(ready[0], &answer, 1), ssize_t(1));
    QCOMPARE(answer, 'y');

    int waits = 0;
    StaffHooks hooks;
    hooks.Wait = [&](int) {
        if (++waits == 3) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    };
    EmployeeRows rows;
    const bool read = WczytajPracownikow(env.State, rows, hooks);
    if (waits < 3) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(ready[0]);
    ::close(ready[1]);
    QVERIFY(read);
    QCOMPARE(waits, 3);
    QCOMPARE(rows.size(), 1);
}

void TestObslugaListy::demoFolder()
{
    // The demo personnel folder reads without a message, with Polish letters,
    // employees without a plan, with and without a group.
    TestEnvironment env;
    QString error;
    QVERIFY2(WriteDemoStaff(TestLibrary(), env.State.DataDir(), &error), qPrintable(error));
    EmployeeRows rows;
    QVERIFY(WczytajPracownikow(env.State, rows, StaffHooks{}));
    QCOMPARE(env.Ui.Texts(), QStringList());
    QVERIFY(rows.size() >= 35 && rows.size() <= 45);
    const auto count = [&](auto predicate) { return std::count_if(rows.cbegin(), rows.cend(), predicate); };
    QVERIFY(count([](const EmployeeRow& row) { return row.Plan == QLatin1String("<BRAK>"); }) > 0);
    QVERIFY(count([](const EmployeeRow& row) { return DemoPlanNames().contains(row.Plan); }) > 0);
    QVERIFY(count([](const EmployeeRow& row) { return row.Group.isEmpty(); }) > 0);
    QVERIFY(count([](const EmployeeRow& row) { return !row.Group.isEmpty(); }) > 0);
    QVERIFY(
        count([](const EmployeeRow& row) {
            return (row.Surname + row.FirstName).contains(QRegularExpression(QStringLiteral("[ąćęłńóśźżĄĆĘŁŃÓŚŹŻ]")));
        }) > 0);
}

QTEST_GUILESS_MAIN(TestObslugaListy)
#include "tst_ObslugaListy.moc"
