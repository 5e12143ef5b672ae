#include "env/CodePage.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The characters of the bytes 0x80..0xFF. The five bytes the code page
// leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand for the control
// characters of their own number, as the system's converters read them.
constexpr std::array<char16_t, 128> UpperHalf{
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // 0xF8
};

// The code page as two tables: the character of every byte, and the byte of
// every character above 0x7F, sorted for lookup. They are made from the
// table above, so that no converter (and none of the system's converter
// data) is needed at all.
struct Tables
{
    std::array<char16_t, 256> Characters{};
    std::array<std::pair<char16_t, uint8_t>, 128> Bytes{};

    Tables()
    {
        for (int byte = 0; byte < 0x80; ++byte)
            Characters[size_t(byte)] = char16_t(byte);
        for (size_t i = 0; i < UpperHalf.size(); ++i) {
            Characters[0x80 + i] = UpperHalf[i];
            Bytes[i] = {UpperHalf[i], uint8_t(0x80 + i)};
        }
        std::sort(Bytes.begin(), Bytes.end());
    }

    // The byte of a character; -1 when the code page has none.
    int ByteOf(char16_t c) const
    {
        if (c < 0x80) return c;
        const auto found = std::lower_bound(Bytes.begin(), Bytes.end(), std::pair<char16_t, uint8_t>(c, 0));
        return found != Bytes.end() && found->first == c ? found->second : -1;
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
