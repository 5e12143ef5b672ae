// lockcontender FOLDER KIND OBJECT HOLDER [OWNER-LENGTH]
//
// A second process for the lock tests. Loads the suite library from its own
// folder, binds FOLDER with KLNX_SetDir and reports
//   ready <pid> <setdir status>
// then waits for a line on stdin before it asks for the lock (so that a test
// can start two of them and let them ask at the same moment), and reports
//   handle <handle>
//   owner [<owner buffer, windows-1250, OWNER-LENGTH bytes, 256 by default>]
// It holds the lock until another line arrives or stdin closes, releases it
// with KLNX_DeleteLock (also when it was refused: the handle is then -1) and
// reports
//   released <status>
#include "kelbrin.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringEncoder>

#include <cstdio>

namespace {

QByteArray toCodePage(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Blocks until a line arrives or stdin closes.
void waitForLine()
{
    char line[256];
    (void)std::fgets(line, sizeof line, stdin);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5 || args.size() > 6) {
        std::fprintf(stderr, "usage: lockcontender FOLDER KIND OBJECT HOLDER [OWNER-LENGTH]\n");
        return 2;
    }
    const qsizetype ownerLength = args.size() > 5 ? args.at(5).toInt() : 256;

#ifdef Q_OS_WIN
    const QString libraryName = QStringLiteral("kelbrin.dll");
#else
    const QString libraryName = QStringLiteral("libkelbrin.so");
#endif
    QLibrary library(QDir(app.applicationDirPath()).filePath(libraryName));
    const auto setDir = reinterpret_cast<KLNX_SetDir_fn>(library.resolve("KLNX_SetDir"));
    const auto createLock = reinterpret_cast<KLNX_CreateLock_fn>(library.resolve("KLNX_CreateLock"));
    const auto deleteLock = reinterpret_cast<KLNX_DeleteLock_fn>(library.resolve("KLNX_DeleteLock"));
    if (!setDir || !createLock || !deleteLock) {
        std::fprintf(stderr, "lockcontender: %s\n", qPrintable(library.errorString()));
        return 2;
    }

    const int32_t bound = setDir(toCodePage(args.at(1)).constData());
    say("ready " + QByteArray::number(app.applicationPid()) + ' ' + QByteArray::number(bound));
    waitForLine();

    QByteArray holder = toCodePage(args.at(4));
    QByteArray owner(ownerLength, ' ');
    const int32_t handle =
        createLock(toCodePage(args.at(2)).constData(), toCodePage(args.at(3)).constData(), holder.data(), owner.data());
    say("handle " + QByteArray::number(handle));
    say("owner [" + QByteArray(owner.constData()) + ']');

    waitForLine();
    say("released " + QByteArray::number(deleteLock(handle)));
    return 0;
}
