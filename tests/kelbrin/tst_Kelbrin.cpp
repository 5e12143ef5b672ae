#include "HolderProcess.h"
#include "TestSupport.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The suite library through its C interface: file-name stems, the current
// folder, and lock records: one holder at a time across processes; the
// record of a dead holder of this host is taken over, a live or foreign one
// never.
namespace {

const QString Kind = u"PlnEdit"_s;

// Asks in this process, with the caller's owner buffer.
int32_t Ask(const QString& object, const QString& holder, QByteArray& owner, const QString& kind = Kind)
{
    QByteArray holderBuffer = ToCodePage(holder);
    return KLNX_CreateLock(ToCodePage(kind).constData(), ToCodePage(object).constData(), holderBuffer.data(),
                           owner.data());
}

// The only record in the lock folder of the current directory.
QString OnlyRecord()
{
    return QDir(u"BLOKADY"_s).entryInfoList(QDir::Files).value(0).absoluteFilePath();
}

QByteArray LineOf(const QByteArray& record, const QByteArray& key)
{
    const qsizetype start = record.indexOf('\n' + key + '=') + 1;
    return start > 0 ? record.mid(start, record.indexOf('\n', start) - start) : QByteArray();
}

// How a dead holder's record is changed before it is asked for.
using Edit = std::function<QByteArray(QByteArray)>;

Edit Replacing(const QByteArray& key, const QByteArray& line)
{
    return [key, line](QByteArray record) { return record.replace(LineOf(record, key) + '\n', line); };
}

// Makes something other than a record at a record's name.
using NotARecord = std::function<void(const QString& path)>;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(NotARecord)

class TestKelbrin : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data; // the current directory of each test
    QStringList Asking(const QString& object, const QString& holder) const
    {
        return {u"lock"_s, m_data->path(), Kind, object, holder};
    }

private slots:
    // Every byte once, in order: capitals, Polish letters as ASCII, the rest dropped.
    void txtToName()
    {
        QByteArray text;
        for (int byte = 1; byte < 256; ++byte)
            text.append(char(byte));
        const QByteArray stem("-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZSZSZLAZLAZCENOCENO");
        // Rewritten in place: nothing past the text's own zero changes.
        QByteArray buffer = text + '\0' + "GUARD";
        KLNX_TxtToName(buffer.data());
        QCOMPARE(QByteArray(buffer.constData()), stem);
        QCOMPARE(buffer.right(6), QByteArray("\0GUARD", 6));
        QCOMPARE(ToCodePage(TestLibrary().TxtToName(FromCodePage(text))), stem);
    }

