// One workstation for the window tests: a program folder of its own with the
// suite library and the demo data directory, the program started in it with
// a prompt that records every message and answers from a script, and the
// main window shown offscreen.
#pragma once

#include "TestSupport.h"

#include "demo/DemoData.h"
#include "editor/DayCell.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "env/Locks.h"
#include "env/ProgramState.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A drag with the left button from one cell over others.
inline void Drag(const QList<DayCell*>& cells)
{
    QTest::mousePress(cells.first(), Qt::LeftButton);
    for (DayCell* over : cells.mid(1)) {
        const QPoint global = over->mapToGlobal(over->rect().center());
        QMouseEvent move(QEvent::MouseMove, cells.first()->mapFromGlobal(global), global, Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(cells.first(), &move);
    }
    QTest::mouseRelease(cells.last(), Qt::LeftButton);
}

struct Workstation
{
    // library: the folder whose suite library the program folder gets.
    explicit Workstation(const QString& library = QCoreApplication::applicationDirPath())
    {
        const QString name = KelbrinLibrary::FileName();
        QString error;
        if (!QFile::copy(QDir(library).filePath(name), Dir.filePath(name)) ||
            !WriteDemoDataDirectory(TestLibrary(), Dir.path(), &error))
            qFatal("no program folder: %s", qPrintable(error));
        Window = std::make_unique<FrmGrafenta>(State);
        Started = StartProgram(State, Library, Instance, Dir.path(), Window->WindowStartupSteps());
        Window->show();
        QApplication::setActiveWindow(Window.get());
        QApplication::processEvents();
    }
    ~Workstation()
    {
        ReleaseLock(State.Env, State.Doc.PlanLockHandle);
        Window.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    QString PlansDir() const { return State.Env.PlansDir(); }
    QString PlanPath(const QString& name) const { return QDir(PlansDir()).filePath(name + QStringLiteral(".PLN")); }
    template <typename T> T* Find(const QString& name) const { return Window->findChild<T*>(name); }
    MonthCalendar* Calendar() const { return Window->Calendar(); }

    // Picks a plan in the plan box, as the user does.
    void Choose(const QString& plan)
    {
        QComboBox* box = Window->PlanBox();
        box->setCurrentIndex(box->findText(plan));
        QApplication::processEvents();
    }
    // The cell of a day of the displayed month.
    DayCell* CellOfDay(int dayOfMonth) const { return Calendar()->Cell(Calendar()->CellOfDay(dayOfMonth)); }
    int32_t DayNumber(int year, int month, int day) const { return int32_t(DateOfDay(0).daysTo(QDate(year, month, day))); }

    QTemporaryDir Dir;
    KelbrinLibrary Library;
    RecordingPrompt Ui;
    ProgramState State{Library, Ui};
    InstanceLock Instance;
    std::unique_ptr<FrmGrafenta> Window;
    bool Started = false;
};
