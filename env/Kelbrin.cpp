#include "env/Kelbrin.h"

#include "env/CodePage.h"

#include <QDir>
#include <QFileInfo>

#include <string>

#ifdef Q_OS_WIN
#    include <windows.h>
#else
#    include <cerrno>
#endif

namespace {

// A NUL-terminated copy of a text in the library's code page that the library
// may rewrite in place (an empty QByteArray would hand out shared read-only memory).
std::string WritableBuffer(const QString& text)
{
    const QByteArray bytes = ToCodePage(text);
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace

QString KelbrinLibrary::FileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("kelbrin.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libkelbrin.dylib");
#else
    return QStringLiteral("libkelbrin.so");
#endif
}

bool KelbrinLibrary::Load(const QString& directory)
{
    const QString path = QDir(directory).filePath(FileName());
    if (!QFileInfo::exists(path)) {
        m_error = QStringLiteral("%1 not found").arg(path);
        return false;
    }
    m_library.setFileName(path);
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    m_getVersion = reinterpret_cast<KLNX_GetVersion_fn>(m_library.resolve("KLNX_GetVersion"));
    m_setDir = reinterpret_cast<KLNX_SetDir_fn>(m_library.resolve("KLNX_SetDir"));
    m_dateToLong = reinterpret_cast<KLNX_DateToLong_fn>(m_library.resolve("KLNX_DateToLong"));
    m_longToDate = reinterpret_cast<KLNX_LongToDate_fn>(m_library.resolve("KLNX_LongToDate"));
    m_getPlanRange = reinterpret_cast<KLNX_GetPlanRange_fn>(m_library.resolve("KLNX_GetPlanRange"));
    m_createLock = reinterpret_cast<KLNX_CreateLock_fn>(m_library.resolve("KLNX_CreateLock"));
    m_deleteLock = reinterpret_cast<KLNX_DeleteLock_fn>(m_library.resolve("KLNX_DeleteLock"));
    m_txtToName = reinterpret_cast<KLNX_TxtToName_fn>(m_library.resolve("KLNX_TxtToName"));
    if (!m_getVersion || !m_setDir || !m_dateToLong || !m_longToDate || !m_getPlanRange || !m_createLock ||
        !m_deleteLock || !m_txtToName) {
        m_error = QStringLiteral("%1 lacks a KLNX function").arg(path);
        m_library.unload();
        return false;
    }
    m_loaded = true;
    return true;
}

KlnxVersion KelbrinLibrary::GetVersion() const
{
    KlnxVersion version;
    m_getVersion(&version.Major, &version.Minor, &version.Level);
    return version;
}

int32_t KelbrinLibrary::SetDir(const QString& directory) const
{
    return m_setDir(ToCodePage(QDir::toNativeSeparators(directory)).constData());
}

int32_t KelbrinLibrary::DateToLong(int32_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute) const
{
    return m_dateToLong(year, month, day, hour, minute);
}

KlnxDate KelbrinLibrary::LongToDate(int32_t count) const
{
    KlnxDate date;
    m_longToDate(count, &date.Year, &date.Month, &date.Day, &date.Hour, &date.Minute);
    return date;
}

uint8_t KelbrinLibrary::GetPlanRange(const QString& file, int32_t& first, int32_t& last) const
{
    return m_getPlanRange(ToCodePage(QDir::toNativeSeparators(file)).constData(), &first, &last);
}

int32_t KelbrinLibrary::CreateLock(const QString& kind, const QString& object, const QString& holder, QString& owner,
                                   int* systemError) const
{
    std::string holderBuffer = WritableBuffer(holder);
    std::string ownerBuffer = WritableBuffer(owner);
    const QByteArray kindText = ToCodePage(kind);
    const QByteArray objectText = ToCodePage(object);
    const int32_t handle =
        m_createLock(kindText.constData(), objectText.constData(), holderBuffer.data(), ownerBuffer.data());
    // Read before anything else can change it.
#ifdef Q_OS_WIN
    const int error = int(::GetLastError());
#else
    const int error = errno;
#endif
    if (systemError) *systemError = handle == -1 ? error : 0;
    owner = FromCodePage(QByteArrayView(ownerBuffer.c_str()));
    return handle;
}

uint8_t KelbrinLibrary::DeleteLock(int32_t handle) const
{
    return m_deleteLock(handle);
}

QString KelbrinLibrary::TxtToName(const QString& text) const
{
    std::string buffer = WritableBuffer(text);
    m_txtToName(buffer.data());
    return FromCodePage(QByteArrayView(buffer.c_str()));
}
