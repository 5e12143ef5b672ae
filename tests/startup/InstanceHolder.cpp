// grafenta-instance-holder PROGRAMDIR: takes the instance lock of the program
// folder, says "held" (or "refused", exit code 1) and keeps the lock until
// its standard input ends.
#include "env/Startup.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: grafenta-instance-holder PROGRAMDIR\n", stderr);
        return 2;
    }
    InstanceLock lock;
    if (!lock.Acquire(QString::fromLocal8Bit(argv[1])) || !lock.IsHeld()) {
        std::puts("refused");
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}
