#include "TestSupport.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

// The small services of the suite library: name stems, binding a folder and
// the version, called through the C interface so that the buffers can be seen.
class TestInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void txtToName_data();
    void txtToName();
    void setDir_data();
    void setDir();
    void version();
    void nullArguments();

private:
    QString m_startFolder;
};

void TestInterface::init()
{
    m_startFolder = QDir::currentPath();
}

void TestInterface::cleanup()
{
    QDir::setCurrent(m_startFolder);
}

void TestInterface::txtToName_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stem");

    QTest::newRow("surname") << ToCodePage(QStringLiteral("Kowalski")) << QByteArray("KOWALSKI");
    QTest::newRow("Polish small letters") << ToCodePage(QStringLiteral("ąćęłńóśźż")) << QByteArray("ACELNOSZZ");
    QTest::newRow("Polish capitals") << ToCodePage(QStringLiteral("ĄĆĘŁŃÓŚŹŻ")) << QByteArray("ACELNOSZZ");
    QTest::newRow("Polish letters in a name")
        << ToCodePage(QStringLiteral("Źdźbło-Łęcka")) << QByteArray("ZDZBLO-LECKA");
    QTest::newRow("other accented letters dropped")
        << ToCodePage(QStringLiteral("Müller Šťastný Éva Čapek Strauß")) << QByteArray("MLLERASTNVAAPEKSTRAU");
    QTest::newRow("blanks dropped") << ToCodePage(QStringLiteral("  Jan  Maria Nowak ")) << QByteArray("JANMARIANOWAK");
    QTest::newRow("digits, underscore and hyphen kept") << QByteArray("ab_12-cd") << QByteArray("AB_12-CD");
    QTest::newRow("punctuation dropped") << QByteArray("O'Brien, Jr. (2)") << QByteArray("OBRIENJR2");
    QTest::newRow("control characters dropped") << QByteArray("A\tB\rC\x01") << QByteArray("ABC");
    QTest::newRow("non-breaking space and section sign") << ToCodePage(QStringLiteral("A\u00A0§B")) << QByteArray("AB");
    QTest::newRow("nothing left") << QByteArray("?!* .") << QByteArray("");
    QTest::newRow("empty text") << QByteArray("") << QByteArray("");

    // Every byte value once, in order: what survives, in windows-1250.
    QByteArray all;
    for (int byte = 1; byte < 256; ++byte)
        all.append(char(byte));
    QTest::newRow("every byte")
        << all << QByteArray("-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZSZSZLAZLAZCENOCENO");
}

void TestInterface::txtToName()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stem);

    // The text, its terminating zero, then bytes that must stay as they are.
    const QByteArray guard("GUARD-GUARD");
    QByteArray buffer = text + '\0' + guard;
    KLNX_TxtToName(buffer.data());

    QCOMPARE(QByteArray(buffer.constData()), stem);
    QCOMPARE(buffer.at(text.size()), '\0');
    QCOMPARE(buffer.mid(text.size() + 1), guard);

    // The same through the program's binding, which passes its own buffer.
    QCOMPARE(ToCodePage(TestLibrary().TxtToName(FromCodePage(text))), stem);
}

void TestInterface::setDir_data()
{
    QTest::addColumn<QString>("folder"); // %ROOT% stands for a fresh temporary folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("current"); // relative to the root; empty when the call fails

    QTest::newRow("existing folder") << QStringLiteral("%ROOT%/DANE") << 0 << QStringLiteral("DANE");
    QTest::newRow("trailing slash") << QStringLiteral("%ROOT%/DANE/") << 0 << QStringLiteral("DANE");
    QTest::newRow("backslashes") << QStringLiteral("%ROOT%\\DANE\\PLANY") << 0 << QStringLiteral("DANE/PLANY");
    QTest::newRow("trailing backslash") << QStringLiteral("%ROOT%\\DANE\\") << 0 << QStringLiteral("DANE");
    QTest::newRow("mixed separators") << QStringLiteral("%ROOT%/DANE\\PLANY/") << 0 << QStringLiteral("DANE/PLANY");
    QTest::newRow("Polish folder name") << QStringLiteral("%ROOT%/Łódź Kadry") << 0 << QStringLiteral("Łódź Kadry");
    QTest::newRow("relative to the current folder") << QStringLiteral("DANE") << 0 << QStringLiteral("DANE");
    QTest::newRow("missing folder") << QStringLiteral("%ROOT%/BRAK") << 1 << QString();
    QTest::newRow("regular file") << QStringLiteral("%ROOT%/plik.txt") << 1 << QString();
    QTest::newRow("empty text") << QString() << 2 << QString();
}

void TestInterface::setDir()
{
    QFETCH(QString, folder);
    QFETCH(int, status);
    QFETCH(QString, current);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString rootPath = QDir(root.path()).canonicalPath();
    QVERIFY(QDir(rootPath).mkpath(QStringLiteral("DANE/PLANY")));
    QVERIFY(QDir(rootPath).mkpath(QStringLiteral("Łódź Kadry")));
    QVERIFY(WriteFile(QDir(rootPath).filePath(QStringLiteral("plik.txt")), "x"));
    QVERIFY(QDir::setCurrent(rootPath));

    // In a row written with backslashes the root is written so too.
    const QString rootText =
        folder.contains(QLatin1Char('\\')) ? QString(rootPath).replace(QLatin1Char('/'), QLatin1Char('\\')) : rootPath;
    const QByteArray text = ToCodePage(QString(folder).replace(QStringLiteral("%ROOT%"), rootText));

    QCOMPARE(KLNX_SetDir(text.constData()), int32_t(status));
    const QString expected = current.isEmpty() ? rootPath : QDir(rootPath).filePath(current);
    QCOMPARE(QDir::current().canonicalPath(), expected);
}

void TestInterface::version()
{
    uint8_t major = 9, minor = 9;
    int32_t level = 0;
    QCOMPARE(KLNX_GetVersion(&major, &minor, &level), uint8_t(0));
    QCOMPARE(major, uint8_t(1));
    QCOMPARE(minor, uint8_t(0));
    QCOMPARE(level, 2);
}

// No call may crash on a missing argument.
void TestInterface::nullArguments()
{
    KLNX_TxtToName(nullptr);
    QCOMPARE(KLNX_GetVersion(nullptr, nullptr, nullptr), uint8_t(0));
    QCOMPARE(KLNX_SetDir(nullptr), 2);
    int32_t first = 0, last = -1;
    QCOMPARE(KLNX_GetPlanRange(nullptr, &first, &last), uint8_t(1));
    QCOMPARE(first, 0);
    QCOMPARE(last, -1);
    char owner[] = "....";
    QCOMPARE(KLNX_CreateLock(nullptr, "X", nullptr, owner), -1);
    QCOMPARE(KLNX_CreateLock("PlnEdit", nullptr, nullptr, owner), -1);
    QCOMPARE(KLNX_CreateLock("PlnEdit", "", nullptr, owner), -1);
    QCOMPARE(QByteArray(owner), QByteArray("...."));
    QCOMPARE(KLNX_DeleteLock(-1), uint8_t(1));
}

QTEST_GUILESS_MAIN(TestInterface)
#include "tst_Interface.moc"
