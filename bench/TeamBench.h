// The data of the team's month benchmarks: a data directory with 20 plans
// (the demo plans under twenty names) and 999 employees spread over them,
// with the demo's free days, written once per program.
#pragma once

#include "BenchLibrary.h"
#include "demo/DemoData.h"
#include "demo/DemoStaff.h"
#include "env/Environment.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "staff/ObslugaListy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

struct TeamBenchData
{
    static constexpr int PlanCount = 20;
    static constexpr int EmployeeCount = 999;

    QTemporaryDir Root;
    QString DataDir;
    RecordingPrompt Ui;
    Environment Env{Library(), Ui};
    EmployeeRows Rows;
    FreeDayList FreeDays;

    TeamBenchData()
    {
        DataDir = Root.filePath(QStringLiteral("DANE"));
        const QDir data(DataDir);
        QString error;
        if (!data.mkpath(QStringLiteral("PLANY")) || !data.mkpath(QStringLiteral("PERSONEL")) ||
            !WriteDemoPlans(Library(), DataDir, &error) || !WriteDemoFreeDays(Library(), DataDir, &error))
            qFatal("no plans: %s", qPrintable(error));
        const QDir plans(data.filePath(QStringLiteral("PLANY")));
        const QStringList demo = DemoPlanNames();
        QStringList names;
        for (int i = 0; i < PlanCount; ++i) {
            const QString name = QStringLiteral("%1 %2").arg(demo.at(i % demo.size())).arg(i + 1);
            if (!QFile::copy(plans.filePath(demo.at(i % demo.size()) + QStringLiteral(".PLN")),
                             plans.filePath(name + QStringLiteral(".PLN"))))
                qFatal("cannot copy a plan");
            names.append(name);
        }
        if (!WriteDemoEmployees(Library(), data.filePath(QStringLiteral("PERSONEL")),
                                MakeDemoEmployees(EmployeeCount, 11, names), &error))
            qFatal("no employees: %s", qPrintable(error));
        UseDataDirectory(Env, DataDir);
        Env.ProgramDir = QCoreApplication::applicationDirPath();
        if (!WczytajPracownikow(Env, Rows, StaffHooks{})) qFatal("the employees do not read");
        QByteArray freeDays;
        if (ReadWholeFile(plans.filePath(QStringLiteral("WOLNE.DAT")), FreeDaysReadLimit, freeDays) != ReadStatus::Ok)
            qFatal("no free days");
        FreeDays = FreeDayListOf(DecodeFreeDays(freeDays).Records);
    }
};
