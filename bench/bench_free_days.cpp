// The free-days list's target: a year's public holidays added to the demo
// list (239 entries) and saved under the free-days lock, under 10 ms; the
// dialog's whole round with the lock taken and released; and beside them the
// durable replacement of a file of that size alone, which is most of it.
#include "BenchLibrary.h"
#include "demo/DemoData.h"
#include "env/Environment.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDaysDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A data directory holding the demo's WOLNE.DAT, and an environment pointing there.
struct Folder
{
    QTemporaryDir Root;
    RecordingPrompt Ui;
    Environment Env{Library(), Ui};
    SuiteFreeDays FreeDays;
    QByteArray Original;

    Folder()
    {
        QDir(Root.path()).mkpath(QStringLiteral("DANE/PLANY"));
        Env.ProgramDir = Env.DataRootDir = Root.path();
        Env.UserName = QStringLiteral("bench");
        Env.ComputerName = QStringLiteral("host");
        QString error;
        if (!WriteDemoFreeDays(Library(), Env.DataDir(), &error)) qFatal("no free days: %s", qPrintable(error));
        Original = ReadAll(Path());
    }
    QString Path() const { return QDir(Env.PlansDir()).filePath(QStringLiteral("WOLNE.DAT")); }
    static QByteArray ReadAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Restore() const
    {
        QFile file(Path());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Original) != Original.size())
            qFatal("cannot restore WOLNE.DAT");
    }
};

// What "Dodaj święta ustawowe…" and "Zapisz" do once the dialog holds the
// lock: the holidays added, the list written in one step and put into the
// program's free days.
void AddHolidaysAndSave(benchmark::State& run)
{
    Folder folder;
    for (auto _ : run) {
        run.PauseTiming();
        folder.Restore();
        FreeDaysDocument doc;
        if (!OpenFreeDaysForEditing(folder.Env, folder.FreeDays, doc)) run.SkipWithError("not opened");
        run.ResumeTiming();
        AddPublicHolidays(doc, 2051);
        if (!SaveFreeDays(folder.Env, folder.FreeDays, doc)) run.SkipWithError("not saved");
        run.PauseTiming();
        CloseFreeDays(folder.Env, folder.FreeDays);
        run.ResumeTiming();
    }
}

// The whole round of the dialog: the lock taken and the list read, the
// holidays added and saved, the lock released.
void EditFreeDaysRound(benchmark::State& run)
{
    Folder folder;
    for (auto _ : run) {
        FreeDaysDocument doc;
        if (!OpenFreeDaysForEditing(folder.Env, folder.FreeDays, doc)) run.SkipWithError("not opened");
        AddPublicHolidays(doc, 2051);
        if (!SaveFreeDays(folder.Env, folder.FreeDays, doc)) run.SkipWithError("not saved");
        CloseFreeDays(folder.Env, folder.FreeDays);
        run.PauseTiming();
        folder.Restore();
        run.ResumeTiming();
    }
}

// The baseline: the file's new bytes put in place durably, nothing else.
void ReplaceFreeDaysFile(benchmark::State& run)
{
    Folder folder;
    const QByteArray bytes = folder.Original + QByteArray(5 * FreeDayRecordSize, ' ');
    for (auto _ : run) {
        if (ReplaceFile(folder.Path(), bytes) != 0) run.SkipWithError("not replaced");
    }
}

} // namespace

BENCHMARK(AddHolidaysAndSave)->Unit(benchmark::kMillisecond);
BENCHMARK(EditFreeDaysRound)->Unit(benchmark::kMillisecond);
BENCHMARK(ReplaceFreeDaysFile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}
