#include "TestSupport.h"

#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "env/Startup.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(MessageIcon)
Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(Answer)

// The main window's start and the message boxes of the program.
class TestFrmGrafenta : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    void startsIntoTheEmptyWindow()
    {
        QTemporaryDir programDir;
        const QString library = KelbrinLibrary::FileName();
        QVERIFY(
            QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(library), programDir.filePath(library)));
        KelbrinLibrary lib;
        RecordingPrompt ui;
        ProgramState state(lib, ui);
        FrmGrafenta window(state);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
        window.setPalette(palette);
        QVERIFY(window.windowTitle() != MessageTitle);
        InstanceLock instance;
        QVERIFY(StartProgram(state, lib, instance, programDir.path(), window.WindowStartupSteps()));
        QVERIFY(ui.Entries().isEmpty());
        QCOMPARE(window.windowTitle(), MessageTitle);
        QCOMPARE(state.ColourTable[FreeDaySlot], 0xD4D0C8u); // free days are painted in the window's background
    }

    void messageBox_data()
    {
        QTest::addColumn<MessageIcon>("icon");
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<int>("press"); // a QMessageBox::StandardButton, 0 for the Escape key
        QTest::addColumn<QMessageBox::Icon>("boxIcon");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Yes") << MessageIcon::Question << MessageButtons::YesNo << int(QMessageBox::Yes)
                             << QMessageBox::Question << Answer::Yes;
        QTest::newRow("Escape on Yes/No is No")
            << MessageIcon::Exclamation << MessageButtons::YesNo << 0 << QMessageBox::Warning << Answer::No;
        QTest::newRow("No of three") << MessageIcon::Question << MessageButtons::YesNoCancel << int(QMessageBox::No)
                                     << QMessageBox::Question << Answer::No;
        QTest::newRow("Escape on three is Cancel")
            << MessageIcon::Question << MessageButtons::YesNoCancel << 0 << QMessageBox::Question << Answer::Cancel;
        QTest::newRow("Ok") << MessageIcon::Information << MessageButtons::Ok << int(QMessageBox::Ok)
                            << QMessageBox::Information << Answer::Ok;
        QTest::newRow("Escape on a message")
            << MessageIcon::Critical << MessageButtons::Ok << 0 << QMessageBox::Critical << Answer::Ok;
    }

    // The box carries the program's title, the icon and the buttons asked
    // for, with the first button as the default; its text is plain, with a
    // line break for every Cr.
    void messageBox()
    {
        QFETCH(MessageIcon, icon);
        QFETCH(MessageButtons, buttons);
        QFETCH(int, press);
        QFETCH(QMessageBox::Icon, boxIcon);
        QFETCH(Answer, answer);
        // Title, icon, text, text format, buttons and default button.
        const auto look = [](const QString& title, int icon, const QString& text, int format, int buttons, int first) {
            return QStringLiteral("%1|%2|%3|%4|%5|%6")
                .arg(title)
                .arg(icon)
                .arg(text)
                .arg(format)
                .arg(buttons)
                .arg(first);
        };
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen = look(box->windowTitle(), box->icon(), box->text(), box->textFormat(), box->standardButtons(),
                        box->standardButton(box->defaultButton()));
            if (press == 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(QMessageBox::StandardButton(press))->click();
        });
        MessageBoxPrompt prompt;
        const QString text = QStringLiteral("Plik <b>A.PLN</b> nieistnieje ") + Cr + Cr + QStringLiteral("a\r\nb");
        if (buttons == MessageButtons::Ok)
            prompt.ShowMessage(icon, text);
        else
            QCOMPARE(prompt.Ask(icon, text, buttons), answer);
        const int yesNo = QMessageBox::Yes | QMessageBox::No, ok = QMessageBox::Ok;
        const int shown = buttons == MessageButtons::Ok      ? ok
                          : buttons == MessageButtons::YesNo ? yesNo
                                                             : yesNo | QMessageBox::Cancel;
        QCOMPARE(seen, look(MessageTitle, boxIcon, QStringLiteral("Plik <b>A.PLN</b> nieistnieje \n\na\nb"),
                            Qt::PlainText, shown, buttons == MessageButtons::Ok ? ok : int(QMessageBox::Yes)));
    }
};

QTEST_MAIN(TestFrmGrafenta)
#include "tst_FrmGrafenta.moc"
