// grafenta-holder lock FOLDER KIND OBJECT HOLDER
// grafenta-holder instance PROGRAMDIR
// grafenta-holder record PATH
//
// Holds a suite lock (the library bound to FOLDER first), the instance
// lock of a program folder or an employee record opened for a rewrite from
// a process of its own. It says
//   ready <pid>
// and waits for a line before it asks, so that a test can let two of them
// ask at the same moment; then it says
//   taken <handle> <owner>
// (handle -1: refused; owner: the holder the library named, trimmed) and
// holds until another line comes or its input closes.
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"
#include "env/Startup.h"

#include <QCoreApplication>

#include <cstdio>

// Says a line, then waits for one (or for the end of the input).
static void SayAndWait(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
    // Anything read, or nothing at the end of the input: either ends the wait.
    char answer[64];
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) return;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool suiteLock = args.size() == 5 && args[0] == QLatin1String("lock");
    const bool record = args.size() == 2 && args[0] == QLatin1String("record");
    KelbrinLibrary library;
    if (suiteLock ? !library.Load(QCoreApplication::applicationDirPath())
                  : args.size() != 2 || (!record && args[0] != QLatin1String("instance"))) {
        std::fprintf(stderr,
                     "usage: grafenta-holder lock FOLDER KIND OBJECT HOLDER | instance PROGRAMDIR | record PATH\n%s\n",
                     qPrintable(library.ErrorString()));
        return 2;
    }
    if (suiteLock) library.SetDir(args[1]);
    SayAndWait(QStringLiteral("ready %1").arg(QCoreApplication::applicationPid()));

    InstanceLock instance;
    DataFile file;
    QString owner(256, QLatin1Char(' '));
    const int32_t handle = suiteLock ? library.CreateLock(args[2], args[3], args[4], owner)
                           : record  ? (file.Open(args[1], FileAccess::Exclusive) == OpenStatus::Opened ? 1 : -1)
                                     : (instance.Acquire(args[1]) && instance.IsHeld() ? 1 : -1);
    SayAndWait(QStringLiteral("taken %1 %2").arg(handle).arg(owner.trimmed()));
    if (suiteLock) library.DeleteLock(handle);
    return 0;
}
