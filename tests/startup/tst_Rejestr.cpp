#include "env/Rejestr.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestRejestr : public QObject
{
    Q_OBJECT

private slots:
    void packageName_data();
    void packageName();
};

void TestRejestr::packageName_data()
{
    QTest::addColumn<QByteArray>("file");  // the configuration file as written by hand; null: none
    QTest::addColumn<QVariant>("written"); // or the value as stored through QSettings
    QTest::addColumn<QString>("expected");

    const QVariant none;
    QTest::newRow("value") << QByteArray("[General]\nPakiet=Morvane KZT Standard\n") << none << "Morvane KZT Standard";
    QTest::newRow("Polish letters") << QByteArray("[General]\nPakiet=Wersja sieciowa dla łączności\n") << none
                                    << "Wersja sieciowa dla łączności";
    QTest::newRow("quoted, with a comma")
        << QByteArray("[General]\nPakiet=\"Morvane KZT, sieć\"\n") << none << "Morvane KZT, sieć";
    QTest::newRow("unquoted, with a comma")
        << QByteArray("[General]\nPakiet=Morvane KZT, sieć\n") << none << "Morvane KZT, sieć";
    QTest::newRow("number") << QByteArray("[General]\nPakiet=5\n") << none << "5";
    QTest::newRow("blank") << QByteArray("[General]\nPakiet=\"   \"\n") << none << "";
    QTest::newRow("empty") << QByteArray("[General]\nPakiet=\n") << none << "";
    QTest::newRow("absent value") << QByteArray("[General]\nWersja=5\n") << none << "";
    QTest::newRow("in another section") << QByteArray("[Inne]\nPakiet=Morvane KZT\n") << none << "";
    QTest::newRow("no file") << QByteArray() << none << "";
    QTest::newRow("253 bytes kept") << QByteArray() << QVariant(QString(253, u'a')) << QString(253, u'a');
    QTest::newRow("longer than 253 bytes") << QByteArray() << QVariant(QString(300, u'a')) << QString(253, u'a');
    QTest::newRow("253 Polish letters of one byte each")
        << QByteArray() << QVariant(QString(300, u'ą')) << QString(253, u'ą');
    QTest::newRow("cut at a zero character")
        << QByteArray() << QVariant(QStringLiteral("Morvane") + QChar(0) + QStringLiteral("KZT")) << "Morvane";
    QTest::newRow("zero character first") << QByteArray() << QVariant(QChar(0) + QStringLiteral("KZT")) << "";
    QTest::newRow("blank before a zero character")
        << QByteArray() << QVariant(QStringLiteral("  ") + QChar(0) + QStringLiteral("KZT")) << "";
}

void TestRejestr::packageName()
{
    QFETCH(QByteArray, file);
    QFETCH(QVariant, written);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morvane KZT.ini"));
    if (!file.isNull()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(file), file.size());
    }
    if (written.isValid()) {
        QSettings writer(path, QSettings::IniFormat);
        writer.setValue(QStringLiteral("Pakiet"), written);
        writer.sync();
        QCOMPARE(writer.status(), QSettings::NoError);
    }
    const QSettings source(path, QSettings::IniFormat);
    QCOMPARE(CzytajPakiet(source), expected);
}

QTEST_GUILESS_MAIN(TestRejestr)
#include "tst_Rejestr.moc"
