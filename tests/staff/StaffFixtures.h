// Employee records assembled byte by byte for the staff tests, independent of
// the program's own encoder.
#pragma once

#include "TestSupport.h"

#include "env/CodePage.h"

#include <QDir>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

using Entry = QPair<int32_t, int16_t>; // key, card number

inline QByteArray MaskedText(const QString& text)
{
    QByteArray bytes = ToCodePage(text);
    for (char& c : bytes)
        c = char(c ^ 0x5E);
    return bytes + '\0';
}

inline QByteArray PlainText(const QString& text)
{
    return ToCodePage(text) + '\0';
}

struct RecordBytes
{
    QString Surname;
    QString FirstName;
    QString Plan = QStringLiteral("****");
    std::optional<QString> Group;
    QList<Entry> Entries;
    int16_t HeaderWord = 0x1234;
    std::optional<int32_t> DataStart; // the honest one when not set
    QByteArray Tail;                  // bytes after the entries

    QByteArray Texts() const
    {
        QByteArray texts = MaskedText(Surname) + MaskedText(FirstName) + PlainText(Plan);
        if (Group) texts += MaskedText(*Group);
        return texts;
    }
    QByteArray Bytes() const
    {
        const QByteArray texts = Texts();
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
};

// A well-formed record whose one card entry carries number.
inline RecordBytes Employee(const QString& surname, const QString& firstName, int number,
                            const QString& plan = QStringLiteral("****"), std::optional<QString> group = {})
{
    RecordBytes record;
    record.Surname = surname;
    record.FirstName = firstName;
    record.Plan = plan;
    record.Group = group;
    record.Entries = {{7'000'000 + number, int16_t(number)}};
    return record;
}

inline bool WriteRecord(const QString& folder, const QString& name, const QByteArray& bytes)
{
    return WriteFile(QDir(folder).filePath(name), bytes);
}
