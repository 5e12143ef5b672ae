// Employee folders at scale: reading and listing 10,000 records against
// plainly reading the same files, and assigning a plan to 1,000 employees.
//
// A personnel folder holds at most 999 employees (card numbers are three
// digits), so the 10,000 records are spread over 16 folders of 625 and the
// 1,000 assignments over 2 folders of 500.
#include "BenchLibrary.h"
#include "demo/DemoStaff.h"
#include "env/Environment.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "staff/ObslugaListy.h"
#include "staff/Przydziel.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr int ReadFolders = 16;
constexpr int ReadPerFolder = 625;
constexpr int AssignFolders = 2;
constexpr int AssignPerFolder = 500;

// Program folders, each with DANE/PERSONEL filled by the generator.
struct Folders
{
    QTemporaryDir Root;
    QStringList ProgramDirs;

    Folders(const QString& name, int folders, int perFolder, uint32_t seed)
    {
        for (int i = 0; i < folders; ++i) {
            const QString programDir = QDir(Root.path()).filePath(QStringLiteral("%1%2").arg(name).arg(i));
            const QString personnel = QDir(programDir).filePath(QStringLiteral("DANE/PERSONEL"));
            QString error;
            if (!QDir().mkpath(personnel) ||
                !WriteDemoEmployees(Library(), personnel,
                                    MakeDemoEmployees(perFolder, seed + uint32_t(i), DemoPlanNames()), &error))
                qFatal("cannot write %s: %s", qPrintable(personnel), qPrintable(error));
            ProgramDirs << programDir;
        }
    }
    QString Personnel(int i) const { return QDir(ProgramDirs.at(i)).filePath(QStringLiteral("DANE/PERSONEL")); }
};

const Folders& ReadingFolders()
{
    static const Folders folders(QStringLiteral("read"), ReadFolders, ReadPerFolder, 1000);
    return folders;
}

// Lists each folder and reads every file whole, nothing more.
qint64 PlainRead(const Folders& folders)
{
    qint64 bytes = 0;
    for (int i = 0; i < folders.ProgramDirs.size(); ++i) {
        const QDir dir(folders.Personnel(i));
        for (const QString& name : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly)) bytes += file.readAll().size();
        }
    }
    return bytes;
}

// Reads each folder into the list's rows, as the program does at start.
qsizetype ReadList(const Folders& folders, RecordingPrompt& ui)
{
    qsizetype rows = 0;
    for (const QString& programDir : folders.ProgramDirs) {
        Environment env(Library(), ui);
        env.DataRootDir = programDir;
        EmployeeRows read;
        if (!WczytajPracownikow(env, read, StaffHooks{})) return -1;
        rows += read.size();
    }
    return rows;
}

void PlainRead(benchmark::State& state)
{
    const Folders& folders = ReadingFolders();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(folders));
    state.SetItemsProcessed(state.iterations() * ReadFolders * ReadPerFolder);
}

void ReadList(benchmark::State& state)
{
    const Folders& folders = ReadingFolders();
    RecordingPrompt ui;
    for (auto _ : state) {
        if (ReadList(folders, ui) != ReadFolders * ReadPerFolder) {
            state.SkipWithError("the folders did not read");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * ReadFolders * ReadPerFolder);
}

// Both in one run, alternating, so that they share the machine's state; the
// ratio is reading-and-listing time over plain reading time.
void ReadRatio(benchmark::State& state)
{
    const Folders& folders = ReadingFolders();
    RecordingPrompt ui;
    qint64 plainNs = 0;
    qint64 listNs = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        benchmark::DoNotOptimize(PlainRead(folders));
        plainNs += timer.nsecsElapsed();
        timer.start();
        const qsizetype rows = ReadList(folders, ui);
        listNs += timer.nsecsElapsed();
        if (rows != ReadFolders * ReadPerFolder) {
            state.SkipWithError("the folders did not read");
            break;
        }
    }
    const double n = double(state.iterations());
    state.counters["plain_ms"] = double(plainNs) / n / 1e6;
    state.counters["list_ms"] = double(listNs) / n / 1e6;
    state.counters["ratio"] = plainNs ? double(listNs) / double(plainNs) : 0.0;
}

void Assign1000(benchmark::State& state)
{
    static const Folders folders(QStringLiteral("assign"), AssignFolders, AssignPerFolder, 2000);
    RecordingPrompt ui;
    std::vector<std::unique_ptr<Environment>> envs;
    std::vector<EmployeeRows> rows(AssignFolders);
    for (int i = 0; i < AssignFolders; ++i) {
        envs.push_back(std::make_unique<Environment>(Library(), ui));
        envs.back()->DataRootDir = folders.ProgramDirs.at(i);
        if (!WczytajPracownikow(*envs.back(), rows[size_t(i)], StaffHooks{})) {
            state.SkipWithError("the folders did not read");
            return;
        }
    }
    const QStringList plans{QStringLiteral("TYDZIEN_STANDARD"), QStringLiteral("NOC"), QStringLiteral("<BRAK>")};
    int round = 0;
    int assigned = 0;
    for (auto _ : state) {
        const QString& plan = plans.at(round++ % plans.size());
        for (int i = 0; i < AssignFolders; ++i) {
            EmployeeRows& folderRows = rows[size_t(i)];
            QList<int> all(folderRows.size());
            std::iota(all.begin(), all.end(), 0);
            const QVector<bool> selected = ZaznaczWybranych(int(folderRows.size()), all);
            for (const AssignmentOutcome& outcome :
                 PrzydzielPlan(*envs[size_t(i)], folderRows, selected, plan, StaffHooks{}))
                assigned += outcome.Result == AssignmentResult::Assigned ? 1 : 0;
        }
    }
    if (assigned != int(state.iterations()) * AssignFolders * AssignPerFolder)
        state.SkipWithError("not every employee got the plan");
    state.SetItemsProcessed(state.iterations() * AssignFolders * AssignPerFolder);
}

} // namespace

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadList)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRatio)->Unit(benchmark::kMillisecond);
BENCHMARK(Assign1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}
