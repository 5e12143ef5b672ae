#include "Internal.h"
#include "kelbrin.h"

#include "env/OdczytZapisPliku.h"

#include <QtEndian>

#include <optional>

// A plan file starts with a 20-byte header whose word 0 holds the offset of
// the first area record. The plan record follows: 88 bytes in the current
// layout (format mark at file offset 24 of 84, -84, 88 or -88; a start-of-day
// word follows when the mark is +-88), 54 bytes in the older layout. Then comes
// the day table (one byte per day, or seven weekday bytes) and right after it
// the area section: its length word (count * 4 + 8), the first-minute word,
// one index word per day, the end word, then the area records.

namespace {

enum Status : uint8_t { Ok = 0, Unreadable = 1, Damaged = 2 };

constexpr qint64 HeaderSize = 20;
constexpr qint64 CurrentRecordEnd = 108;
constexpr qint64 LegacyRecordEnd = 74;
constexpr int32_t MaxDay = 18500;

class Reader
{
public:
    explicit Reader(DataFile& file) : m_file(file) {}

    std::optional<int32_t> Int32At(qint64 offset)
    {
        char bytes[4];
        if (offset < 0 || !m_file.Seek(offset) || m_file.Read(bytes, 4) != 4) return std::nullopt;
        return qFromLittleEndian<qint32>(bytes);
    }
    std::optional<uint8_t> ByteAt(qint64 offset)
    {
        char byte = 0;
        if (offset < 0 || !m_file.Seek(offset) || m_file.Read(&byte, 1) != 1) return std::nullopt;
        return static_cast<uint8_t>(byte);
    }

private:
    DataFile& m_file;
};

// Offset of the area section, or nothing when the plan record is damaged.
std::optional<qint64> AreaSectionOffset(Reader& in, qint64 size)
{
    const auto mark = in.Int32At(24);
    if (!mark) return std::nullopt;
    if (*mark == 84 || *mark == -84 || *mark == 88 || *mark == -88) {
        if (size < CurrentRecordEnd) return std::nullopt;
        const auto recordLength = in.Int32At(HeaderSize);
        if (!recordLength || *recordLength < 88 + 1 || *recordLength > 88 + MaxDay + 1) return std::nullopt;
        const qint64 dayTable = CurrentRecordEnd + ((*mark == 88 || *mark == -88) ? 4 : 0);
        return dayTable + (*recordLength - 88);
    }
    const auto flags = in.ByteAt(HeaderSize + 45);
    if (!flags) return std::nullopt;
    if ((*flags & 1) == 0) return LegacyRecordEnd + 7; // weekly plan: seven weekday bytes
    const auto first = in.Int32At(HeaderSize + 46);
    const auto last = in.Int32At(HeaderSize + 50);
    if (!first || !last || *first < 0 || *last > MaxDay || *last < *first) return std::nullopt;
    return LegacyRecordEnd + (qint64(*last) - *first + 1);
}

} // namespace

extern "C" KELBRIN_API uint8_t KLNX_GetPlanRange(const char* file, int32_t* first, int32_t* last)
{
    if (!file || !*file) return Unreadable;
    const QString path = kelbrin::LocalPath(file);
    // Only a regular file is read (through the program's file layer): a
    // folder cannot be, and opening a pipe or a device could wait for ever.
    DataFile f;
    if (f.Open(path, FileAccess::Read) != OpenStatus::Opened) return Unreadable;
    const qint64 size = f.Size();
    Reader in(f);
    const auto firstArea = in.Int32At(0);
    if (!firstArea) return size < 4 ? Damaged : Unreadable;
    const auto section = AreaSectionOffset(in, size);
    if (!section) return Damaged;
    const auto length = in.Int32At(*section);
    const auto firstMinute = in.Int32At(*section + 4);
    if (!length || !firstMinute || *length < 12 || (*length - 8) % 4 != 0) return Damaged;
    // The section is framed right when the first area record lies just past
    // the end word, where header word 0 says it does.
    const qint64 endWord = *section + *length;
    if (endWord + 4 != *firstArea || *firstArea > size) return Damaged;
    const auto end = in.Int32At(endWord);
    if (!end) return Damaged;
    if (first) *first = *firstMinute;
    if (last) *last = *end & 0x3ffffff;
    return Ok;
}