    // Every byte reads as the system's converter reads it, and writes back as itself.
    void codePage()
    {
        QStringDecoder system("windows-1250");
        if (!system.isValid()) QSKIP("the system has no windows-1250 converter");
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray one(1, char(byte));
            const QString text = system.decode(one);
            system.resetState();
            QCOMPARE(FromCodePage(one), text);
            QCOMPARE(ToCodePage(text), one);
        }
        QVERIFY(!FitsCodePage(u"\u0416"_s)); // Cyrillic Zhe
        QCOMPARE(ToCodePage(u"\u0416"_s), QByteArray(1, UnmappableByte));
    }

    void setDir_data()
    {
        QTest::addColumn<QString>("folder"); // "@" stands for a fresh folder, the current one
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("current"); // under "@"
        QTest::newRow("backslashes, one at the end") << "@\\DANE\\PLANY\\" << 0 << "DANE/PLANY";
        QTest::newRow("missing") << "@/BRAK" << 1 << "";
        QTest::newRow("a file") << "@/DANE/PLANY/X.PLN" << 1 << "";
        QTest::newRow("empty") << "" << 2 << "";
    }

    void setDir()
    {
        QFETCH(QString, folder);
        QFETCH(int, status);
        QFETCH(QString, current);
        QTemporaryDir root;
        const QDir rootDir(QDir(root.path()).canonicalPath());
        QVERIFY(rootDir.mkpath(u"DANE/PLANY"_s) && QDir::setCurrent(rootDir.path()));
        QFile file(rootDir.filePath(u"DANE/PLANY/X.PLN"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(KLNX_SetDir(ToCodePage(folder.replace(u'@', rootDir.path())).constData()), status);
        QCOMPARE(QDir::current().canonicalPath(), rootDir.filePath(current));
    }

    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        QCOMPARE(KLNX_SetDir(ToCodePage(m_data->path()).constData()), 0);
    }
    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        m_data.reset();
    }

    // Two processes ask for the same lock at the same moment: exactly one
    // gets it, and the other is told who. Rounds start with the lock folder
    // there, missing, or holding the record of a killed holder.
    void contention()
    {
        const QString object = u"WSPÓLNY.PLN"_s;
        const QStringList holders{u"Łucja z STACJA-1"_s, u"Żaneta z STACJA-2"_s};
        HolderProcess dead(Asking(object, u"Zmarły z STACJA-0"_s));
        QVERIFY(dead.Take() && dead.Holds());
        dead.Kill();
        const QString stalePath = OnlyRecord();
        const QByteArray staleRecord = ReadFile(stalePath);
        QVERIFY(!staleRecord.isEmpty());

        for (int round = 0; round < 100; ++round) {
            if (round % 3 == 1) QVERIFY(QDir(u"BLOKADY"_s).removeRecursively());
            if (round % 3 == 2) QVERIFY(QDir().mkpath(u"BLOKADY"_s) && WriteFile(stalePath, staleRecord));
            {
                HolderProcess a(Asking(object, holders[0])), b(Asking(object, holders[1]));
                QVERIFY(a.Start() && b.Start());
                (round % 2 ? a : b).Go();
                (round % 2 ? b : a).Go();
                QVERIFY(a.WaitForAnswer() && b.WaitForAnswer());
                QVERIFY2(a.Holds() != b.Holds(), qPrintable(u"round %1"_s.arg(round)));
                QCOMPARE((a.Holds() ? b : a).Owner(), holders[a.Holds() ? 0 : 1]);
            } // both let go
            QVERIFY(QDir(u"BLOKADY"_s).isEmpty());
        }
    }

    void staleRecords_data()
    {
        QTest::addColumn<bool>("reap"); // else the holder stays a zombie
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("age");           // seconds since the record was last written
        QTest::addColumn<QByteArray>("holder"); // the record's holder afterwards
        QTest::addColumn<QByteArray>("owner");  // the caller's owner buffer afterwards
        QTest::addColumn<bool>("guardLeft");    // the holder was killed taking over a record: its guard stays
        const QByteArray dead = ToCodePage(u"holder=Zbigniew Źrebiec z STACJA-9"_s), tester = "holder=Tester z TU";
        const QByteArray running = "pid=" + QByteArray::number(QCoreApplication::applicationPid()) + '\n';
        const Edit none = [](QByteArray record) { return record; };
        const Edit otherHost = Replacing("host", "host=gdzie-indziej\n");
        const Edit unfinished = [](const QByteArray& record) { return QByteArray(record).replace("END\n", ""); };
        const Edit reused = [=](const QByteArray& record) {
            return Replacing("start", "start=1\n")(Replacing("pid", running)(record));
        };
        const Edit startUnknown = [=](const QByteArray& record) {
            return Replacing("start", "")(Replacing("pid", running)(record));
        };
        const Edit foreignUnfinished = [=](const QByteArray& record) { return otherHost(unfinished(record)); };
        // What the caller's buffer of dots holds afterwards.
        const QByteArray nobody(40, '.'), named = dead.mid(7).leftJustified(40, ' ');
        QTest::newRow("holder killed") << true << none << 0 << tester << nobody << false;
        QTest::newRow("holder killed, not yet reaped") << false << none << 0 << tester << nobody << false;
        QTest::newRow("another host") << true << otherHost << 60 << dead << named << false;
        QTest::newRow("process id reused by a running process") << true << reused << 0 << tester << nobody << false;
        QTest::newRow("running process, start unknown") << true << startUnknown << 60 << dead << named << false;
        QTest::newRow("unfinished, young") << true << unfinished << 0 << dead << nobody << false;
        QTest::newRow("unfinished, old") << true << unfinished << 60 << tester << nobody << false;
        QTest::newRow("unfinished on another host, old") << true << foreignUnfinished << 60 << dead << nobody << false;
        // Records are not flushed to the disk: a power cut may leave one empty.
        const Edit emptied = [](const QByteArray&) { return QByteArray(); };
        QTest::newRow("left empty by a crash, old") << true << emptied << 60 << tester << nobody << false;
        QTest::newRow("holder killed, its young guard left") << true << none << 0 << tester << nobody << true;
    }

    // The record of a holder killed in its process, changed as the row says,
    // asked for by this process.
    void staleRecords()
    {
        QFETCH(bool, reap);
        QFETCH(Edit, edit);
        QFETCH(int, age);
        QFETCH(QByteArray, holder);
        QFETCH(QByteArray, owner);
        QFETCH(bool, guardLeft);
        HolderProcess dead(Asking(u"STARY.PLN"_s, u"Zbigniew Źrebiec z STACJA-9"_s));
        QVERIFY(dead.Take() && dead.Holds());
        dead.Kill(reap);
        // Gone, or a zombie.
        const auto state = [&dead] {
            const QByteArray stat = ReadFile(u"/proc/%1/stat"_s.arg(dead.Pid()));
            return stat.mid(stat.lastIndexOf(')') + 2, 1);
        };
        QElapsedTimer clock;
        clock.start();
        while (state() != "Z" && !state().isEmpty() && clock.elapsed() < 5000)
            QThread::msleep(2);
        QCOMPARE(state() == "Z", !reap);
        const QString path = OnlyRecord();
        const QByteArray record = edit(ReadFile(path));
        QFile file(path);
        QVERIFY(WriteFile(path, record) && file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
        file.close();
        if (guardLeft)
            QVERIFY(WriteFile(path + u".guard"_s,
                              QSysInfo::machineHostName().toUtf8() + ' ' + QByteArray::number(dead.Pid()) + '\n'));
        QByteArray buffer(40, '.');
        const int32_t handle = Ask(u"stary.pln"_s, u"Tester z TU"_s, buffer);
        QCOMPARE(buffer, owner);
        QCOMPARE(LineOf(ReadFile(path), "holder"), holder);
        QCOMPARE(KLNX_DeleteLock(handle), uint8_t(handle == -1)); // a refusal has no handle to give back
        QCOMPARE(QFile::exists(path), handle == -1);
    }

    void notRecords_data()
    {
        QTest::addColumn<NotARecord>("put");
        QTest::addColumn<bool>("root"); // a device is made: root only
        QTest::addColumn<int>("age");   // seconds since it last changed
        QTest::addColumn<bool>("taken");
        QTest::addColumn<bool>("freeDays"); // the free days' record, else a plan's
        // A record of a live holder, away from the lock folder.
        const NotARecord linkToLiveRecord = [](const QString& path) {
            const QString away = QFileInfo(path).absolutePath() + u"/../away"_s;
            QDir().mkpath(away);
            WriteFile(away + u"/record"_s,
                      "KELBRIN LOCK\nkind=PlnEdit\nholder=Anna z PC2\nhost=elsewhere\npid=1\nEND\n");
            QFile::link(away + u"/record"_s, path);
        };
        // clang-format off
        QTest::newRow("a pipe, young: held by nobody known") << NotARecord(Pipe()) << false << 0 << false << false;
        QTest::newRow("a pipe, old: taken over") << NotARecord(Pipe()) << false << 60 << true << false;
        QTest::newRow("a pipe as the free days' record") << NotARecord(Pipe()) << false << 0 << false << true;
        QTest::newRow("a device, young") << NotARecord(CharDevice()) << true << 0 << false << false;
        QTest::newRow("a device, old") << NotARecord(CharDevice()) << true << 60 << true << false;
        QTest::newRow("a link to a record of a live holder, young") << linkToLiveRecord << false << 0 << false << false;
        QTest::newRow("a link to nowhere, old") << NotARecord(LinkTo(u"nowhere"_s)) << false << 60 << true << false;
        QTest::newRow("a folder, old: never removed") << NotARecord(Directory()) << false << 60 << false << false;
        // clang-format on
    }

    // Something that is no record at a record's name is never opened, waited
    // on or followed: while it is young it holds the lock for a holder
    // nobody can be told of; once old it is taken over like an unfinished
    // record. Another process asks, so that a wait would show as no answer.
    void notRecords()
    {
        QFETCH(NotARecord, put);
        QFETCH(bool, root);
        QFETCH(int, age);
        QFETCH(bool, taken);
        QFETCH(bool, freeDays);
        if (root && ::geteuid() != 0) QSKIP("making a device needs root");
        QVERIFY(QDir().mkpath(u"BLOKADY"_s));
        const QString name = freeDays ? u"EDITFREE+FREEDAYS.lck"_s : u"PLNEDIT+STARY.PLN.lck"_s;
        const QString path = QDir(u"BLOKADY"_s).absoluteFilePath(name);
        put(path);
        const timespec then[2] = {{::time(nullptr) - age, 0}, {::time(nullptr) - age, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), then, AT_SYMLINK_NOFOLLOW), 0);
        const QString before = WhatStandsAt(path);
        HolderProcess asking(
            freeDays ? QStringList{u"lock"_s, m_data->path(), u"EditFree"_s, u"FreeDays"_s, u"Tester z TU"_s}
                     : Asking(u"stary.pln"_s, u"Tester z TU"_s));
        QVERIFY2(asking.Take(), "no answer");
        QCOMPARE(asking.Holds(), taken);
        QCOMPARE(asking.Owner(), QString());
        if (taken)
            QVERIFY(WhatStandsAt(path).startsWith(u"file KELBRIN LOCK"_s));
        else
            QCOMPARE(WhatStandsAt(path), before);
        QCOMPARE(FolderEntries(u"BLOKADY"_s), name);
    }

    void names_data()
    {
        QTest::addColumn<QString>("firstKind");
        QTest::addColumn<QString>("firstObject");
        QTest::addColumn<QString>("secondKind");
        QTest::addColumn<QString>("secondObject");
        QTest::addColumn<QByteArray>("told"); // the second asker's buffer of 8 blanks: who holds it, if anybody
        const QString longName(300, u'n');
        const QByteArray first("Pierwszy"), nobody(8, ' ');
        // clang-format off
        QTest::newRow("Polish object in other case") << Kind << "żółw ąę.pln" << Kind << "ŻÓŁW ĄĘ.PLN" << first;
        QTest::newRow("kind in other case") << Kind << "PLAN1.PLN" << "PLNEDIT" << "PLAN1.PLN" << first;
        QTest::newRow("other kind") << Kind << "FreeDays" << "EditFree" << "FreeDays" << nobody;
        QTest::newRow("escape cannot be forged") << Kind << "A+B.PLN" << Kind << "A%2BB.PLN" << nobody;
        QTest::newRow("kind and object boundary") << "A" << "B+C" << "A+B" << "C" << nobody;
        QTest::newRow("path characters") << Kind << "../PLAN1.PLN" << Kind << "PLAN1.PLN" << nobody;
        QTest::newRow("long names in other case") << Kind << longName << Kind << longName.toUpper() << first;
        QTest::newRow("long names differing at the end") << Kind << longName + u'1' << Kind << longName + u'2' << nobody;
        // clang-format on
    }

    // One record per kind and object, without regard to letter case, and
    // nothing written outside the lock folder. This process too is refused a
    // lock it holds already, and told who holds it within the owner buffer's
    // length.
    void names()
    {
        QFETCH(QString, firstKind);
        QFETCH(QString, firstObject);
        QFETCH(QString, secondKind);
        QFETCH(QString, secondObject);
        QFETCH(QByteArray, told);
        QByteArray owner = QByteArray(8, ' ') + '\0' + "GUARD";
        const int32_t first = Ask(firstObject, u"Pierwszy z PC1"_s, owner, firstKind);
        QVERIFY(first > 0);
        const int32_t second = Ask(secondObject, u"Drugi z PC2"_s, owner, secondKind);
        QCOMPARE(owner, told + '\0' + "GUARD");
        QCOMPARE(second == -1, told != QByteArray(8, ' '));
        // A refused request has no handle to give back.
        QCOMPARE(KLNX_DeleteLock(second), uint8_t(second == -1));
        QCOMPARE(KLNX_DeleteLock(first), uint8_t(0));
        QCOMPARE(KLNX_DeleteLock(first), uint8_t(1));
        QVERIFY(QDir(u"BLOKADY"_s).isEmpty());
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{u"BLOKADY"_s});
    }
};

QTEST_GUILESS_MAIN(TestKelbrin)
#include "tst_Kelbrin.moc"
