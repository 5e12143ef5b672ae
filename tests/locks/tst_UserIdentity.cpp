#include "env/UserIdentity.h"

#include <QProcess>
#include <QTest>

// The names lock holders are made of.
class TestUserIdentity : public QObject
{
    Q_OBJECT

private slots:
    void nameFromBuffer_data();
    void nameFromBuffer();
    void trimBlanks_data();
    void trimBlanks();
    void userNameIsTheAccount();
};

void TestUserIdentity::nameFromBuffer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("result");

    QTest::newRow("short") << QStringLiteral("jan") << 256 << QStringLiteral("jan");
    QTest::newRow("blanks around") << QStringLiteral("  jan  ") << 256 << QStringLiteral("jan");
    QTest::newRow("255 bytes in 256") << QString(255, QLatin1Char('u')) << 256 << QString(255, QLatin1Char('u'));
    QTest::newRow("256 bytes in 256") << QString(256, QLatin1Char('u')) << 256 << QString();
    QTest::newRow("254 bytes in 255") << QString(254, QLatin1Char('c')) << 255 << QString(254, QLatin1Char('c'));
    QTest::newRow("255 bytes in 255") << QString(255, QLatin1Char('c')) << 255 << QString();
    // Polish letters take one byte each in the code page, two in UTF-8.
    QTest::newRow("Polish letters") << QString(200, QChar(0x142)) << 256 << QString(200, QChar(0x142));
    QTest::newRow("empty") << QString() << 256 << QString();
}

void TestUserIdentity::nameFromBuffer()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(QString, result);
    QCOMPARE(NameFromBuffer(name, size), result);
}

void TestUserIdentity::trimBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("blanks") << QStringLiteral("  a b  ") << QStringLiteral("a b");
    QTest::newRow("tab and line break stay") << QStringLiteral("\ta b\r ") << QStringLiteral("\ta b\r");
    QTest::newRow("non-breaking space stays") << QStringLiteral(" a\u00A0") << QStringLiteral("a\u00A0");
    QTest::newRow("only blanks") << QStringLiteral("    ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestUserIdentity::trimBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(TrimBlanks(text), result);
}

// The user name is the account's, whatever the environment says: without it
// plans would open without a lock.
void TestUserIdentity::userNameIsTheAccount()
{
#ifdef Q_OS_WIN
    QSKIP("the account name comes from the system there");
#else
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-un")});
    if (!id.waitForFinished(10000) || id.exitCode() != 0) QSKIP("no id command to compare with");
    const QString account = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();

    const bool userSet = qEnvironmentVariableIsSet("USER"), logNameSet = qEnvironmentVariableIsSet("LOGNAME");
    const QByteArray user = qgetenv("USER"), logName = qgetenv("LOGNAME");
    qunsetenv("USER");
    qunsetenv("LOGNAME");
    const QString withoutEnvironment = SystemUserName();
    qputenv("USER", "ktos-inny");
    const QString withOtherUser = SystemUserName();
    userSet ? qputenv("USER", user) : qunsetenv("USER");
    logNameSet ? qputenv("LOGNAME", logName) : qunsetenv("LOGNAME");

    QCOMPARE(withoutEnvironment, account);
    QCOMPARE(withOtherUser, account);
#endif
}

QTEST_GUILESS_MAIN(TestUserIdentity)
#include "tst_UserIdentity.moc"
