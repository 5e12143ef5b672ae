// Keeping the free-days list: the public-holiday calendar, the writer of
// WOLNE.DAT (records kept byte for byte, new ones as the reader reads them),
// the changes of the list, editing under the free-days lock, and plntool wolne.
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "freedays/FreeDaysDocument.h"
#include "freedays/PublicHolidays.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

struct OpenCase
{
    Prepare Setup;
    QString Message;
    int Entries; // -1 when the list does not open
};
Q_DECLARE_METATYPE(OpenCase)

using Edit = std::function<void(FreeDaysDocument&)>;
Q_DECLARE_METATYPE(Edit)

namespace {

QByteArray Record(int32_t minutes, const char* description, uint8_t recurring, char unused = '\x11')
{
    return FreeDayRecordBytes(minutes, description, recurring, unused);
}

int32_t MinuteOf(int year, int month, int day)
{
    return DayOfDate(QDate(year, month, day)) * 1440;
}

QByteArray DemoFreeDays()
{
    TestEnvironment demo;
    WriteDemoFreeDays(TestLibrary(), demo.DataDir(), nullptr);
    return ReadFile(QDir(demo.PlansDir()).filePath(u"WOLNE.DAT"_s));
}

// The entries as "dd-MM-yyyy*" (a star for every year) and their descriptions.
QString Listed(const FreeDaysDocument& doc)
{
    QStringList entries;
    for (const FreeDayEntry& entry : doc.Entries)
        entries.append(entry.Date.toString(u"dd-MM-yyyy"_s) + (entry.Recurring ? u"* "_s : u" "_s) + entry.Description);
    return entries.join(u" | "_s);
}

FreeDaysDocument Parsed(const QByteArray& bytes)
{
    const std::optional<FreeDaysDocument> doc = ParseFreeDays(bytes);
    if (!doc) qFatal("not a free-days file");
    return *doc;
}

QString WolnePath(const TestEnvironment& env)
{
    return QDir(env.PlansDir()).filePath(u"WOLNE.DAT"_s);
}

} // namespace

