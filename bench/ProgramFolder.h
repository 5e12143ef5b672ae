// A program folder for the window's benchmarks: the suite library, the demo
// data directory with its employees replaced by a given number, and the
// largest plan (18,501 days) saved under LargestPlanName.
#pragma once

#include "BenchLibrary.h"
#include "demo/DemoData.h"
#include "demo/DemoPlans.h"
#include "demo/DemoStaff.h"
#include "env/Prompt.h"
#include "plan/ProgramState.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

inline const QString LargestPlanName = QStringLiteral("Największy");

// A program folder with the suite library, the demo data, the largest plan
// and count employees.
inline std::unique_ptr<QTemporaryDir> ProgramFolder(int employees)
{
    auto dir = std::make_unique<QTemporaryDir>();
    const QString name = KelbrinLibrary::FileName();
    QString error;
    if (!QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(name), dir->filePath(name)) ||
        !WriteDemoDataDirectory(Library(), dir->path(), &error))
        qFatal("no program folder: %s", qPrintable(error));
    const QString staff = dir->filePath(QStringLiteral("DANE/PERSONEL"));
    for (const QString& old : QDir(staff).entryList(QDir::Files))
        QFile::remove(QDir(staff).filePath(old));
    // Records in up to 999 card numbers per folder: the largest folders the suite has.
    if (!WriteDemoEmployees(Library(), staff, MakeDemoEmployees(qMin(employees, 999), 7, DemoPlanNames()), &error))
        qFatal("no employees: %s", qPrintable(error));
    RecordingPrompt ui;
    ProgramState state(Library(), ui);
    state.Env.ProgramDir = state.Env.DataRootDir = dir->path();
    state.Env.KatalogTemp = dir->filePath(QStringLiteral("DANE/PLANY"));
    FillLargestSchedulePlan(state.Doc, 0);
    if (!ZapiszPlanHarmonogramow(state.Env, state.Doc, LargestPlanName, false).Ok())
        qFatal("the largest plan does not save");
    return dir;
}
