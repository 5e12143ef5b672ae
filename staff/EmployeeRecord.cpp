#include "staff/EmployeeRecord.h"

#include "env/CodePage.h"
#include "env/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

// The text from offset up to the first 0 byte (or the end of the file);
// offset moves past the 0 byte.
QByteArray TextAt(const QByteArray& bytes, qsizetype& offset)
{
    if (offset >= bytes.size()) return {};
    const char* begin = bytes.constData() + offset;
    const void* zero = std::memchr(begin, 0, size_t(bytes.size() - offset));
    const qsizetype length = zero ? static_cast<const char*>(zero) - begin : bytes.size() - offset;
    offset += zero ? length + 1 : length;
    return QByteArray(begin, length);
}

} // namespace

int64_t EntryCountFor(int64_t length, int64_t dataStart)
{
    const int64_t difference = length - dataStart;
    int64_t quotient = difference / CardEntrySize;
    int64_t remainder = difference % CardEntrySize;
    if (remainder < 0) { // floor division
        remainder += CardEntrySize;
        --quotient;
    }
    const int64_t half = CardEntrySize / 2;
    if (remainder > half || (remainder == half && quotient % 2 != 0)) ++quotient;
    return quotient;
}

EmployeeRecord ParseEmployeeRecord(const QByteArray& bytes)
{
    const ByteReader in(bytes);
    EmployeeRecord record;
    record.Length = bytes.size();
    record.DataStart = in.Int32(0);
    record.HeaderWord = in.Int16(4);
    qsizetype offset = 6;
    record.Surname = Scrambled(TextAt(bytes, offset));
    record.FirstName = Scrambled(TextAt(bytes, offset));
    record.Plan = TextAt(bytes, offset);
    record.PlanEnd = offset;
    // Reading never moves past the end of the file.
    const qsizetype reached = std::min(offset, bytes.size());
    if (reached + 1 != record.DataStart) {
        record.Group = Scrambled(TextAt(bytes, offset));
        record.GroupRead = true;
    }
    record.EntryCount = EntryCountFor(record.Length, record.DataStart);
    return record;
}

bool ReadCardEntries(const QByteArray& bytes, const EmployeeRecord& record, CardEntries& entries)
{
    entries.clear();
    if (record.DataStart < 1 || record.EntryCount < 0) return false;
    // DataStart >= 1 keeps the count within the file's size: at most
    // (Length - 1) / 6 rounded up.
    entries.resize(qsizetype(record.EntryCount));
    const ByteReader in(bytes);
    qsizetype offset = qsizetype(record.DataStart) - 1;
    for (CardEntry& entry : entries) {
        entry[0] = in.Int32(offset);
        entry[1] = in.Int16(offset + 4);
        offset += CardEntrySize;
    }
    return true;
}

int16_t NumerPracownika(CardEntries& entries, int last)
{
    // The suite orders the entries by passes of adjacent exchanges, made only
    // where the later key is strictly greater: entries with equal keys never
    // pass each other. That is a stable sort in descending order of key.
    const auto end = entries.begin() + last + 1;
    std::stable_sort(entries.begin(), end, [](const CardEntry& a, const CardEntry& b) { return a[0] > b[0]; });
    return static_cast<int16_t>(entries[last][1]);
}

QByteArray Scrambled(QByteArray text)
{
    for (char& c : text)
        c = static_cast<char>(c ^ ScrambleMask);
    return text;
}

QByteArray EncodeEmployeeRecord(int16_t headerWord, const QByteArray& surname, const QByteArray& firstName,
                                const QByteArray& plan, const QByteArray& group, const CardEntries& entries)
{
    const qsizetype textsLength =
        surname.size() + 1 + firstName.size() + 1 + plan.size() + 1 + (group.isEmpty() ? 0 : group.size() + 1);
    const int32_t dataStart = int32_t(6 + textsLength + 1);
    ByteWriter out(dataStart - 1 + entries.size() * CardEntrySize);
    out.Int32(dataStart);
    out.Int16(headerWord);
    out.Text(Scrambled(surname));
    out.Text(Scrambled(firstName));
    out.Text(plan);
    if (!group.isEmpty()) out.Text(Scrambled(group));
    for (const CardEntry& entry : entries) {
        out.Int32(entry[0]);
        out.Int16(int16_t(entry[1]));
    }
    return out.Take();
}
