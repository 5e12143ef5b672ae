#include "env/Konfiguracja.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/OdczytZapisPliku.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringView>

#include <algorithm>

namespace {

const QString SectionName = QStringLiteral("[SCIEZKA]");
const QString IniFileName = QStringLiteral("sciezka.ini");

bool IsSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// The value of one line, or an empty view when the line is not a
// "[SCIEZKA]" line with something after its separator.
QStringView SectionValue(QStringView line)
{
    const qsizetype zero = line.indexOf(QChar(0));
    if (zero >= 0) line.truncate(zero);
    line = line.trimmed();
    if (!line.startsWith(u'[')) return {};
    const qsizetype close = line.indexOf(u']');
    if (close < 0 || line.first(close + 1) != SectionName) return {};
    // The character right after "]" is the separator and is skipped whatever it is.
    const qsizetype valueStart = close + 2;
    if (valueStart >= line.size()) return {};
    return line.sliced(valueStart).trimmed();
}

} // namespace

std::optional<QString> ParseSciezkaIni(const QByteArray& bytes)
{
    const QString text = FromCodePage(bytes);
    const QStringView all(text);
    std::optional<QString> root;
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        const QStringView value = SectionValue(all.sliced(start, end - start));
        if (!value.isEmpty()) {
            QString path = value.toString();
            if (path.size() > 1 && IsSeparator(path.back())) path.chop(1);
            root = path;
        }
        if (end >= all.size()) break;
        // CR LF is one line end.
        start = end + ((all[end] == u'\r' && end + 1 < all.size() && all[end + 1] == u'\n') ? 2 : 1);
    }
    return root;
}

QString LocalDataRoot(const QString& value, const QString& iniFolder)
{
    QString path = value;
    if (QDir::separator() == u'/') path.replace(u'\\', u'/');
    return QDir::cleanPath(QDir(iniFolder).absoluteFilePath(path));
}

void CzytajSciezke(Environment& env)
{
    const QString folder = env.ConfigDir.isEmpty() ? env.ProgramDir : env.ConfigDir;
    const QString path = FindFileIgnoringCase(QDir(folder).filePath(IniFileName));
    DataFile file;
    // Only a regular file is read: a pipe or a device could block or never end.
    if (path.isEmpty() || file.Open(path, FileAccess::Read) != OpenStatus::Opened) return;
    QByteArray bytes(qsizetype(SciezkaIniReadLimit) + 1, Qt::Uninitialized);
    const qint64 read = file.Read(bytes.data(), bytes.size());
    if (read < 0) return;
    bytes.truncate(qsizetype(read));
    if (read > SciezkaIniReadLimit) {
        // Longer than the limit: the line cut by it goes with the rest.
        bytes.truncate(qsizetype(SciezkaIniReadLimit));
        const qsizetype lastBreak = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(lastBreak < 0 ? 0 : lastBreak);
    }
    if (const std::optional<QString> root = ParseSciezkaIni(bytes)) env.DataRootDir = LocalDataRoot(*root, folder);
}

QString FindFileIgnoringCase(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.isEmpty()) return {};
    if (info.exists() && !info.isDir()) return info.filePath();
    QDirIterator entries(info.absolutePath(), QDir::Files | QDir::System | QDir::Hidden);
    while (entries.hasNext()) {
        entries.next();
        if (entries.fileName().compare(name, Qt::CaseInsensitive) == 0 && !entries.fileInfo().isDir())
            return entries.filePath();
    }
    return {};
}

bool PlikIstnieje(const QString& path)
{
    return !FindFileIgnoringCase(path).isEmpty();
}
