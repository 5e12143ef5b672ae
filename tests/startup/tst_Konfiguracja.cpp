#include "TestSupport.h"

#include "env/Konfiguracja.h"
#include "env/Rejestr.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(PathSetup)

// Where the data lie (sciezka.ini) and the package name.
class TestKonfiguracja : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("root");
        const std::optional<QString> none;
        const auto path = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };
        QTest::newRow("blank and a path") << QByteArray("[SCIEZKA] D:\\KZT") << path("D:\\KZT");
        QTest::newRow("equals sign, one trailing backslash goes")
            << QByteArray("[SCIEZKA]=D:\\KZT\\\\\r\n") << path("D:\\KZT\\");
        QTest::newRow("the root stays") << QByteArray("[SCIEZKA] \\") << path("\\");
        QTest::newRow("a path right after the name loses its first character")
            << QByteArray("[SCIEZKA]D:\\KZT") << path(":\\KZT");
        QTest::newRow("line and value trimmed") << QByteArray(" \t[SCIEZKA]=   D:\\KZT  \t") << path("D:\\KZT");
        QTest::newRow("name in other case") << QByteArray("[Sciezka] D:\\KZT") << none;
        QTest::newRow("nothing after the name") << QByteArray("[SCIEZKA]\n") << none;
        QTest::newRow("only blanks after the separator") << QByteArray("[SCIEZKA]=    \r\n") << none;
        QTest::newRow("text before the bracket") << QByteArray("x[SCIEZKA] D:\\KZT") << none;
        QTest::newRow("longer name") << QByteArray("[SCIEZKA2] D:\\KZT") << none;
        QTest::newRow("last one wins, an empty one undoes nothing")
            << QByteArray("[SCIEZKA] D:\\A\n[SCIEZKA] D:\\B\n[SCIEZKA]=\n") << path("D:\\B");
        QTest::newRow("LF CR, CR and CR LF end lines")
            << QByteArray("[X]\n\r[SCIEZKA] D:\\A\r[SCIEZKA] D:\\B\r\n") << path("D:\\B");
        QTest::newRow("windows-1250 letters") << QByteArray("[SCIEZKA] D:\\\xa3\xf3"
                                                            "d\x9f\\")
                                              << path("D:\\Łódź");
        const char zeros[] = "\0\0[SCIEZKA] D:\\A\n[SCIEZKA] D:\\B\0C\n";
        QTest::newRow("a zero byte ends the text of a line") << QByteArray(zeros, sizeof zeros - 1) << path("D:\\B");
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char(i * 7 % 256));
        QTest::newRow("binary garbage") << garbage << none;
        QTest::newRow("garbage and a 1 MB line, then a path without a line end")
            << garbage + QByteArray(1 << 20, 'x') + "\n[SCIEZKA] D:\\A" << path("D:\\A");
        QTest::newRow("1 MB value") << "[SCIEZKA] " + QByteArray(1 << 20, 'x') << std::optional(QString(1 << 20, u'x'));
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, root);
        QCOMPARE(ParseSciezkaIni(bytes), root);
    }

    void readFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<PathSetup>("put"); // what stands there
        QTest::addColumn<QString>("root");  // "@" stands for the program folder
        QTest::newRow("no file") << "sciezka.ini" << Nothing() << "@";
        QTest::newRow("name in capitals, absolute path")
            << "SCIEZKA.INI" << FileOf("[SCIEZKA] /srv/kzt/\r\n") << "/srv/kzt";
        QTest::newRow("relative path with backslashes")
            << "sciezka.ini" << FileOf("[SCIEZKA]=..\\wspolne\\dane\\") << "@/../wspolne/dane";
        QTest::newRow("a pipe") << "sciezka.ini" << Pipe() << "@"; // reading it would wait
        // Only so much is read: the line that the limit cuts does not count.
        const QByteArray first("[SCIEZKA] /first\n"), last("[SCIEZKA] /second/path/across/the/limit\n");
        const QByteArray filler(SciezkaIniReadLimit - 20 - first.size() - 1, 'x');
        QTest::newRow("line cut by the read limit")
            << "sciezka.ini" << FileOf(first + filler + '\n' + last) << "/first";
    }

    void readFile()
    {
        QFETCH(QString, name);
        QFETCH(PathSetup, put);
        QFETCH(QString, root);
        TestEnvironment env;
        const QString programDir = QDir(env.ProgramDir()).canonicalPath();
        env.Env.ProgramDir = env.Env.DataRootDir = programDir;
        put(QDir(programDir).filePath(name));
        CzytajSciezke(env.Env);
        QCOMPARE(env.Env.DataRootDir, QDir::cleanPath(root.replace(QLatin1Char('@'), programDir)));
        QVERIFY(env.Ui.Entries().isEmpty());
    }

    void packageName_data()
    {
        QTest::addColumn<QByteArray>("file"); // the system-wide configuration file
        QTest::addColumn<QString>("name");
        // A value as QSettings stores it.
        const auto stored = [](const QVariant& value) {
            QTemporaryDir dir;
            {
                QSettings writer(dir.filePath(QStringLiteral("P.ini")), QSettings::IniFormat);
                writer.setValue(QStringLiteral("Pakiet"), value);
            }
            return ReadFile(dir.filePath(QStringLiteral("P.ini")));
        };
        QTest::newRow("value") << QByteArray("[General]\nPakiet=Wersja sieciowa dla łączności\n")
                               << "Wersja sieciowa dla łączności";
        QTest::newRow("unquoted, with a comma")
            << QByteArray("[General]\nPakiet=Morvane KZT, sieć\n") << "Morvane KZT, sieć";
        QTest::newRow("blank") << QByteArray("[General]\nPakiet=\"   \"\n") << "";
        QTest::newRow("absent") << QByteArray("[General]\nWersja=5\n") << "";
        QTest::newRow("253 bytes") << stored(QString(253, u'ą')) << QString(253, u'ą');
        QTest::newRow("254 bytes") << stored(QString(254, u'ą')) << "";
        QTest::newRow("cut at a zero character")
            << stored(QStringLiteral("Morvane") + QChar(0) + QStringLiteral("KZT")) << "Morvane";
    }

    void packageName()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Morvane KZT.ini"));
        QVERIFY(WriteFile(path, file));
        QCOMPARE(CzytajPakiet(QSettings(path, QSettings::IniFormat)), name);
    }
};

QTEST_GUILESS_MAIN(TestKonfiguracja)
#include "tst_Konfiguracja.moc"
