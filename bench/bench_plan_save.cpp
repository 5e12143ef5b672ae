// Saving the largest schedule plan (18,501 days, every working day with a
// break, all four allowances set), with the schedule check, the expansion into
// areas and the read-back check, beside writing the same number of bytes to a
// file in one call; and reading the plan back beside reading its bytes in one
// call. The range argument is the number of days, to show that the cost grows
// in step with it.
#include "demo/DemoPlans.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

#include <unistd.h>

namespace {

const KelbrinLibrary& library()
{
    static KelbrinLibrary lib;
    if (!lib.isLoaded() && !lib.load(QCoreApplication::applicationDirPath()))
        qFatal("cannot load the suite library: %s", qPrintable(lib.errorString()));
    return lib;
}

const QString PlanName = QStringLiteral("Największy");

// A program folder with DANE/PLANY and TEMP, and a state pointing there.
struct Folder
{
    QTemporaryDir Root;
    RecordingPrompt Ui;
    ProgramState State{library(), Ui};

    Folder()
    {
        const QDir root(Root.path());
        root.mkpath(QStringLiteral("DANE/PLANY"));
        root.mkpath(QStringLiteral("TEMP"));
        State.ProgramDir = State.DataRootDir = Root.path();
        State.KatalogTemp = root.filePath(QStringLiteral("TEMP"));
    }
    QString PlanPath() const { return State.PlanPath(PlanName); }
};

// The largest plan, cut to the first `days` days.
std::unique_ptr<Folder> folderWithPlan(int days)
{
    auto folder = std::make_unique<Folder>();
    FillLargestSchedulePlan(folder->State, 0);
    WorkPlan& plan = folder->State.Plan;
    plan.LastDay = plan.FirstDay + days - 1;
    const DayTable all = plan.Days;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day)
        plan.Days.Set(day, all.At(day));
    if (!ZapiszPlanHarmonogramow(folder->State, PlanName, false).Ok()) qFatal("the benchmark plan does not save");
    return folder;
}

void flushToDisk(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) ::fdatasync(file.handle());
}

void SavePlan(benchmark::State& run)
{
    const auto folder = folderWithPlan(int(run.range(0)));
    const qint64 size = QFile(folder->PlanPath()).size();
    for (auto _ : run) {
        // The plan being replaced has reached the disk long ago, as it has
        // when the user saves; a file written the moment before would first
        // have its data written out when it is replaced.
        run.PauseTiming();
        flushToDisk(folder->PlanPath());
        run.ResumeTiming();
        if (!ZapiszPlanHarmonogramow(folder->State, PlanName, false).Ok()) run.SkipWithError("save failed");
    }
    run.SetBytesProcessed(run.iterations() * size);
    run.counters["file_bytes"] = double(size);
}

QByteArray planBytes(const Folder& folder)
{
    QFile file(folder.PlanPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeInOneCall(benchmark::State& run, const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        run.SkipWithError("write failed");
    file.close();
}

// The plan's bytes written over the plan file in one call, the file on disk
// beforehand as for the save.
void WriteBytes(benchmark::State& run)
{
    const auto folder = folderWithPlan(int(run.range(0)));
    const QByteArray bytes = planBytes(*folder);
    for (auto _ : run) {
        run.PauseTiming();
        flushToDisk(folder->PlanPath());
        run.ResumeTiming();
        writeInOneCall(run, folder->PlanPath(), bytes);
    }
    run.SetBytesProcessed(run.iterations() * bytes.size());
}

// The same bytes written to a file that does not exist yet.
void WriteNewFile(benchmark::State& run)
{
    const auto folder = folderWithPlan(int(run.range(0)));
    const QByteArray bytes = planBytes(*folder);
    const QString path = QDir(folder->State.PlansDir()).filePath(QStringLiteral("plain.bin"));
    for (auto _ : run) {
        run.PauseTiming();
        QFile::remove(path);
        run.ResumeTiming();
        writeInOneCall(run, path, bytes);
    }
    run.SetBytesProcessed(run.iterations() * bytes.size());
}

// The plan opened by the schedule-plan reader, as choosing it in the editor
// does (no user name: no edit lock is taken).
void ReadPlan(benchmark::State& run)
{
    const auto folder = folderWithPlan(int(run.range(0)));
    for (auto _ : run) {
        if (!ReadSchedulePlan(folder->State, PlanName)) run.SkipWithError("read failed");
    }
    run.SetBytesProcessed(run.iterations() * QFile(folder->PlanPath()).size());
}

void ReadBytes(benchmark::State& run)
{
    const auto folder = folderWithPlan(int(run.range(0)));
    for (auto _ : run) {
        QFile file(folder->PlanPath());
        if (!file.open(QIODevice::ReadOnly)) run.SkipWithError("open failed");
        benchmark::DoNotOptimize(file.readAll());
    }
    run.SetBytesProcessed(run.iterations() * QFile(folder->PlanPath()).size());
}

constexpr int LargestPlanDays = MaxPlanDay + 1;

} // namespace

BENCHMARK(SavePlan)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteBytes)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteNewFile)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadPlan)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadBytes)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
