// The team's month at the size of a full personnel folder: 999 employees on
// 20 plans. Reading a month (every plan read once, shifts, norms, order)
// under 20 ms; a year with its coverage under 200 ms; beside them the plain
// reading of the 20 plan files as a baseline.
#include "TeamBench.h"

#include "team/TeamMonth.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

const TeamBenchData& Data()
{
    static const TeamBenchData data;
    return data;
}

// The team of 999 over the days from..to, as the window reads it.
TeamMonth Read(const QDate& from, const QDate& to)
{
    TeamOptions options;
    options.FreeDays = Data().FreeDays;
    return ReadTeamMonth(Data().Env, Data().Rows, DayOfDate(from), DayOfDate(to), options);
}

void TeamMonthOf999(benchmark::State& run)
{
    Data(); // written before the clock runs
    for (auto _ : run)
        benchmark::DoNotOptimize(Read(QDate(2025, 3, 1), QDate(2025, 3, 31)).Members.size());
}

void TeamCoverageOfAYear(benchmark::State& run)
{
    Data();
    for (auto _ : run)
        benchmark::DoNotOptimize(TeamCoverage(Read(QDate(2025, 1, 1), QDate(2025, 12, 31))).size());
}

// The baseline: the 20 plan files read whole, nothing decoded.
void ReadTwentyPlanFiles(benchmark::State& run)
{
    const QDir plans(Data().Env.PlansDir());
    const QStringList files = plans.entryList({QStringLiteral("* *.PLN")}, QDir::Files);
    for (auto _ : run) {
        qint64 bytes = 0;
        for (const QString& file : files) {
            QFile in(plans.filePath(file));
            if (in.open(QIODevice::ReadOnly)) bytes += in.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

} // namespace

BENCHMARK(TeamMonthOf999)->Unit(benchmark::kMillisecond);
BENCHMARK(TeamCoverageOfAYear)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadTwentyPlanFiles)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}