class TestFreeDaysEditing : public QObject
{
    Q_OBJECT

private slots:
    void easter_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("sunday");
        QTest::newRow("2024") << 2024 << QDate(2024, 3, 31);
        QTest::newRow("2025") << 2025 << QDate(2025, 4, 20);
        QTest::newRow("2026") << 2026 << QDate(2026, 4, 5);
        QTest::newRow("2027") << 2027 << QDate(2027, 3, 28);
        QTest::newRow("2028") << 2028 << QDate(2028, 4, 16);
        QTest::newRow("2029") << 2029 << QDate(2029, 4, 1);
        QTest::newRow("2030") << 2030 << QDate(2030, 4, 21);
        // The years above share their lunar corrections; these do not.
        QTest::newRow("2008, nearly the earliest") << 2008 << QDate(2008, 3, 23);
        QTest::newRow("2038, the latest") << 2038 << QDate(2038, 4, 25);
    }

    void easter()
    {
        QFETCH(int, year);
        QFETCH(QDate, sunday);
        QCOMPARE(EasterSunday(year), sunday);
    }

    void holidays_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("days"); // "MM-dd", a star for the recurring ones
        QTest::newRow("2024: no Christmas Eve")
            << 2024 << "01-01* 01-06* 03-31 04-01 05-01* 05-03* 05-19 05-30 08-15* 11-01* 11-11* 12-25* 12-26*";
        QTest::newRow("2025: Christmas Eve, for that year")
            << 2025 << "01-01* 01-06* 04-20 04-21 05-01* 05-03* 06-08 06-19 08-15* 11-01* 11-11* 12-24 12-25* 12-26*";
    }

    void holidays()
    {
        QFETCH(int, year);
        QFETCH(QString, days);
        QStringList listed;
        for (const PublicHoliday& holiday : PublicHolidaysOf(year)) {
            QCOMPARE(holiday.Date.year(), year);
            listed.append(holiday.Date.toString(u"MM-dd"_s) + (holiday.Recurring ? u"*"_s : QString()));
        }
        QCOMPARE(listed.join(u' '), days);
    }

    // What the reader accepts and nobody changed goes back byte for byte;
    // a change rewrites only the records it touches.
    void writeBack_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("listed"); // what the writer's bytes read back as
        QTest::addColumn<QString>("kept");   // for each record of the file: "=" written as read, "*" rewritten
        const QByteArray odd = Record(MinuteOf(2024, 5, 3) + 600, "  Konstytucja  ", 7) +
                               Record(MinuteOf(2025, 11, 10), "Pomost", 0, '\0') + QByteArray(50, '\x7f');
        const Edit none = [](FreeDaysDocument&) {};
        // clang-format off
        QTest::newRow("demo file unchanged") << DemoFreeDays() << none << "" << "";
        QTest::newRow("time of day, odd flag, unused bytes and a tail unchanged") << odd << none
            << "03-05-2024* Konstytucja | 10-11-2025 Pomost" << "==";
        QTest::newRow("first entry set to what it holds") << odd
            << Edit([](FreeDaysDocument& doc) { SetEntry(doc, 0, {QDate(2024, 5, 3), true, u"Konstytucja"_s, {}}); })
            << "03-05-2024* Konstytucja | 10-11-2025 Pomost" << "==";
        QTest::newRow("second entry renamed") << odd
            << Edit([](FreeDaysDocument& doc) { SetEntry(doc, 1, {QDate(2025, 11, 10), false, u"Dzień  wolny za 1 XI"_s, {}}); })
            << "03-05-2024* Konstytucja | 10-11-2025 Dzień  wolny za 1 XI" << "=*";
        QTest::newRow("an entry added before the tail") << odd
            << Edit([](FreeDaysDocument& doc) { doc.Entries.append({QDate(2026, 1, 2), false, u"Piątek po Nowym Roku"_s, {}}); })
            << "03-05-2024* Konstytucja | 10-11-2025 Pomost | 02-01-2026 Piątek po Nowym Roku" << "==";
        QTest::newRow("first entry removed") << odd
            << Edit([](FreeDaysDocument& doc) { doc.Entries.removeFirst(); }) << "10-11-2025 Pomost" << "=";
        // clang-format on
    }

    void writeBack()
    {
        QFETCH(QByteArray, file);
        QFETCH(Edit, edit);
        QFETCH(QString, listed);
        QFETCH(QString, kept);
        FreeDaysDocument doc = Parsed(file);
        edit(doc);
        const QByteArray written = EncodeFreeDays(doc);
        QCOMPARE(doc.Modified(), written != file);
        if (listed.isEmpty()) {
            QCOMPARE(written, file);
            return;
        }
        QCOMPARE(Listed(Parsed(written)), listed);
        // The tail stays at the end.
        QCOMPARE(written.right(50), file.right(50));
        QString same;
        for (int i = 0; i < kept.size(); ++i) {
            const QByteArray record = written.mid(i * FreeDayRecordSize, FreeDayRecordSize);
            same += doc.Entries.at(i).Stored.isEmpty() || file.indexOf(record) < 0 ? u'*' : u'=';
        }
        QCOMPARE(same, kept);
    }

    // A new record: the date at 00:00, the description padded and scrambled
    // (spaces as they are), the flag, zeros in the unused bytes.
    void newRecord()
    {
        FreeDaysDocument doc;
        doc.Entries.append({QDate(2025, 12, 24), false, u"Wigilia Bożego Narodzenia"_s, {}});
        QCOMPARE(EncodeFreeDays(doc), Record(MinuteOf(2025, 12, 24), "Wigilia Bożego Narodzenia", 0, '\0'));
    }

    void descriptionFault_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("fault");
        QTest::newRow("Polish letters and the euro sign") << "Święto € żółć"
                                                          << "";
        QTest::newRow("80 characters after trimming") << u"  "_s + QString(80, u'x') + u"  "_s << "";
        QTest::newRow("81 characters") << QString(81, u'x') << "Opis dnia wolnego może mieć najwyżej 80 znaków.";
        QTest::newRow("blank") << "   "
                               << "Opis dnia wolnego nie może być pusty.";
        QTest::newRow("a tilde, stored as a space") << "a~b"
                                                    << "Opis dnia wolnego nie może zawierać znaku „~”.";
        QTest::newRow("a tab") << "a\tb"
                               << "Opis dnia wolnego nie może zawierać znaków sterujących.";
        QTest::newRow("outside windows-1250")
            << "Dzień ✓"
            << "Opis dnia wolnego zawiera znak, którego nie można zapisać w pliku dni wolnych: „✓”.";
    }

    void descriptionFault()
    {
        QFETCH(QString, description);
        QFETCH(QString, fault);
        QCOMPARE(FreeDayDescriptionFault(description), fault);
        if (!fault.isEmpty()) return;
        // What may be stored is read back as it was typed, trimmed.
        FreeDaysDocument doc;
        doc.Entries.append({QDate(2025, 1, 2), false, description, {}});
        QCOMPARE(Parsed(EncodeFreeDays(doc)).Entries.first().Description, description.trimmed());
    }

    void addHolidays_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("added");
        // clang-format off
        QTest::newRow("demo list: 2026 is there") << DemoFreeDays() << 2026 << "";
        // A recurring 1 May and Easter 2026 cover theirs; a one-year 1 January does not cover every year's.
        QTest::newRow("covered by entries of other names")
            << Record(MinuteOf(2010, 5, 1), "1 maja", 1) + Record(MinuteOf(2026, 4, 5), "Niedziela", 0) + Record(MinuteOf(2026, 1, 1), "Sylwester", 0)
            << 2026
            << "01-01-2026* Nowy Rok | 06-01-2026* Święto Trzech Króli | 06-04-2026 Poniedziałek Wielkanocny | "
               "03-05-2026* Święto Narodowe Trzeciego Maja | 24-05-2026 Zielone Świątki | 04-06-2026 Boże Ciało | "
               "15-08-2026* Wniebowzięcie Najświętszej Maryi Panny | 01-11-2026* Wszystkich Świętych | "
               "11-11-2026* Narodowe Święto Niepodległości | 24-12-2026 Wigilia Bożego Narodzenia | "
               "25-12-2026* Boże Narodzenie (pierwszy dzień) | 26-12-2026* Boże Narodzenie (drugi dzień)";
        // clang-format on
    }

    void addHolidays()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, year);
        QFETCH(QString, added);
        FreeDaysDocument doc = Parsed(file);
        FreeDaysDocument expected = doc;
        expected.Entries += AddPublicHolidays(doc, year);
        QCOMPARE(Listed(expected), Listed(doc));
        expected.Entries = expected.Entries.mid(Parsed(file).Entries.size());
        QCOMPARE(Listed(expected), added);
        // Twice adds nothing more.
        QVERIFY(AddPublicHolidays(doc, year).isEmpty());
    }

    void removeFreeDay_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("left");
        const QDate may(2025, 5, 1);
        QTest::newRow("the one-year entry first") << may << "01-05-2010* Święto | 01-05-2025* Drugie | 03-05-2025 Raz";
        QTest::newRow("else the recurring one")
            << QDate(2031, 5, 1) << "01-05-2025* Drugie | 01-05-2025 Jeden | 03-05-2025 Raz";
        QTest::newRow("nothing on that day") << QDate(2025, 5, 2) << "";
    }

    void removeFreeDay()
    {
        QFETCH(QDate, date);
        QFETCH(QString, left);
        FreeDaysDocument doc =
            Parsed(Record(MinuteOf(2010, 5, 1), "Święto", 1) + Record(MinuteOf(2025, 5, 1), "Drugie", 1) +
                   Record(MinuteOf(2025, 5, 1), "Jeden", 0) + Record(MinuteOf(2025, 5, 3), "Raz", 0));
        const QString before = Listed(doc);
        QCOMPARE(RemoveFreeDay(doc, date).has_value(), !left.isEmpty());
        QCOMPARE(Listed(doc), left.isEmpty() ? before : left);
    }

    // The mask and the named days find, entry by entry, exactly the days the
    // free-day test finds; a day that two entries make free is named by the first.
    void freeDayMask()
    {
        const FreeDayList list = FreeDayListOf(
            DecodeFreeDays(DemoFreeDays() + Record(MinuteOf(2004, 2, 29) + 1, "Co cztery lata", 1) +
                           Record(MinuteOf(2024, 2, 29), "Przestępny", 0) + Record(MinuteOf(2026, 1, 1), "Drugi", 0))
                .Records);
        const int32_t first = DayOfDate(QDate(2023, 1, 1));
        const int32_t last = DayOfDate(QDate(2028, 12, 31));
        const QBitArray mask = FreeDayMask(list, first, last);
        const QMap<int32_t, QString> named = FreeDaysBetween(list, first, last);
        QCOMPARE(mask.size(), last - first + 1);
        int free = 0;
        for (int32_t day = first; day <= last; ++day) {
            QCOMPARE(mask.testBit(day - first), IsFreeDayNumber(list, day));
            QCOMPARE(named.contains(day), IsFreeDayNumber(list, day));
            free += mask.testBit(day - first);
        }
        QCOMPARE(free, 6 * 13 + 4 + 2); // the holidays, Christmas Eve from 2025, 29 February 2024 and 2028
        QCOMPARE(named.value(DayOfDate(QDate(2024, 2, 29))), u"Co cztery lata"_s);
        QCOMPARE(named.value(DayOfDate(QDate(2026, 1, 1))), u"Nowy Rok"_s);
        QVERIFY(FreeDaysBetween(list, last, first).isEmpty());
    }

    void open_data()
    {
        QTest::addColumn<OpenCase>("c");
        const QByteArray two = Record(0, "A", 1) + Record(1440, "B", 0);
        // clang-format off
        QTest::newRow("no file: an empty list") << OpenCase{InPlans(u"WOLNE.TXT"_s, FileOf(two)), {}, 0};
        QTest::newRow("file name in small letters") << OpenCase{InPlans(u"wolne.dat"_s, FileOf(two)), {}, 2};
        QTest::newRow("held elsewhere") << OpenCase{LockedElsewhere(u"WOLNE.DAT"_s, two, u"EditFree"_s, u"FreeDays"_s),
            u"say Critical Zapis danych niemożliwy./Dostęp do danych zablokowany przez: jan z stanowisko3./"
             "Poczekaj aż zostanie zwolniony i spróbuj ponownie."_s, -1};
        QTest::newRow("no user name") << OpenCase{InPlans(u"WOLNE.DAT"_s, FileOf(two), u" "_s), u"say Critical Blokada danych niemożliwa."_s, -1};
        QTest::newRow("a bad record") << OpenCase{InPlans(u"WOLNE.DAT"_s, FileOf(Record(0, "A", 1) + Record(10, " ", 0))),
            u"say Critical Błędny plik. Odczyt danych dni wolnych anulowany."_s, -1};
        QTest::newRow("a pipe of that name") << OpenCase{InPlans(u"WOLNE.DAT"_s, Pipe()),
            u"say Critical Urządzenie niedostępne."_s, -1};
        // clang-format on
    }

    void open()
    {
        QFETCH(OpenCase, c);
        TestEnvironment env;
        const std::shared_ptr<void> keep = c.Setup(env);
        FreeDaysDocument doc;
        QCOMPARE(OpenFreeDaysForEditing(env.Env, env.State.FreeDays, doc), c.Entries >= 0);
        QCOMPARE(TakePromptLines(env.Ui).join(u'|'), c.Message);
        if (c.Entries < 0) {
            QCOMPARE(env.State.FreeDays.FreeDaysLockHandle, -1);
            return;
        }
        QCOMPARE(int(doc.Entries.size()), c.Entries);
        QVERIFY(env.State.FreeDays.FreeDaysLockHandle != -1);
        // While the list is open, another reader of the file is kept out.
        TestEnvironment other;
        other.Env.DataRootDir = env.Env.DataRootDir;
        other.Env.UserName = u"anna"_s;
        WczytajDniWolne(other.Env, other.State.FreeDays);
        QCOMPARE(other.Env.ProgramEnding, c.Entries > 0);
        QCOMPARE(other.Ui.OnlyText().contains(u"tester z pc1"_s), c.Entries > 0);
        CloseFreeDays(env.Env, env.State.FreeDays);
        QCOMPARE(env.State.FreeDays.FreeDaysLockHandle, -1);
    }

    // Saving puts the list in place in one step and into the program's free days.
    void save()
    {
        TestEnvironment env;
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(u"wolne.dat"_s), Record(MinuteOf(2025, 1, 1), "Nowy Rok", 1)));
        FreeDaysDocument doc;
        QVERIFY(OpenFreeDaysForEditing(env.Env, env.State.FreeDays, doc));
        AddPublicHolidays(doc, 2025);
        QVERIFY(SaveFreeDays(env.Env, env.State.FreeDays, doc));
        QVERIFY(!doc.Modified());
        QCOMPARE(FolderEntries(env.PlansDir()), u"wolne.dat"_s);
        QVERIFY(env.State.FreeDays.FreeDaysLoaded);
        QCOMPARE(env.State.FreeDays.Days.Count(), 14);
        QVERIFY(IsFreeDayNumber(env.State.FreeDays.Days, DayOfDate(QDate(2025, 12, 24))));
        QVERIFY(!IsFreeDayNumber(env.State.FreeDays.Days, DayOfDate(QDate(2024, 12, 24))));
        CloseFreeDays(env.Env, env.State.FreeDays);
        // The next start reads what was saved.
        SuiteFreeDays read;
        WczytajDniWolne(env.Env, read);
        QCOMPARE(read.Days.Dates, env.State.FreeDays.Days.Dates);
        QCOMPARE(read.Days.Names, env.State.FreeDays.Days.Names);

        // An entry that cannot be stored keeps the file as it was.
        const QByteArray saved = ReadFile(QDir(env.PlansDir()).filePath(u"wolne.dat"_s));
        doc.Entries.append({QDate(2025, 2, 3), false, u"a~b"_s, {}});
        QVERIFY(!SaveFreeDays(env.Env, env.State.FreeDays, doc));
        QCOMPARE(TakePromptLines(env.Ui),
                 QStringList{u"say Exclamation Opis dnia wolnego nie może zawierać znaku „~”."_s});
        QCOMPARE(ReadFile(QDir(env.PlansDir()).filePath(u"wolne.dat"_s)), saved);
        QCOMPARE(env.State.FreeDays.Days.Count(), 14);
    }

    void saveIntoMissingFolder()
    {
        TestEnvironment env;
        FreeDaysDocument doc;
        QVERIFY(OpenFreeDaysForEditing(env.Env, env.State.FreeDays, doc));
        QVERIFY(QDir(env.PlansDir()).removeRecursively());
        AddPublicHolidays(doc, 2025);
        QVERIFY(!SaveFreeDays(env.Env, env.State.FreeDays, doc));
        QCOMPARE(TakePromptLines(env.Ui),
                 QStringList{u"say Critical Nie odnaleziono pliku WOLNE.DAT/Anulowano zapis pliku dni wolnych."_s});
        QVERIFY(!env.State.FreeDays.FreeDaysLoaded);
        CloseFreeDays(env.Env, env.State.FreeDays);
    }

    void plntoolWolne_data()
    {
        QTest::addColumn<QString>("args"); // after "wolne DATA"
        QTest::addColumn<bool>("heldElsewhere");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed"); // "added removed saved count" on success, else stderr
        QTest::addColumn<int>("records");     // in the file afterwards
        const int demo = int(DemoFreeDays().size() / FreeDayRecordSize);
        // clang-format off
        QTest::newRow("the list") << "" << false << 0 << "0 0 false 239" << demo;
        QTest::newRow("a year's holidays, twice") << "--add-holidays 2051 --add-holidays 2051" << false << 0 << "5 0 true 244" << demo + 5;
        QTest::newRow("added and removed") << "--add-holidays 2051 --remove 2051-12-24 --remove 2030-05-01" << false << 0
                                           << "5 2 true 242" << demo + 3;
        QTest::newRow("a day not in the list") << "--add-holidays 2051 --remove 2051-12-23" << false << 1
                                               << "Dnia 23-12-2051 nie ma na liście dni wolnych.\n" << demo;
        QTest::newRow("held elsewhere") << "--add-holidays 2051" << true << 1
            << "Zapis danych niemożliwy.\nDostęp do danych zablokowany przez: jan z stanowisko3.\n"
               "Poczekaj aż zostanie zwolniony i spróbuj ponownie.\n" << demo;
        // clang-format on
    }

    void plntoolWolne()
    {
        QFETCH(QString, args);
        QFETCH(bool, heldElsewhere);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QFETCH(int, records);
        TestEnvironment env;
        const std::shared_ptr<void> keep =
            (heldElsewhere ? LockedElsewhere(u"WOLNE.DAT"_s, DemoFreeDays(), u"EditFree"_s, u"FreeDays"_s)
                           : InPlans(u"WOLNE.DAT"_s, FileOf(DemoFreeDays())))(env);
        const ToolRun run = RunPlntool(QStringList{u"wolne"_s, env.DataDir()} + args.split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(run.Code, code);
        if (code == 0) {
            const QJsonObject out = QJsonDocument::fromJson(run.Out.toUtf8()).object();
            QCOMPARE(u"%1 %2 %3 %4"_s.arg(out[u"added"_s].toInt())
                         .arg(out[u"removed"_s].toInt())
                         .arg(out[u"saved"_s].toBool() ? u"true"_s : u"false"_s)
                         .arg(out[u"entries"_s].toArray().size()),
                     printed);
        } else {
            QCOMPARE(run.Err, printed);
        }
        QCOMPARE(int(ReadFile(WolnePath(env)).size() / FreeDayRecordSize), records);
        QCOMPARE(FolderEntries(env.PlansDir()), u"WOLNE.DAT"_s);
    }
};

QTEST_GUILESS_MAIN(TestFreeDaysEditing)
#include "tst_FreeDaysEditing.moc"
