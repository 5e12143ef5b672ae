// One workstation for the window tests: a program folder of its own with the
// suite library and the demo data directory, the program started in it with
// a prompt that records every message and answers from a script, and the
// main window shown offscreen.
#pragma once

#include "TestSupport.h"

#include "demo/DemoData.h"
#include "editor/DayCell.h"
#include "editor/EmployeePrefetch.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/TimeFieldEdit.h"
#include "env/Locks.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

// The left button pressed on the first cell, dragged over the others and let
// go on the last: one cell is a click.
inline void Paint(const QList<DayCell*>& cells)
{
    QTest::mousePress(cells.first(), Qt::LeftButton);
    for (DayCell* over : cells.mid(1))
        QTest::mouseMove(cells.first(), cells.first()->mapFromGlobal(over->mapToGlobal(over->rect().center())));
    QTest::mouseRelease(cells.last(), Qt::LeftButton);
}

// Typed into a time field and left with Tab, as the user does.
inline void Type(TimeFieldEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
    QApplication::processEvents(); // a refused text takes the focus back later
}

inline int32_t DayNumber(int year, int month, int day)
{
    return DayOfDate(QDate(year, month, day));
}

struct Workstation
{
    // library: the folder whose suite library the program folder gets;
    // prepare: what is done to the demo data directory before the program starts;
    // readAhead: the employees read while the window is built, as the program does.
    explicit Workstation(const QString& library = QCoreApplication::applicationDirPath(),
                         const std::function<void(const QString& plansDir)>& prepare = {}, bool readAhead = false)
    {
        const QString name = KelbrinLibrary::FileName();
        QString error;
        if (!QFile::copy(QDir(library).filePath(name), Dir.filePath(name)) ||
            !WriteDemoDataDirectory(TestLibrary(), Dir.path(), &error))
            qFatal("no program folder: %s", qPrintable(error));
        if (prepare) prepare(Dir.filePath(u"DANE/PLANY"_s));
        std::optional<EmployeePrefetch> ahead;
        if (readAhead) ahead.emplace(Instance, Dir.path());
        Window = std::make_unique<FrmGrafenta>(State);
        if (ahead) Window->AwaitEmployees(*ahead);
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

    QString PlanPath(const QString& name) const { return QDir(State.Env.PlansDir()).filePath(name + u".PLN"_s); }
    template <typename T> T* Find(const QString& name) const { return Window->findChild<T*>(name); }
    MonthCalendar* Calendar() const { return Window->Calendar(); }

    // Picks a plan in the plan box, as the user does.
    void Choose(const QString& plan)
    {
        Window->PlanBox()->setCurrentIndex(Window->PlanBox()->findText(plan));
        QApplication::processEvents();
    }
    // The cell of a day of the displayed month.
    DayCell* CellOfDay(int dayOfMonth) const { return Calendar()->Cell(Calendar()->CellOfDay(dayOfMonth)); }

    QTemporaryDir Dir;
    KelbrinLibrary Library;
    RecordingPrompt Ui;
    ProgramState State{Library, Ui};
    InstanceLock Instance;
    std::unique_ptr<FrmGrafenta> Window;
    bool Started = false;
};
