// Employee records assembled byte by byte for the staff tests, independent of
// the program's own encoder.
#pragma once

#include "TestSupport.h"

#include "env/CodePage.h"

#include <QDir>
#include <QList>
#include <QMap>
#include <QPair>

#include <optional>
#include <utility>

using Entry = QPair<int32_t, int16_t>; // key, card number

struct RecordBytes
{
    QString Surname, FirstName, Plan = u"****"_s;
    std::optional<QString> Group;
    QList<Entry> Entries;
    int16_t HeaderWord = 0x1234;
    std::optional<int32_t> DataStart; // the honest one when not set
    QByteArray Tail;                  // bytes after the entries

    QByteArray Bytes() const
    {
        const auto text = [](const QString& text, char mask) {
            QByteArray bytes = ToCodePage(text);
            for (char& c : bytes)
                c = char(c ^ mask);
            return bytes + '\0';
        };
        QByteArray texts = text(Surname, 0x5E) + text(FirstName, 0x5E) + text(Plan, 0);
        if (Group) texts += text(*Group, 0x5E);
        QByteArray bytes;
        AppendInt32(bytes, DataStart.value_or(int32_t(6 + texts.size() + 1)));
        AppendInt16(bytes, HeaderWord);
        bytes += texts;
        for (const Entry& entry : Entries) {
            AppendInt32(bytes, entry.first);
            AppendInt16(bytes, entry.second);
        }
        return bytes + Tail;
    }
    RecordBytes With(QList<Entry> entries, QByteArray tail = {}, std::optional<int32_t> dataStart = {}) const
    {
        RecordBytes record = *this;
        record.Entries = std::move(entries);
        record.Tail = std::move(tail);
        record.DataStart = dataStart;
        return record;
    }
};

// A well-formed record whose one card entry carries number.
inline RecordBytes Employee(const QString& surname, const QString& firstName, int number,
                            const QString& plan = u"****"_s, std::optional<QString> group = {})
{
    return {surname, firstName, plan, std::move(group), {{7'000'000 + number, int16_t(number)}}, 0x1234, {}, {}};
}

// A personnel folder: file name -> contents.
using Folder = QMap<QString, QByteArray>;

inline bool WriteFolder(const QString& folder, const Folder& files)
{
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (!WriteFile(QDir(folder).filePath(file.key()), file.value())) return false;
    }
    return true;
}

// count records NOWAK.001.. with card numbers 1..count.
inline Folder Nowaks(int count)
{
    Folder files;
    for (int number = 1; number <= count; ++number)
        files[u"NOWAK.%1"_s.arg(number, 3, 10, QChar(u'0'))] = Employee(u"Nowak"_s, u"Jan"_s, number).Bytes();
    return files;
}
