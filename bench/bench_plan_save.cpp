// Saving the largest schedule plan (18,501 days, every working day with a
// break, all four allowances set), with the schedule check, the expansion into
// areas and the read-back check, beside writing the same number of bytes to a
// file in one call; and reading the plan back beside reading its bytes in one
// call. The range argument is the number of days, to show that the cost grows
// in step with it.
#include "BenchLibrary.h"
#include "demo/DemoPlans.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString PlanName = QStringLiteral("Największy");

// A program folder with DANE/PLANY and TEMP, and a state pointing there.
struct Folder
{
    QTemporaryDir Root;
    RecordingPrompt Ui;
    ProgramState State{Library(), Ui};

    Folder()
    {
        const QDir root(Root.path());
        root.mkpath(QStringLiteral("DANE/PLANY"));
        root.mkpath(QStringLiteral("TEMP"));
        State.Env.ProgramDir = State.Env.DataRootDir = Root.path();
        State.Env.KatalogTemp = root.filePath(QStringLiteral("TEMP"));
    }
    QString PlanPath() const { return PlanFilePath(State.Env, PlanName); }
};

// The largest plan, cut to the first `days` days.
std::unique_ptr<Folder> FolderWithPlan(int days)
{
    auto folder = std::make_unique<Folder>();
    FillLargestSchedulePlan(folder->State.Doc, 0);
    WorkPlan& plan = folder->State.Doc.Plan;
    plan.LastDay = plan.FirstDay + days - 1;
    const DayTable all = plan.Days;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day)
        plan.Days.Set(day, all.At(day));
    if (!ZapiszPlanHarmonogramow(folder->State.Env, folder->State.Doc, PlanName, false).Ok())
        qFatal("the benchmark plan does not save");
    return folder;
}

void FlushToDisk(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) ::fdatasync(file.handle());
}

void SavePlan(benchmark::State& run)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
    const qint64 size = QFile(folder->PlanPath()).size();
    for (auto _ : run) {
        // The plan being replaced has reached the disk long ago, as it has
        // when the user saves; a file written the moment before would first
        // have its data written out when it is replaced.
        run.PauseTiming();
        FlushToDisk(folder->PlanPath());
        run.ResumeTiming();
        if (!ZapiszPlanHarmonogramow(folder->State.Env, folder->State.Doc, PlanName, false).Ok())
            run.SkipWithError("save failed");
    }
    run.SetBytesProcessed(run.iterations() * size);
    run.counters["file_bytes"] = double(size);
}

QByteArray PlanBytes(const Folder& folder)
{
    QFile file(folder.PlanPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The plain way to put the same bytes on disk for good and look at them
// again: a new file written in one call, flushed, closed and read back.
bool PlainDurableWriteRead(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush() ||
        ::fsync(file.handle()) != 0)
        return false;
    file.close();
    QFile back(path);
    return back.open(QIODevice::ReadOnly) && back.readAll().size() == bytes.size();
}

// The plain way to replace a file durably and in one step, the least any
// atomic save pays: a new file beside it written in one call and flushed,
// renamed over it, its folder flushed, and the bytes read back.
bool PlainAtomicReplaceRead(const QString& path, const QByteArray& bytes)
{
    const QString scratch = path + QStringLiteral(".new");
    QFile file(scratch);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush() ||
        ::fsync(file.handle()) != 0)
        return false;
    file.close();
    if (::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(path).constData()) != 0) return false;
    const int handle = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (handle < 0) return false;
    const bool flushed = ::fsync(handle) == 0;
    ::close(handle);
    QFile back(path);
    return flushed && back.open(QIODevice::ReadOnly) && back.readAll().size() == bytes.size();
}

void PlainDurableSave(benchmark::State& run)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
    const QByteArray bytes = PlanBytes(*folder);
    const QString path = QDir(folder->State.Env.PlansDir()).filePath(QStringLiteral("plain.bin"));
    for (auto _ : run) {
        if (!PlainDurableWriteRead(path, bytes)) run.SkipWithError("plain write failed");
    }
    run.SetBytesProcessed(run.iterations() * bytes.size());
}

