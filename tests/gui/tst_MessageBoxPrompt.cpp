#include "editor/MessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

Q_DECLARE_METATYPE(MessageIcon)
Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(Answer)

namespace {

// What the box looked like when it was up.
struct SeenBox
{
    bool Seen = false;
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default = QMessageBox::NoButton;
};

// Waits for the prompt's box to come up, notes what it shows and hands it to
// close, which must end it.
void CloseBoxWhenShown(SeenBox& seen, std::function<void(QMessageBox*)> close)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &seen, close] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        seen.Seen = true;
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        seen.Default = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        close(box);
    });
    timer->start();
}

} // namespace

class TestMessageBoxPrompt : public QObject
{
    Q_OBJECT

private slots:
    void ask_data();
    void ask();
    void showMessage_data();
    void showMessage();
};

void TestMessageBoxPrompt::ask_data()
{
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("press"); // a QMessageBox::StandardButton, or 0 for the Escape key
    QTest::addColumn<QMessageBox::Icon>("boxIcon");
    QTest::addColumn<int>("shownButtons");
    QTest::addColumn<Answer>("answer");

    const int yesNo = QMessageBox::Yes | QMessageBox::No;
    const int yesNoCancel = yesNo | QMessageBox::Cancel;
    QTest::newRow("Yes") << MessageIcon::Question << MessageButtons::YesNo << int(QMessageBox::Yes)
                         << QMessageBox::Question << yesNo << Answer::Yes;
    QTest::newRow("No") << MessageIcon::Question << MessageButtons::YesNo << int(QMessageBox::No)
                        << QMessageBox::Question << yesNo << Answer::No;
    QTest::newRow("Escape on Yes/No is No")
        << MessageIcon::Exclamation << MessageButtons::YesNo << 0 << QMessageBox::Warning << yesNo << Answer::No;
    QTest::newRow("Yes of three") << MessageIcon::Question << MessageButtons::YesNoCancel << int(QMessageBox::Yes)
                                  << QMessageBox::Question << yesNoCancel << Answer::Yes;
    QTest::newRow("No of three") << MessageIcon::Exclamation << MessageButtons::YesNoCancel << int(QMessageBox::No)
                                 << QMessageBox::Warning << yesNoCancel << Answer::No;
    QTest::newRow("Cancel") << MessageIcon::Question << MessageButtons::YesNoCancel << int(QMessageBox::Cancel)
                            << QMessageBox::Question << yesNoCancel << Answer::Cancel;
    QTest::newRow("Escape on three is Cancel") << MessageIcon::Question << MessageButtons::YesNoCancel << 0
                                               << QMessageBox::Question << yesNoCancel << Answer::Cancel;
    QTest::newRow("Ok") << MessageIcon::Information << MessageButtons::Ok << int(QMessageBox::Ok)
                        << QMessageBox::Information << int(QMessageBox::Ok) << Answer::Ok;
    QTest::newRow("Escape on Ok") << MessageIcon::Critical << MessageButtons::Ok << 0 << QMessageBox::Critical
                                  << int(QMessageBox::Ok) << Answer::Ok;
}

void TestMessageBoxPrompt::ask()
{
    QFETCH(MessageIcon, icon);
    QFETCH(MessageButtons, buttons);
    QFETCH(int, press);
    QFETCH(QMessageBox::Icon, boxIcon);
    QFETCH(int, shownButtons);
    QFETCH(Answer, answer);

    SeenBox seen;
    CloseBoxWhenShown(seen, [press](QMessageBox* box) {
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    MessageBoxPrompt prompt;
    const Answer given = prompt.Ask(icon, QStringLiteral("Zapisać zmiany?"), buttons);

    QVERIFY(seen.Seen);
    QCOMPARE(given, answer);
    QCOMPARE(seen.Title, MessageTitle);
    QCOMPARE(seen.Icon, boxIcon);
    QCOMPARE(int(seen.Buttons), shownButtons);
    // Enter takes the first button.
    QCOMPARE(seen.Default, buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
}

void TestMessageBoxPrompt::showMessage_data()
{
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("boxIcon");
    QTest::addColumn<QString>("shown");

    const QChar cr(13);
    QTest::newRow("two lines") << MessageIcon::Critical
                               << QStringLiteral("Nie odnaleziono pliku WOLNE.DAT") + cr +
                                      QStringLiteral("Anulowano odczyt pliku dni wolnych.")
                               << QMessageBox::Critical
                               << "Nie odnaleziono pliku WOLNE.DAT\nAnulowano odczyt pliku dni wolnych.";
    QTest::newRow("empty second line") << MessageIcon::Critical << QStringLiteral("Plik A.PLN nieistnieje ") + cr
                                       << QMessageBox::Critical << "Plik A.PLN nieistnieje \n";
    QTest::newRow("CR LF is one break") << MessageIcon::Exclamation << QStringLiteral("a\r\nb") << QMessageBox::Warning
                                        << "a\nb";
    QTest::newRow("one line") << MessageIcon::Information
                              << QStringLiteral("Plan pracy został poprawnie zapisany do pliku.")
                              << QMessageBox::Information << "Plan pracy został poprawnie zapisany do pliku.";
    QTest::newRow("markup shown as it is")
        << MessageIcon::Exclamation << QStringLiteral("<b>1</b>") << QMessageBox::Warning << "<b>1</b>";
}

void TestMessageBoxPrompt::showMessage()
{
    QFETCH(MessageIcon, icon);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, boxIcon);
    QFETCH(QString, shown);

    SeenBox seen;
    Qt::TextFormat format = Qt::AutoText;
    CloseBoxWhenShown(seen, [&format](QMessageBox* box) {
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    MessageBoxPrompt prompt;
    prompt.ShowMessage(icon, text);

    QVERIFY(seen.Seen);
    QCOMPARE(seen.Title, MessageTitle);
    QCOMPARE(seen.Icon, boxIcon);
    QCOMPARE(seen.Text, shown);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(int(seen.Buttons), int(QMessageBox::Ok));
}

QTEST_MAIN(TestMessageBoxPrompt)
#include "tst_MessageBoxPrompt.moc"
