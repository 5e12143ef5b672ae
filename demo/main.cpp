// grafenta-demo PROGRAMDIR: creates PROGRAMDIR/DANE with sample plans, free
// days and employees, as the editor finds them beside itself.
#include "DemoData.h"

#include "env/Kelbrin.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args.at(1).startsWith(u'-')) {
        err << "usage: grafenta-demo PROGRAMDIR\n"
               "  makes PROGRAMDIR/DANE: sample plans, free days and employees\n";
        return args.size() == 2 && (args.at(1) == u"--help" || args.at(1) == u"-h") ? 0 : 2;
    }
    KelbrinLibrary lib;
    if (!lib.Load(app.applicationDirPath())) {
        err << "grafenta-demo: " << lib.ErrorString() << '\n';
        return 2;
    }
    QString error;
    if (!WriteDemoDataDirectory(lib, args.at(1), &error)) {
        err << "grafenta-demo: " << error << '\n';
        return 1;
    }
    return 0;
}
