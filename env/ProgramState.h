// The program-wide state: the open plan, the paths, the flags and the lock
// handles. One object, owned by the main window (or by a tool's main) and
// passed by reference to the routines that need it.
#pragma once

#include "freedays/FreeDayList.h"
#include "plan/WorkPlan.h"

#include <QDir>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

class KelbrinLibrary;
class Prompt;

struct ProgramState
{
    ProgramState(const KelbrinLibrary& library, Prompt& prompt) : Lib(library), Ui(prompt) {}

    const KelbrinLibrary& Lib; // the bound suite library
    Prompt& Ui;                // messages and questions

    // Set by a routine whose failure ends the program, after it has shown its
    // message. The routine then returns at once, and so does every caller up
    // to main (or the tool), which ends the program.
    bool ProgramEnding = false;

    // Who works here: the system's user name and computer name, read at
    // start-up; the holder text of lock records is built from them.
    QString UserName;
    QString ComputerName;

    // Paths. ProgramDir is the folder of the executable; the data directory is
    // DataRootDir/DataFolderName with PLANY and PERSONEL in it.
    QString ProgramDir;
    QString DataRootDir;
    QString DataFolderName = QStringLiteral("DANE");
    QString KatalogTemp;
    QString PakietNazwa;

    QString DataDir() const { return QDir(DataRootDir).filePath(DataFolderName); }
    QString PlansDir() const { return QDir(DataDir()).filePath(QStringLiteral("PLANY")); }
    QString StaffDir() const { return QDir(DataDir()).filePath(QStringLiteral("PERSONEL")); }
    QString PlanPath(const QString& name) const
    {
        return QDir(PlansDir()).filePath(name.trimmed() + QStringLiteral(".PLN"));
    }

    // The open plan and what the window's fields show of it.
    WorkPlan Plan;
    ScheduleFields Fields;
    QString CurrentPlanName;
    uint8_t ProbedKind = 5; // 1 schedule plan, 0 weekly plan, 5 unreadable
    bool IsCurrentFormat = true;
    bool PlanModified = false;
    bool SchedulesFilled = false;
    bool SchedulePlanShown = false;
    bool PlanReadOk = false;
    bool RangeEdited = false;
    uint8_t PlanRangeStatus = 0;

    // Locks.
    int32_t PlanLockHandle = -1;
    int32_t PlanLockState = -1;
    int32_t FreeDaysLockHandle = -1;

    // Colour of each slot, 0xRRGGBB.
    std::array<uint32_t, SlotCount> ColourTable{};

    // Free days.
    FreeDayList FreeDays;
    bool FreeDaysLoaded = false;

    // Employees. The rows themselves belong to the window's list; these are
    // the reader's and the assignment run's tables.
    QVector<std::array<int32_t, 2>> WpisyKart; // card entries of the last record read: key, card number
    std::array<bool, 999> NumeryZdublowane{};  // [card number - 1]: in the names of two or more records
    std::array<bool, 999> NumeryUzyte{};       // [card number - 1]: already met while reading
    QVector<bool> Zaznaczeni;                  // one per list row: selected for the assignment
};
