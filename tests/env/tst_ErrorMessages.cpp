#include "TestSupport.h"

#include "env/ErrorMessages.h"

#include <QTest>

#include <functional>

// A call of one of the two routines that turn failure codes into messages.
using Call = std::function<bool(Prompt&)>;
Q_DECLARE_METATYPE(Call)

// The two routines that turn failure codes into messages.
class TestErrorMessages : public QObject
{
    Q_OBJECT

private slots:
    void messages_data()
    {
        QTest::addColumn<Call>("call"); // one of the two routines
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("text"); // empty: nothing shown
        const QString extra = u"Anulowano odczyt pliku dni wolnych."_s;
        const auto file = [](int number, const QString& extra, bool show = true) {
            return Call([=](Prompt& ui) { return ShowFileError(ui, int16_t(number), u"A.PLN"_s, extra, show); });
        };
        const auto status = [](int number, bool show = true) {
            return Call([=](Prompt& ui) { return ShowLibraryError(ui, uint8_t(number), show); });
        };
        // clang-format off
        QTest::newRow("file error 52") << file(52, extra) << true << u"Nieprawidłowa nazwa pliku A.PLN\r"_s + extra;
        QTest::newRow("file error 55") << file(55, extra) << true << "Plik A.PLN jest już otwarty. ";
        QTest::newRow("file error 70") << file(70, extra) << true << u"Odmowa dostępu. Plik jest zablokowany przez inny program.\r"_s + extra;
        QTest::newRow("file error 71") << file(71, extra) << true << "Dysk niegotowy.";
        QTest::newRow("file error 70 not shown") << file(70, {}, false) << true << "";
        QTest::newRow("54 is no file error") << file(54, {}) << false << "";
        QTest::newRow("library status 0") << status(0) << false << "";
        QTest::newRow("library status 3") << status(3) << true << "Błąd allokacji pamięci.";
        QTest::newRow("library status 4") << status(4) << true << "Błąd chronologi danych.";
        QTest::newRow("library status 5") << status(5) << true << "Niepoprawny zakres raportu.\rPlan pracy nie obejmuje ustalonego przedziału raportowania.";
        QTest::newRow("library status 6") << status(6) << true << "Przekroczona liczba planów pracy.";
        QTest::newRow("library status 2, not shown") << status(2, false) << true << "";
        QTest::newRow("library status 63") << status(63) << true << "";
        QTest::newRow("library status 7") << status(7) << true << "Wystąpił błąd biblioteki numer: 7";
        QTest::newRow("library status 200, not shown") << status(200, false) << true << "Wystąpił błąd biblioteki numer: 200";
        // clang-format on
    }

    void messages()
    {
        QFETCH(Call, call);
        QFETCH(bool, result);
        QFETCH(QString, text);
        RecordingPrompt ui;
        QCOMPARE(call(ui), result);
        QCOMPARE(ui.Texts().join(u'|'), text);
        for (const RecordingPrompt::Entry& entry : ui.Entries())
            QCOMPARE(entry.Icon, MessageIcon::Critical);
    }
};

QTEST_GUILESS_MAIN(TestErrorMessages)
#include "tst_ErrorMessages.moc"
