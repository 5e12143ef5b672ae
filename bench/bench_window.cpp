// The main window's targets, offscreen: redrawing a month and painting a day
// (under 1 ms), opening the largest plan and showing its first month with
// its labour-code check (under 5 ms), start-up to a usable window with 10,000 employees (under 1 s),
// sorting or filtering 10,000 rows (under 30 ms), and painting a shift cycle
// over the largest plan as one undo step (under 5 ms); each beside a plain
// baseline measured in the same run.
#include "BenchLibrary.h"
#include "ProgramFolder.h"
#include "demo/DemoStaff.h"
#include "editor/CalendarTools.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/SchedulePanel.h"
#include "editor/WindowStyle.h"
#include "env/Kelbrin.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Window
{
    explicit Window(const QString& programDir)
    {
        // The window in the program's own style, as the editor shows it.
        if (!qobject_cast<WindowStyle*>(QApplication::style())) UseWindowStyle();
        Frame = std::make_unique<FrmGrafenta>(State);
        if (!StartProgram(State, Lib, Instance, programDir, Frame->WindowStartupSteps())) qFatal("start-up ended");
        Frame->show();
        QApplication::processEvents();
    }
    ~Window() { QDir::setCurrent(QDir::tempPath()); }
    void Open(const QString& plan) { Frame->PlanBox()->setCurrentIndex(Frame->PlanBox()->findText(plan)); }
    KelbrinLibrary Lib;
    RecordingPrompt Ui;
    ProgramState State{Lib, Ui};
    InstanceLock Instance;
    std::unique_ptr<FrmGrafenta> Frame;
};

void RedrawMonth(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    Window w(dir->path());
    w.Open(LargestPlanName);
    for (auto _ : run)
        w.Frame->Calendar()->cmdMiesiac_Click(255);
}

void PaintDay(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    Window w(dir->path());
    w.Open(LargestPlanName);
    MonthCalendar* calendar = w.Frame->Calendar();
    int slot = 0;
    for (auto _ : run) {
        w.Frame->Panel()->tglKolor_Click(slot = 1 - slot);
        emit calendar->DaysPainted(slot, {w.State.Doc.Plan.FirstDay + 3}, slot);
    }
}

// The open alone: from the plan's file to its first month shown, with the
// labour-code check and its panel filled and the window's pending layout and
// painting done; choosing "<BRAK>" between two opens is not timed.
void OpenLargestPlan(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    Window w(dir->path());
    for (auto _ : run) {
        run.PauseTiming();
        w.Open(QStringLiteral("<BRAK>"));
        QApplication::processEvents();
        run.ResumeTiming();
        w.Open(LargestPlanName);
        QApplication::processEvents();
    }
    if (w.State.Doc.CurrentPlanName != LargestPlanName) run.SkipWithError("the plan did not open");
}

// The baseline of the plan's opening: reading its file in one call.
void ReadLargestPlanFile(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    const QString path = dir->filePath(QStringLiteral("DANE/PLANY/") + LargestPlanName + QStringLiteral(".PLN"));
    for (auto _ : run) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) run.SkipWithError("no plan");
        benchmark::DoNotOptimize(file.readAll());
    }
}

// Start-up to a usable window with run.range(0) employees (in folders of at most 999 each).
void StartUp(benchmark::State& run)
{
    const auto dir = ProgramFolder(int(run.range(0)));
    for (auto _ : run) {
        Window w(dir->path());
        benchmark::DoNotOptimize(w.Frame->Employees()->Model()->rowCount());
    }
}

// Sorting and filtering a list of 10,000 rows.
void SortAndFilter(benchmark::State& run)
{
    QWidget holder;
    EmployeeList& list = *new EmployeeList(&holder);
    EmployeeRows rows;
    for (const DemoEmployee& employee : MakeDemoEmployees(999, 3, DemoPlanNames())) {
        for (int copy = 0; copy < 11 && rows.size() < 10000; ++copy)
            rows.append(
                {NumerNaTekst(employee.Number), employee.Surname, employee.FirstName, employee.Plan, employee.Group});
    }
    list.Model()->SetRows(rows);
    int column = 0;
    for (auto _ : run) {
        list.SortBy(column = (column + 1) % 5);
        list.Search()->setText(column % 2 ? QStringLiteral("kowal") : QString());
        benchmark::DoNotOptimize(list.Filter()->rowCount());
    }
}

// A four-brigade rotation painted over all 18,501 days of the largest plan
// through the window's tool, the suite's free days kept free: the days
// worked out, the undo step made and carried out, the month shown again.
void PaintCycleLargestPlan(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    Window w(dir->path());
    w.Open(LargestPlanName);
    CalendarTools* tools = w.Frame->findChild<CalendarTools*>();
    const DayTable& days = w.State.Doc.Plan.Days;
    CyclePainting painting{CyclePresets().at(1).Slots, days.FirstDay(), 0, days.FirstDay(), days.LastDay(), true};
    for (auto _ : run) {
        painting.Offset = (painting.Offset + 1) % 4;
        if (!tools->Paint(painting)) run.SkipWithError("the cycle was refused");
        run.PauseTiming();
        w.Frame->Undo()->clear();
        run.ResumeTiming();
    }
}

// The baseline: the days of the same cycle worked out, and nothing else.
void CycleDaysLargestPlan(benchmark::State& run)
{
    const auto dir = ProgramFolder(40);
    Window w(dir->path());
    w.Open(LargestPlanName);
    const DayTable& days = w.State.Doc.Plan.Days;
    const CyclePainting painting{
        CyclePresets().at(1).Slots, days.FirstDay(), 1, days.FirstDay(), days.LastDay(), false};
    for (auto _ : run)
        benchmark::DoNotOptimize(PaintCycle(days, painting).Slots.data());
}

} // namespace

BENCHMARK(RedrawMonth)->Unit(benchmark::kMicrosecond);
BENCHMARK(PaintDay)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenLargestPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLargestPlanFile)->Unit(benchmark::kMillisecond);
BENCHMARK(StartUp)->Arg(999)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SortAndFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(PaintCycleLargestPlan)->Unit(benchmark::kMillisecond);
BENCHMARK(CycleDaysLargestPlan)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv);
}
