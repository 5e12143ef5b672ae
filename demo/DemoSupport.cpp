#include "DemoData.h"

#include "env/OdczytZapisPliku.h"

#include <QDir>

#include <vector>

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    if (ReplaceFile(path, bytes) == 0) return true;
    if (error) *error = QStringLiteral("%1: cannot be written").arg(path);
    return false;
}

bool WriteDemoDataDirectory(const KelbrinLibrary& lib, const QString& programDir, QString* error)
{
    const QString dataDir = QDir(QDir(programDir).absolutePath()).filePath(QStringLiteral("DANE"));
    for (const char* folder : {"PLANY", "PERSONEL"}) {
        if (!QDir().mkpath(QDir(dataDir).filePath(QString::fromLatin1(folder)))) {
            if (error) *error = QStringLiteral("cannot create %1").arg(dataDir);
            return false;
        }
    }
    using Writer = bool (*)(const KelbrinLibrary&, const QString&, QString*);
    const std::vector<Writer> writers = {WriteDemoFreeDays, WriteDemoPlans, WriteDemoLegacyPlans, WriteDemoStaff};
    for (const Writer writer : writers) {
        if (!writer(lib, dataDir, error)) return false;
    }
    return true;
}
