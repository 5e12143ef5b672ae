#include "TestSupport.h"

#include "env/Konfiguracja.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestKonfiguracja : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void readFile_data();
    void readFile();
    void fileExists_data();
    void fileExists();
};

Q_DECLARE_METATYPE(std::optional<QString>)

// A byte string with the zero bytes inside it.
template <std::size_t N> static QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

void TestKonfiguracja::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<std::optional<QString>>("root");

    const std::optional<QString> none;
    const auto path = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };

    QTest::newRow("blank and a path") << QByteArray("[SCIEZKA] D:\\KZT") << path("D:\\KZT");
    QTest::newRow("equals sign, path ending in a backslash")
        << QByteArray("[SCIEZKA]=D:\\KZT\\\r\n") << path("D:\\KZT");
    QTest::newRow("only one trailing backslash goes") << QByteArray("[SCIEZKA]=D:\\KZT\\\\") << path("D:\\KZT\\");
    QTest::newRow("trailing slash goes too") << QByteArray("[SCIEZKA] /srv/kzt/") << path("/srv/kzt");
    QTest::newRow("the root stays") << QByteArray("[SCIEZKA] /") << path("/");
    QTest::newRow("the backslash root stays") << QByteArray("[SCIEZKA] \\") << path("\\");
    QTest::newRow("path right after the bracket loses its first character")
        << QByteArray("[SCIEZKA]D:\\KZT") << path(":\\KZT");
    QTest::newRow("one separator only") << QByteArray("[SCIEZKA] = D:\\KZT") << path("= D:\\KZT");
    QTest::newRow("value trimmed") << QByteArray("[SCIEZKA]=   D:\\KZT  \t") << path("D:\\KZT");
    QTest::newRow("line trimmed before the bracket") << QByteArray("  \t[SCIEZKA] D:\\KZT") << path("D:\\KZT");
    QTest::newRow("first closing bracket ends the name") << QByteArray("[SCIEZKA]] D:\\KZT") << path("D:\\KZT");
    QTest::newRow("lower case name") << QByteArray("[sciezka] D:\\KZT") << none;
    QTest::newRow("mixed case name") << QByteArray("[Sciezka] D:\\KZT") << none;
    QTest::newRow("nothing after the name") << QByteArray("[SCIEZKA]\n") << none;
    QTest::newRow("only the separator after the name") << QByteArray("[SCIEZKA]=") << none;
    QTest::newRow("only blanks after the separator") << QByteArray("[SCIEZKA]=    \r\n") << none;
    QTest::newRow("text before the bracket") << QByteArray("x[SCIEZKA] D:\\KZT") << none;
    QTest::newRow("longer section name") << QByteArray("[SCIEZKA2] D:\\KZT") << none;
    QTest::newRow("blank inside the name") << QByteArray("[SCIEZKA ] D:\\KZT") << none;
    QTest::newRow("no closing bracket") << QByteArray("[SCIEZKA D:\\KZT") << none;
    QTest::newRow("other sections around it")
        << QByteArray("[DANE] X:\\\n; uwaga\n[SCIEZKA] D:\\A\n[INNE] Y:\\") << path("D:\\A");
    QTest::newRow("last one wins") << QByteArray("[SCIEZKA] D:\\A\n[SCIEZKA] D:\\B\n") << path("D:\\B");
    QTest::newRow("a later empty one does not undo")
        << QByteArray("[SCIEZKA] D:\\A\n[SCIEZKA]\n[SCIEZKA]=\n") << path("D:\\A");
    QTest::newRow("CR LF lines") << QByteArray("[SCIEZKA] D:\\A\r\n[SCIEZKA] D:\\B\r\n") << path("D:\\B");
    QTest::newRow("CR lines") << QByteArray("[SCIEZKA] D:\\A\r[SCIEZKA] D:\\B") << path("D:\\B");
    QTest::newRow("LF CR is two line ends") << QByteArray("[X]\n\r[SCIEZKA] D:\\B") << path("D:\\B");
    QTest::newRow("windows-1250 letters") << QByteArray("[SCIEZKA] D:\\\xa3\xf3"
                                                        "d\x9f\\")
                                          << path("D:\\Łódź");
    QTest::newRow("empty file") << QByteArray() << none;
    QTest::newRow("zero bytes in other lines") << Bytes("\0\0[SCIEZKA] D:\\A\n\0\n[SCIEZKA] D:\\B") << path("D:\\B");
    QTest::newRow("zero byte ends the value") << Bytes("[SCIEZKA] D:\\A\0garbage\n") << path("D:\\A");
    QTest::newRow("zero byte as the separator") << Bytes("[SCIEZKA]\0D:\\A") << none;

    QByteArray allBytes;
    for (int i = 0; i < 4096; ++i)
        allBytes.append(char(i * 7 % 256));
    QTest::newRow("binary garbage") << allBytes << none;
    QTest::newRow("binary garbage, then a valid line") << allBytes + "\n[SCIEZKA] D:\\A" << path("D:\\A");

    const QByteArray megabyte(1 << 20, 'x');
    QTest::newRow("1 MB line before it") << megabyte + "\n[SCIEZKA] D:\\A" << path("D:\\A");
    QTest::newRow("1 MB value") << QByteArray("[SCIEZKA] ") + megabyte
                                << std::optional<QString>(QString(1 << 20, u'x'));
    QTest::newRow("1 MB line, no line end") << megabyte << none;
}

