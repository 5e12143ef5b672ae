#include "TestSupport.h"

#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "env/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFrmGrafenta : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }
    void startsIntoTheEmptyWindow();
};

void TestFrmGrafenta::startsIntoTheEmptyWindow()
{
    QTemporaryDir programDir;
    QVERIFY(QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(KelbrinLibrary::fileName()),
                        programDir.filePath(KelbrinLibrary::fileName())));
    KelbrinLibrary library;
    RecordingPrompt ui;
    ProgramState state(library, ui);
    FrmGrafenta window(state);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
    window.setPalette(palette);
    QVERIFY(window.windowTitle() != MessageTitle);

    InstanceLock instance;
    QVERIFY(StartProgram(state, library, instance, programDir.path(), window.WindowStartupSteps()));
    QVERIFY(ui.Entries().isEmpty());
    QCOMPARE(window.windowTitle(), MessageTitle);
    // Free days are painted in the window's own background.
    QCOMPARE(state.ColourTable[FreeDaySlot], 0xD4D0C8u);
}

QTEST_MAIN(TestFrmGrafenta)
#include "tst_FrmGrafenta.moc"