// Two ways of putting the plan's bytes on disk alternating in one run, so
// that both meet the same disk and machine: first, then second, each a
// function of the folder, the plain file's path and the plan's bytes. The
// counters give each one's mean (first's and second's names) and their ratio.
template <typename First, typename Second>
void Alternate(benchmark::State& run, const char* firstName, First first, const char* secondName, Second second)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
    const QByteArray bytes = PlanBytes(*folder);
    const QString path = QDir(folder->State.Env.PlansDir()).filePath(QStringLiteral("plain.bin"));
    qint64 firstNs = 0, secondNs = 0;
    QElapsedTimer timer;
    for (auto _ : run) {
        timer.start();
        if (!first(*folder, path, bytes)) run.SkipWithError("the first way failed");
        firstNs += timer.nsecsElapsed();
        timer.start();
        if (!second(*folder, path, bytes)) run.SkipWithError("the second way failed");
        secondNs += timer.nsecsElapsed();
    }
    const double n = double(run.iterations());
    run.counters[std::string(firstName) + "_us"] = double(firstNs) / n / 1e3;
    run.counters[std::string(secondName) + "_us"] = double(secondNs) / n / 1e3;
    run.counters["ratio"] = secondNs ? double(firstNs) / double(secondNs) : 0.0;
}

bool Save(Folder& folder, const QString&, const QByteArray&)
{
    return ZapiszPlanHarmonogramow(folder.State.Env, folder.State.Doc, PlanName, false).Ok();
}

bool PlainWrite(Folder&, const QString& path, const QByteArray& bytes)
{
    return PlainDurableWriteRead(path, bytes);
}

bool PlainReplace(Folder&, const QString& path, const QByteArray& bytes)
{
    return PlainAtomicReplaceRead(path, bytes);
}

// Beside a plain durable write in place: the ratio is the target's measure.
void SaveRatio(benchmark::State& run)
{
    Alternate(run, "save", Save, "plain", PlainWrite);
}

// Beside the plain atomic replacement: what the save costs over the least a
// durable replacement in one step pays on this disk (shown, not judged).
void SaveOverReplaceRatio(benchmark::State& run)
{
    Alternate(run, "save", Save, "plain", PlainReplace);
}

// The floor of SaveRatio on this disk (shown, not judged): the plain atomic
// replacement, with no check and no plan to write out, beside the plain
// durable write.
void ReplaceFloorRatio(benchmark::State& run)
{
    Alternate(run, "replace", PlainReplace, "plain", PlainWrite);
}

// The plan opened by the schedule-plan reader, as choosing it in the editor
// does (no user name: no edit lock is taken).
void ReadPlan(benchmark::State& run)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
    for (auto _ : run) {
        if (!ReadSchedulePlan(folder->State.Env, folder->State.Doc, PlanName)) run.SkipWithError("read failed");
    }
    run.SetBytesProcessed(run.iterations() * QFile(folder->PlanPath()).size());
}

// Reading and plain reading alternating in one run; the ratio is the target's measure.
void ReadRatio(benchmark::State& run)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
    qint64 readNs = 0, plainNs = 0;
    QElapsedTimer timer;
    for (auto _ : run) {
        timer.start();
        if (!ReadSchedulePlan(folder->State.Env, folder->State.Doc, PlanName)) run.SkipWithError("read failed");
        readNs += timer.nsecsElapsed();
        timer.start();
        QFile file(folder->PlanPath());
        if (!file.open(QIODevice::ReadOnly)) run.SkipWithError("open failed");
        benchmark::DoNotOptimize(file.readAll());
        plainNs += timer.nsecsElapsed();
    }
    const double n = double(run.iterations());
    run.counters["read_us"] = double(readNs) / n / 1e3;
    run.counters["plain_us"] = double(plainNs) / n / 1e3;
    run.counters["ratio"] = plainNs ? double(readNs) / double(plainNs) : 0.0;
}

void ReadBytes(benchmark::State& run)
{
    const auto folder = FolderWithPlan(int(run.range(0)));
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
BENCHMARK(PlainDurableSave)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveRatio)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(SaveOverReplaceRatio)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReplaceFloorRatio)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadPlan)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadBytes)->Arg(1000)->Arg(4000)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadRatio)->Arg(LargestPlanDays)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}