void TestKonfiguracja::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<QString>, root);
    const std::optional<QString> parsed = ParseSciezkaIni(bytes);
    QCOMPARE(parsed.has_value(), root.has_value());
    if (root) QCOMPARE(*parsed, *root);
}

void TestKonfiguracja::readFile_data()
{
    QTest::addColumn<QString>("kind"); // file, folder, fifo or none
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // "@" stands for the program folder

    QTest::newRow("no file keeps the program folder") << "none"
                                                      << "" << QByteArray() << "@";
    QTest::newRow("absolute path") << "file"
                                   << "sciezka.ini" << QByteArray("[SCIEZKA] /srv/kzt/\r\n") << "/srv/kzt";
    QTest::newRow("name in capitals") << "file"
                                      << "SCIEZKA.INI" << QByteArray("[SCIEZKA] /srv/kzt") << "/srv/kzt";
    QTest::newRow("relative path from the program folder")
        << "file"
        << "sciezka.ini" << QByteArray("[SCIEZKA] wspolne") << "@/wspolne";
    QTest::newRow("backslashes") << "file"
                                 << "sciezka.ini" << QByteArray("[SCIEZKA]=..\\wspolne\\dane\\") << "@/../wspolne/dane";
    QTest::newRow("nothing usable") << "file"
                                    << "sciezka.ini" << QByteArray("[sciezka] /srv/kzt") << "@";
    QTest::newRow("a folder of that name") << "folder"
                                           << "sciezka.ini" << QByteArray() << "@";
#ifdef Q_OS_UNIX
    QTest::newRow("a pipe of that name") << "fifo"
                                         << "sciezka.ini" << QByteArray() << "@";
#endif

    // The read limit cuts the file inside a line: that line does not count.
    const QByteArray first("[SCIEZKA] /first\n");
    const QByteArray last("[SCIEZKA] /second/path/across/the/limit\n");
    const QByteArray filler(SciezkaIniReadLimit - 20 - first.size() - 1, 'x');
    QTest::newRow("line cut by the read limit") << "file"
                                                << "sciezka.ini" << first + filler + "\n" + last << "/first";
    QTest::newRow("the same line inside the limit")
        << "file"
        << "sciezka.ini" << first + filler.left(filler.size() - 100) + "\n" + last << "/second/path/across/the/limit";
    QTest::newRow("nothing inside the limit")
        << "file"
        << "sciezka.ini" << QByteArray(SciezkaIniReadLimit + 1, 'x') + "\n[SCIEZKA] /far"
        << "@";
}

void TestKonfiguracja::readFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    TestEnvironment env;
    const QString programDir = QDir(env.ProgramDir()).canonicalPath();
    env.State.ProgramDir = programDir;
    env.State.DataRootDir = programDir;
    const QString path = QDir(programDir).filePath(name);
    if (kind == QLatin1String("file")) {
        QVERIFY(WriteFile(path, bytes));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(programDir).mkdir(name));
    } else if (kind == QLatin1String("fifo")) {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    }
    CzytajSciezke(env.State);
    expected.replace(QLatin1String("@"), programDir);
    QCOMPARE(env.State.DataRootDir, QDir::cleanPath(expected));
    QVERIFY(env.Ui.Entries().isEmpty());
}

void TestKonfiguracja::fileExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");

    QTest::newRow("exact name") << "Plan.PLN" << true;
    QTest::newRow("other letter case") << "PLAN.pln" << true;
    QTest::newRow("Polish letters in other case") << "ŁÓDŹ.TXT" << true;
    QTest::newRow("missing") << "Inny.PLN" << false;
    QTest::newRow("a folder") << "PLANY" << false;
    QTest::newRow("a folder in other case") << "plany" << false;
    QTest::newRow("no pattern matching") << "*.PLN" << false;
    QTest::newRow("no name") << "" << false;
}

void TestKonfiguracja::fileExists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("Plan.PLN")), "x"));
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("łódź.txt")), "x"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PLANY")));
    QCOMPARE(PlikIstnieje(QDir(dir.path()).filePath(name) + (name.isEmpty() ? QStringLiteral("/") : QString())),
             exists);
}

QTEST_GUILESS_MAIN(TestKonfiguracja)
#include "tst_Konfiguracja.moc"
