#include "TestSupport.h"

#include "env/ErrorMessages.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestErrorMessages : public QObject
{
    Q_OBJECT

private slots:
    void fileErrors_data();
    void fileErrors();
    void libraryErrors_data();
    void libraryErrors();
    void fileErrorNumbers();
};

static const QString cr(QChar(13));

void TestErrorMessages::fileErrors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("text"); // expected text; empty = nothing shown

    const QString extra = QStringLiteral("Anulowano odczyt pliku dni wolnych.");
    QTest::newRow("52") << 52 << "A.PLN" << extra << true << true
                        << QStringLiteral("Nieprawidłowa nazwa pliku A.PLN") + cr + extra;
    QTest::newRow("53 empty extra keeps the second line")
        << 53 << "A.PLN" << "" << true << true << QStringLiteral("Plik A.PLN nieistnieje ") + cr;
    QTest::newRow("55 ignores the extra text")
        << 55 << "A.PLN" << extra << true << true << QStringLiteral("Plik A.PLN jest już otwarty. ");
    QTest::newRow("57") << 57 << "A.PLN" << extra << true << true << QStringLiteral("Błąd urządzenia I/O.");
    QTest::newRow("61") << 61 << "A.PLN" << extra << true << true << QStringLiteral("Dysk jest pełny ") + cr + extra;
    QTest::newRow("68") << 68 << "A.PLN" << extra << true << true << QStringLiteral("Urządzenie niedostępne.");
    QTest::newRow("70") << 70 << "A.PLN" << extra << true << true
                        << QStringLiteral("Odmowa dostępu. Plik jest zablokowany przez inny program.") + cr + extra;
    QTest::newRow("71") << 71 << "A.PLN" << extra << true << true << QStringLiteral("Dysk niegotowy.");
    QTest::newRow("75") << 75 << "A.PLN" << extra << true << true
                        << QStringLiteral("Brak dostępu do pliku A.PLN") + cr + extra;
    QTest::newRow("76 free days") << 76 << "WOLNE.DAT" << extra << true << true
                                  << QStringLiteral("Nie odnaleziono pliku WOLNE.DAT") + cr + extra;
    QTest::newRow("70 silent") << 70 << "A.PLN" << "" << false << true << QString();
    QTest::newRow("0 is no error") << 0 << "A.PLN" << "" << true << false << QString();
    QTest::newRow("54 not in the table") << 54 << "A.PLN" << "" << true << false << QString();
    QTest::newRow("51 below the range") << 51 << "A.PLN" << "" << true << false << QString();
    QTest::newRow("77 above the range") << 77 << "A.PLN" << "" << true << false << QString();
    QTest::newRow("negative") << -53 << "A.PLN" << "" << true << false << QString();
}

void TestErrorMessages::fileErrors()
{
    QFETCH(int, number);
    QFETCH(QString, file);
    QFETCH(QString, extra);
    QFETCH(bool, show);
    QFETCH(bool, result);
    QFETCH(QString, text);
    RecordingPrompt ui;
    QCOMPARE(ShowFileError(ui, int16_t(number), file, extra, show), result);
    if (text.isEmpty()) {
        QVERIFY(ui.Entries().isEmpty());
    } else {
        QCOMPARE(ui.Entries().size(), 1);
        QCOMPARE(ui.Entries().first().text, text);
        QCOMPARE(ui.Entries().first().icon, MessageIcon::Critical);
    }
}

void TestErrorMessages::libraryErrors_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0 << true << false << QString();
    QTest::newRow("1") << 1 << true << true << QStringLiteral("Błąd operacji dyskowej.");
    QTest::newRow("2") << 2 << true << true << QStringLiteral("Błąd struktury bazy danych.");
    QTest::newRow("3") << 3 << true << true << QStringLiteral("Błąd allokacji pamięci.");
    QTest::newRow("4") << 4 << true << true << QStringLiteral("Błąd chronologi danych.");
    QTest::newRow("5") << 5 << true << true
                       << QStringLiteral("Niepoprawny zakres raportu.") + cr +
                              QStringLiteral("Plan pracy nie obejmuje ustalonego przedziału raportowania.");
    QTest::newRow("6") << 6 << true << true << QStringLiteral("Przekroczona liczba planów pracy.");
    QTest::newRow("2 silent") << 2 << false << true << QString();
    QTest::newRow("63 never shown") << 63 << true << true << QString();
    QTest::newRow("7 unknown") << 7 << true << true << QStringLiteral("Wystąpił błąd biblioteki numer: 7");
    QTest::newRow("200 shown even when silent")
        << 200 << false << true << QStringLiteral("Wystąpił błąd biblioteki numer: 200");
}

void TestErrorMessages::libraryErrors()
{
    QFETCH(int, status);
    QFETCH(bool, show);
    QFETCH(bool, result);
    QFETCH(QString, text);
    RecordingPrompt ui;
    QCOMPARE(ShowLibraryError(ui, uint8_t(status), show), result);
    if (text.isEmpty()) {
        QVERIFY(ui.Entries().isEmpty());
    } else {
        QCOMPARE(ui.OnlyText(), text);
        QCOMPARE(ui.Entries().first().icon, MessageIcon::Critical);
    }
}

void TestErrorMessages::fileErrorNumbers()
{
    TestEnvironment env;
    const QDir plans(env.PlansDir());

    QFile missing(plans.filePath(QStringLiteral("BRAK.PLN")));
    QVERIFY(!missing.open(QIODevice::ReadOnly));
    QCOMPARE(FileErrorNumberFor(missing), int16_t(FileNotFound));

    QFile noFolder(plans.filePath(QStringLiteral("NIEMA/X.PLN")));
    QVERIFY(!noFolder.open(QIODevice::ReadOnly));
    QCOMPARE(FileErrorNumberFor(noFolder), int16_t(PathNotFound));

    QFile folder(plans.path());
    QVERIFY(!folder.open(QIODevice::WriteOnly));
    QCOMPARE(FileErrorNumberFor(folder), int16_t(PathFileAccessError));

    QCOMPARE(FileErrorNumberFor(QFileDevice::NoError, plans.path()), int16_t(0));
    QCOMPARE(FileErrorNumberFor(QFileDevice::ResourceError, plans.path()), int16_t(DiskFull));
    QCOMPARE(FileErrorNumberFor(QFileDevice::WriteError, plans.path()), int16_t(DeviceIoError));
    QCOMPARE(FileErrorNumberFor(QFileDevice::OpenError, QString()), int16_t(BadFileName));
}

QTEST_GUILESS_MAIN(TestErrorMessages)
#include "tst_ErrorMessages.moc"
