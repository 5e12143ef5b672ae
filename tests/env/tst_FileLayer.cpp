#include "TestSupport.h"

#include "env/ErrorMessages.h"
#include "env/OdczytZapisPliku.h"

#include <QDir>
#include <QTest>

#include <unistd.h>

// The rule of every file written: what the file layer puts in place of what
// stands at a target's name, and what it leaves alone.
namespace {

// Makes what stands at the target in folder, and gives the files whose
// identity the write keeps apart (the command's inputs).
using TargetSetup = std::function<QList<FileIdentity>(const QString& folder, const QString& target)>;

TargetSetup Put(const PathSetup& put)
{
    return [put](const QString&, const QString& target) {
        put(target);
        return QList<FileIdentity>();
    };
}

// A link at the target to name beside the target's folder.
TargetSetup LinkBeside(const QString& name)
{
    return [name](const QString& folder, const QString& target) {
        QFile::link(QDir(QFileInfo(folder).absolutePath()).filePath(name), target);
        return QList<FileIdentity>();
    };
}

// The target is a file the command reads, reached as the row says.
TargetSetup Input(const std::function<QString(const QString& folder, const QString& target)>& inputPath)
{
    return [inputPath](const QString& folder, const QString& target) {
        WriteFile(target, "input");
        return QList<FileIdentity>{IdentityOf(inputPath(folder, target)).value_or(FileIdentity{})};
    };
}

// How many files this process has open (0 where the system does not tell).
qsizetype OpenDescriptors()
{
    return QDir(u"/proc/self/fd"_s).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

Q_DECLARE_METATYPE(TargetSetup)

class TestFileLayer : public QObject
{
    Q_OBJECT

private slots:
    void targets_data()
    {
        QTest::addColumn<TargetSetup>("setup");
        QTest::addColumn<bool>("root");     // a device is made: root only
        QTest::addColumn<int>("refusal");   // TargetRefusal, None when written
        QTest::addColumn<QString>("after"); // what stands at the target afterwards ("@" the folder)
        const int none = int(TargetRefusal::None), link = int(TargetRefusal::Link),
                  other = int(TargetRefusal::NotRegular), input = int(TargetRefusal::Input);
        const auto sameName = [](const QString&, const QString& target) { return target; };
        const auto hardLink = [](const QString& folder, const QString& target) {
            QString other = QDir(folder).filePath(u"other name"_s);
            (void)!::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData());
            return other;
        };
        const auto throughLinkedFolder = [](const QString& folder, const QString& target) {
            QFile::link(folder, folder + u".link"_s);
            return folder + u".link/"_s + QFileInfo(target).fileName();
        };
        // clang-format off
        QTest::newRow("nothing") << Put(Nothing()) << false << none << "file new";
        QTest::newRow("a regular file") << Put(FileOf("old")) << false << none << "file new";
        QTest::newRow("a large regular file") << Put(FileOf(QByteArray(256 * 1024, 'o'))) << false << none << "file new";
        QTest::newRow("a link to a file") << LinkBeside(u"victim"_s) << false << link << "link @/victim";
        QTest::newRow("a link to nothing") << LinkBeside(u"nowhere"_s) << false << link << "link @/nowhere";
        QTest::newRow("a pipe") << Put(Pipe()) << false << other << "pipe";
        QTest::newRow("a device") << Put(CharDevice()) << true << other << "device";
        QTest::newRow("a folder") << Put(Directory()) << false << other << "folder";
        QTest::newRow("an input, by its name") << Input(sameName) << false << input << "file input";
        QTest::newRow("an input, by another name") << Input(hardLink) << false << input << "file input";
        QTest::newRow("an input, through a linked folder") << Input(throughLinkedFolder) << false << input << "file input";
        // clang-format on
    }

    // A target that is nothing or a regular file is replaced; anything else,
    // and a file the command reads, is left as it was, with nothing left
    // beside it and no wait on a pipe.
    void targets()
    {
        QFETCH(TargetSetup, setup);
        QFETCH(bool, root);
        QFETCH(int, refusal);
        QFETCH(QString, after);
        if (root && ::geteuid() != 0) QSKIP("making a device needs root");
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"out"_s), target = QDir(folder).filePath(u"target"_s);
        QVERIFY(QDir().mkpath(folder) && WriteFile(dir.filePath(u"victim"_s), "victim"));
        const QList<FileIdentity> inputs = setup(folder, target);
        const QString before = FolderEntries(folder);
        const qsizetype descriptors = OpenDescriptors();
        QCOMPARE(CheckWriteTarget(target, inputs), TargetRefusal(refusal));
        FileReplacement replacement;
        replacement.KeepInputs(inputs);
        const QByteArray bytes("new");
        QCOMPARE(replacement.Write(folder, {bytes}), int16_t(0));
        const int16_t number = replacement.Commit(target);
        QCOMPARE(number, int16_t(refusal == int(TargetRefusal::None) ? 0 : PathFileAccessError));
        QCOMPARE(replacement.Fault().Refusal, TargetRefusal(refusal));
        QCOMPARE(WhatStandsAt(target), after.replace(u'@', dir.path()));
        QCOMPARE(ReadFile(dir.filePath(u"victim"_s)), QByteArray("victim"));
        QCOMPARE(FolderEntries(folder), number == 0 ? u"target"_s : before);
        QCOMPARE(OpenDescriptors(), descriptors); // nothing it looked at is kept open
    }

