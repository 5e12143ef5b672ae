// "Grafik zespołu" with 999 employees on 20 plans, offscreen: the view filled
// for a month and shown (plans read, grid, coverage and hours drawn) under
// 100 ms; filtered again by group or name under 30 ms.
#include "TeamBench.h"

#include "editor/TeamMonthWindow.h"
#include "plan/ProgramState.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <memory>

namespace {

struct View
{
    TeamBenchData Data;
    ProgramState State{Library(), Data.Ui};
    std::unique_ptr<TeamMonthWindow> Window;

    View()
    {
        State.Env.DataRootDir = Data.Env.DataRootDir;
        State.Env.DataFolderName = Data.Env.DataFolderName;
        State.Env.ColourTable = DefaultSlotColours;
        State.FreeDays.Days = Data.FreeDays;
        State.FreeDays.FreeDaysLoaded = true;
        Window = std::make_unique<TeamMonthWindow>(State, [this] { return Data.Rows; });
        Window->resize(1280, 760);
    }
};

// The view is made by the first benchmark that needs it and ends before the
// application does: a window outliving its QApplication crashes at exit.
std::unique_ptr<View>& SharedSlot()
{
    static std::unique_ptr<View> view;
    return view;
}

View& Shared()
{
    std::unique_ptr<View>& view = SharedSlot();
    if (!view) view = std::make_unique<View>();
    return *view;
}

void Settle(QWidget* window)
{
    QApplication::processEvents();
    window->repaint();
}

void TeamViewFillAndShow(benchmark::State& run)
{
    View& view = Shared();
    int month = 0;
    for (auto _ : run) {
        view.Window->hide();
        view.Window->ShowMonth(QDate(2025, 3 + month, 1));
        view.Window->show();
        Settle(view.Window.get());
        month = 1 - month;
    }
}

void TeamViewRefilter(benchmark::State& run)
{
    View& view = Shared();
    view.Window->ShowMonth(QDate(2025, 3, 1));
    view.Window->show();
    Settle(view.Window.get());
    auto* groups = view.Window->findChild<QComboBox*>(QStringLiteral("teamGroupChoice"));
    auto* search = view.Window->findChild<QLineEdit*>(QStringLiteral("teamSearch"));
    int step = 0;
    for (auto _ : run) {
        ++step;
        if (step % 2)
            groups->setCurrentIndex(step % groups->count());
        else
            search->setText(step % 4 ? QStringLiteral("ska") : QString());
        Settle(view.Window.get());
        benchmark::DoNotOptimize(view.Window->ShownMembers().size());
    }
}

} // namespace

BENCHMARK(TeamViewFillAndShow)->Unit(benchmark::kMillisecond);
BENCHMARK(TeamViewRefilter)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv, [] { SharedSlot().reset(); });
}
