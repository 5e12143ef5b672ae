#include "Internal.h"
#include "kelbrin.h"

#include <QDir>

#include <cstring>

namespace kelbrin {

QString FromCodePage(const char* text)
{
    return text ? ::FromCodePage(QByteArrayView(text)) : QString();
}

void FillBuffer(char* buffer, const QByteArray& bytes)
{
    if (!buffer) return;
    const size_t capacity = std::strlen(buffer);
    const size_t n = std::min(capacity, static_cast<size_t>(bytes.size()));
    std::memcpy(buffer, bytes.constData(), n);
    std::memset(buffer + n, ' ', capacity - n);
}

QString LocalPath(const char* text)
{
    QString path = FromCodePage(text);
#ifndef Q_OS_WIN
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return QDir::fromNativeSeparators(path);
}

// Maps one windows-1250 byte onto the byte it stands for in a file-name stem,
// or 0 when the character is dropped.
static char StemCharacter(unsigned char c)
{
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-') return static_cast<char>(c);
    switch (c) {
    case 0xA5:
    case 0xB9:
        return 'A'; // Ą ą
    case 0xC6:
    case 0xE6:
        return 'C'; // Ć ć
    case 0xCA:
    case 0xEA:
        return 'E'; // Ę ę
    case 0xA3:
    case 0xB3:
        return 'L'; // Ł ł
    case 0xD1:
    case 0xF1:
        return 'N'; // Ń ń
    case 0xD3:
    case 0xF3:
        return 'O'; // Ó ó
    case 0x8C:
    case 0x9C:
        return 'S'; // Ś ś
    case 0x8F:
    case 0x9F:
    case 0xAF:
    case 0xBF:
        return 'Z'; // Ź ź Ż ż
    default:
        return 0;
    }
}

} // namespace kelbrin

extern "C" KELBRIN_API void KLNX_TxtToName(char* text)
{
    if (!text) return;
    char* out = text;
    for (const char* in = text; *in; ++in) {
        if (const char c = kelbrin::StemCharacter(static_cast<unsigned char>(*in))) *out++ = c;
    }
    *out = '\0';
}
