#include "TestSupport.h"

#include "env/ErrorMessages.h"

#include <QTest>

// The two routines that turn failure codes into messages.
class TestErrorMessages : public QObject
{
    Q_OBJECT

private slots:
    void messages_data()
    {
        QTest::addColumn<bool>("library"); // ShowLibraryError, else ShowFileError
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("text"); // empty: nothing shown

        const QString extra = QStringLiteral("Anulowano odczyt pliku dni wolnych.");
        const auto fileError = [&extra](int number, const QString& text,
                                        const QString& file = QStringLiteral("A.PLN")) {
            QTest::addRow("file error %d", number) << false << number << file << extra << true << true << text;
        };
        fileError(52, QStringLiteral("Nieprawidłowa nazwa pliku A.PLN\r") + extra);
        fileError(55, QStringLiteral("Plik A.PLN jest już otwarty. "));
        fileError(57, QStringLiteral("Błąd urządzenia I/O."));
        fileError(61, QStringLiteral("Dysk jest pełny \r") + extra);
        fileError(68, QStringLiteral("Urządzenie niedostępne."));
        fileError(70, QStringLiteral("Odmowa dostępu. Plik jest zablokowany przez inny program.\r") + extra);
        fileError(71, QStringLiteral("Dysk niegotowy."));
        fileError(75, QStringLiteral("Brak dostępu do pliku A.PLN\r") + extra);
        fileError(76, QStringLiteral("Nie odnaleziono pliku WOLNE.DAT\r") + extra, QStringLiteral("WOLNE.DAT"));
        QTest::newRow("file error 53, no extra text: an empty second line")
            << false << 53 << "A.PLN"
            << "" << true << true << "Plik A.PLN nieistnieje \r";
        QTest::newRow("file error 70 not shown") << false << 70 << "A.PLN"
                                                 << "" << false << true << "";
        QTest::newRow("0 is no file error") << false << 0 << "A.PLN"
                                            << "" << true << false << "";
        QTest::newRow("54 is no file error") << false << 54 << "A.PLN"
                                             << "" << true << false << "";

        const auto status = [](int number, bool show, bool result, const QString& text) {
            QTest::addRow("library status %d%s", number, show ? "" : ", not shown") << true << number << ""
                                                                                    << "" << show << result << text;
        };
        status(0, true, false, QString());
        status(1, true, true, QStringLiteral("Błąd operacji dyskowej."));
        status(2, true, true, QStringLiteral("Błąd struktury bazy danych."));
        status(3, true, true, QStringLiteral("Błąd allokacji pamięci."));
        status(4, true, true, QStringLiteral("Błąd chronologi danych."));
        status(
            5, true, true,
            QStringLiteral("Niepoprawny zakres raportu.\rPlan pracy nie obejmuje ustalonego przedziału raportowania."));
        status(6, true, true, QStringLiteral("Przekroczona liczba planów pracy."));
        status(2, false, true, QString());
        status(63, true, true, QString());
        status(7, true, true, QStringLiteral("Wystąpił błąd biblioteki numer: 7"));
        status(200, false, true, QStringLiteral("Wystąpił błąd biblioteki numer: 200"));
    }

    void messages()
    {
        QFETCH(bool, library);
        QFETCH(int, number);
        QFETCH(QString, file);
        QFETCH(QString, extra);
        QFETCH(bool, show);
        QFETCH(bool, result);
        QFETCH(QString, text);
        RecordingPrompt ui;
        QCOMPARE(library ? ShowLibraryError(ui, uint8_t(number), show)
                         : ShowFileError(ui, int16_t(number), file, extra, show),
                 result);
        QCOMPARE(ui.Texts().join(u'|'), text);
        for (const RecordingPrompt::Entry& entry : ui.Entries())
            QCOMPARE(entry.icon, MessageIcon::Critical);
    }
};

QTEST_GUILESS_MAIN(TestErrorMessages)
#include "tst_ErrorMessages.moc"
