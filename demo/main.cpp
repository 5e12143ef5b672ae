// grafenta-demo PROGRAMDIR: creates PROGRAMDIR/DANE with sample plans, free
// days and employees, as the editor finds them beside itself.
#include "DemoData.h"

#include "env/Kelbrin.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: grafenta-demo PROGRAMDIR\n";
        return 2;
    }
    KelbrinLibrary lib;
    if (!lib.Load(app.applicationDirPath())) {
        err << "grafenta-demo: " << lib.ErrorString() << '\n';
        return 2;
    }
    const QString dataDir = QDir(QDir(args.at(1)).absolutePath()).filePath(QStringLiteral("DANE"));
    for (const char* folder : {"PLANY", "PERSONEL"}) {
        if (!QDir().mkpath(QDir(dataDir).filePath(QString::fromLatin1(folder)))) {
            err << "grafenta-demo: cannot create " << dataDir << '\n';
            return 1;
        }
    }
    using Writer = bool (*)(const KelbrinLibrary&, const QString&, QString*);
    const std::vector<Writer> writers = {WriteDemoFreeDays, WriteDemoPlans, WriteDemoLegacyPlans, WriteDemoStaff};
    for (const Writer writer : writers) {
        QString error;
        if (!writer(lib, dataDir, &error)) {
            err << "grafenta-demo: " << error << '\n';
            return 1;
        }
    }
    return 0;
}
