// lockholder DATADIR KIND OBJECT HOLDER: takes the lock through the suite
// library, prints "held" (or "refused") on a line of its own, keeps the lock
// until its standard input closes, then releases it.
#include "env/Kelbrin.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: lockholder DATADIR KIND OBJECT HOLDER\n");
        return 2;
    }
    KelbrinLibrary lib;
    if (!lib.load(QCoreApplication::applicationDirPath())) {
        std::fprintf(stderr, "lockholder: %s\n", qPrintable(lib.errorString()));
        return 2;
    }
    lib.SetDir(args.at(1));
    QString owner(256, QLatin1Char(' '));
    const int32_t handle = lib.CreateLock(args.at(2), args.at(3), args.at(4), owner);
    std::printf(handle == -1 ? "refused\n" : "held\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    if (handle != -1) lib.DeleteLock(handle);
    return 0;
}