    // A record opened for a rewrite is never reached through a link: the open
    // fails at once (no other program holds it, so there is nothing to wait
    // for), whatever the link leads to.
    void exclusiveOpenFollowsNoLink()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath(u"NOWAK.012"_s), elsewhere = dir.filePath(u"kopia.rec"_s);
        QVERIFY(WriteFile(elsewhere, "record") && QFile::link(elsewhere, record));
        DataFile file;
        int waits = 0;
        QCOMPARE(OpenWithRetries(file, record, FileAccess::Exclusive, 5, [&waits] { ++waits; }), OpenStatus::Failed);
        QCOMPARE(waits, 0);
        QCOMPARE(file.ErrorNumber(), int16_t(PathFileAccessError));
        QCOMPARE(file.Open(record, FileAccess::Read), OpenStatus::Opened); // reading follows it
    }

    // A record that has a second name is never rewritten in place: both would change.
    void inPlaceRewriteOfALinkedFile()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath(u"NOWAK.012"_s), other = dir.filePath(u"kopia.rec"_s);
        QVERIFY(WriteFile(record, "record") &&
                ::link(QFile::encodeName(record).constData(), QFile::encodeName(other).constData()) == 0);
        DataFile file;
        QCOMPARE(file.Open(record, FileAccess::Exclusive), OpenStatus::Opened);
        QVERIFY(!file.RewriteInPlace("changed"));
        QCOMPARE(file.Fault().Refusal, TargetRefusal::Link);
        QCOMPARE(ReadFile(other), QByteArray("record"));
    }

    // A new file never takes a name that something holds, not even a link
    // leading nowhere, and never writes through one.
    void newFileNeverReplaces()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"BLOKADA.lck"_s);
        QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), target));
        FileReplacement replacement;
        const QByteArray bytes("record");
        QCOMPARE(replacement.Write(dir.path(), {bytes}), int16_t(0));
        QVERIFY(replacement.CommitNew(target) != 0);
        QCOMPARE(replacement.Fault().SystemError, EEXIST);
        QVERIFY(!QFileInfo::exists(dir.filePath(u"nowhere"_s)));
        QCOMPARE(FolderEntries(dir.path()), u"BLOKADA.lck"_s);
    }
};

QTEST_GUILESS_MAIN(TestFileLayer)
#include "tst_FileLayer.moc"
