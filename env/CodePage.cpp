#include "env/CodePage.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The code page as two tables, made once from the system's converter: the
// character of every byte, and the byte of every character above 0x7F,
// sorted for lookup. Converting through them needs no converter per text.
struct Tables
{
    std::array<char16_t, 256> Characters{};
    std::array<std::pair<char16_t, uint8_t>, 128> Bytes{};
    int ByteCount = 0;

    Tables()
    {
        QStringDecoder decoder("windows-1250");
        for (int byte = 0; byte < 256; ++byte) {
            const char raw = char(byte);
            const QString text = decoder.decode(QByteArrayView(&raw, 1));
            decoder.resetState();
            // A byte the code page leaves undefined reads as the replacement character.
            Characters[byte] = text.size() == 1 ? text.at(0).unicode() : char16_t(0xFFFD);
            if (byte >= 0x80 && Characters[byte] != 0xFFFD) Bytes[ByteCount++] = {Characters[byte], uint8_t(byte)};
        }
        std::sort(Bytes.begin(), Bytes.begin() + ByteCount);
    }

    // The byte of a character; -1 when the code page has none.
    int ByteOf(char16_t c) const
    {
        if (c < 0x80) return c;
        const auto end = Bytes.begin() + ByteCount;
        const auto found = std::lower_bound(Bytes.begin(), end, std::pair<char16_t, uint8_t>(c, 0));
        return found != end && found->first == c ? found->second : -1;
    }
};

const Tables& CodePage()
{
    static const Tables tables;
    return tables;
}

} // namespace

QByteArray ToCodePage(const QString& text)
{
    const Tables& page = CodePage();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int byte = page.ByteOf(c.unicode());
        *out++ = byte < 0 ? UnmappableByte : char(byte);
    }
    return bytes;
}

QString FromCodePage(QByteArrayView bytes)
{
    const Tables& page = CodePage();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(page.Characters[uint8_t(byte)]);
    return text;
}

bool FitsCodePage(const QString& text)
{
    const Tables& page = CodePage();
    return std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return page.ByteOf(c.unicode()) >= 0; });
}
