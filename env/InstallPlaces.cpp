#include "env/InstallPlaces.h"

#include "env/Environment.h"
#include "env/Rejestr.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString ProgramFolderName = QStringLiteral("grafenta");
const QString TempName = QStringLiteral("TEMP");

// The path with links resolved when it exists, else as cleaned.
QString Resolved(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : canonical;
}

// An XDG folder variable: only an absolute path counts.
QString XdgFolder(const QProcessEnvironment& environment, const QString& name)
{
    const QString value = environment.value(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

// The user's own folder for the program's scratch files.
QString UserScratchRoot(const QProcessEnvironment& environment)
{
    QString runtime = XdgFolder(environment, QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    QString cache = XdgFolder(environment, QStringLiteral("XDG_CACHE_HOME"));
    if (!cache.isEmpty()) return cache;
    QString home = XdgFolder(environment, QStringLiteral("HOME"));
    if (home.isEmpty()) home = QDir::homePath();
    return QDir(home).filePath(QStringLiteral(".cache"));
}

bool MakePrivatePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) return true;
    if (info.exists() || info.isSymLink()) return false;
    const QString parent = info.absolutePath();
    if (parent == info.absoluteFilePath() || !MakePrivatePath(parent)) return false;
    return QDir().mkdir(info.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

InstallLayout InstalledLayout()
{
#if defined(GRAFENTA_SYSTEM_PROGRAM_DIR) && !defined(Q_OS_WIN)
    return {QStringLiteral(GRAFENTA_SYSTEM_PROGRAM_DIR), QStringLiteral(GRAFENTA_SYSTEM_CONFIG_DIR),
            QStringLiteral(GRAFENTA_SYSTEM_DATA_ROOT)};
#else
    return {};
#endif
}

InstallPlaces PlacesOf(const QString& programDir, const InstallLayout& layout, const QProcessEnvironment& environment)
{
    InstallPlaces places;
    const QString folder = QDir::cleanPath(QDir(programDir).absolutePath());
    places.SystemInstall = !layout.ProgramDir.isEmpty() && Resolved(folder) == Resolved(layout.ProgramDir);
    if (!places.SystemInstall) {
        places.ConfigDir = places.DataRoot = folder;
        places.KatalogTemp = QDir(folder).filePath(TempName);
        return places;
    }
    places.ConfigDir = QDir::cleanPath(layout.ConfigDir);
    places.DataRoot = QDir::cleanPath(layout.DataRoot);
    places.PackageNameFile = QDir(places.ConfigDir).filePath(QStringLiteral("pakiet.ini"));
    places.KatalogTemp = QDir(UserScratchRoot(environment)).filePath(ProgramFolderName + u'/' + TempName);
    return places;
}

bool MakeTempFolder(const InstallPlaces& places)
{
    if (QFileInfo(places.KatalogTemp).isDir()) return true;
    if (places.SystemInstall) return MakePrivatePath(places.KatalogTemp);
    // Beside the program only the last folder is made: a program folder that
    // is gone is not made up again.
    const QFileInfo temp(places.KatalogTemp);
    return QDir(temp.absolutePath()).mkdir(temp.fileName());
}

QString ReadPackageName(const Environment& env)
{
    if (env.PackageNameFile.isEmpty()) return CzytajPakiet();
    return CzytajPakiet(QSettings(env.PackageNameFile, QSettings::IniFormat));
}
