// Painting many days at once: shift cycles (presets, brigades, ranges, the
// suite's free days), a repeated week or month, the cycle text, and the
// checks of the slots painted. Every expectation is written out by hand,
// one digit (the slot) per day of the plan.
#include "TestSupport.h"

#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "plan/ShiftCycle.h"

#include <QTest>

struct CycleCase
{
    QVector<int> Cycle;
    const char *First, *From, *To; // days of March 2025 as "dd", or whole dates
    int Offset;
    bool KeepFreeDays;
    const char* Days; // the plan's days afterwards, 1 to 16 March 2025
};
Q_DECLARE_METATYPE(CycleCase)

namespace {

// 1 March 2025 for "01", or a whole date as given.
int32_t Day(const char* given)
{
    const QString text = QString::fromLatin1(given);
    const QDate date = text.size() == 2 ? QDate(2025, 3, text.toInt()) : QDate::fromString(text, Qt::ISODate);
    return DayOfDate(date);
}

// A day table from the first day on with one digit (its slot) per day.
DayTable Table(const QDate& first, const QString& digits)
{
    DayTable table;
    table.Reset(DayOfDate(first), DayOfDate(first) + int32_t(digits.size()) - 1);
    for (int i = 0; i < digits.size(); ++i)
        table.Set(table.FirstDay() + i, digits.at(i).digitValue());
    return table;
}

QString Digits(DayTable table, const DayRun& run)
{
    for (qsizetype i = 0; i < run.Slots.size(); ++i)
        table.Set(run.First + int32_t(i), run.Slots.at(i));
    QString digits;
    for (const int32_t slot : table.Slots())
        digits += QString::number(slot);
    return digits;
}

QVector<int> Preset(int index)
{
    return CyclePresets().at(index).Slots;
}

int Brigade(int preset, int brigade)
{
    return BrigadeOffset(CyclePresets().at(preset), brigade);
}

// A schedule row typed as "hh:mm-hh:mm", or only an entry "hh:mm-".
void SetRow(ScheduleFields& fields, int slot, const QString& entry, const QString& exit)
{
    const auto field = [](const QString& text) {
        return TimeField{text, text.isEmpty() ? -1 : text.left(2).toInt() * 60 + text.mid(3).toInt()};
    };
    fields.Slots[slot][EntryColumn] = field(entry);
    fields.Slots[slot][ExitColumn] = field(exit);
}

} // namespace

class TestShiftCycle : public QObject
{
    Q_OBJECT

private slots:
    void paintCycle_data()
    {
        QTest::addColumn<CycleCase>("c");
        // clang-format off
        QTest::newRow("three shifts, brigade 1") << CycleCase{Preset(0), "01", "01", "16", Brigade(0, 1), false, "0011224400112244"};
        QTest::newRow("three shifts, brigade 2") << CycleCase{Preset(0), "01", "01", "16", Brigade(0, 2), false, "1122440011224400"};
        QTest::newRow("three shifts, brigade 4") << CycleCase{Preset(0), "01", "01", "16", Brigade(0, 4), false, "4400112244001122"};
        QTest::newRow("day night off off, brigade 3") << CycleCase{Preset(1), "01", "01", "16", Brigade(1, 3), false, "4401440144014401"};
        QTest::newRow("five and two, brigade 3") << CycleCase{Preset(2), "01", "01", "16", Brigade(2, 3), false, "0004400000440000"};
        QTest::newRow("six and two, brigade 2") << CycleCase{Preset(3), "01", "01", "16", Brigade(3, 2), false, "0000440000004400"};
        QTest::newRow("range starts mid-cycle") << CycleCase{Preset(0), "01", "04", "10", 0, false, "3331224400333333"};
        QTest::newRow("range crosses the plan's end") << CycleCase{Preset(0), "01", "12", "2025-03-31", 0, false, "3333333333312244"};
        QTest::newRow("cycle started before the plan") << CycleCase{Preset(0), "2025-02-27", "01", "16", 0, false, "1122440011224400"};
        QTest::newRow("cycle starts after the range") << CycleCase{Preset(0), "03", "01", "16", 0, false, "4400112244001122"};
        QTest::newRow("free days kept free") << CycleCase{Preset(0), "01", "01", "16", 0, true, "0041224400112244"};
        QTest::newRow("a cycle of one slot") << CycleCase{{5}, "01", "01", "16", 0, false, "5555555555555555"};
        QTest::newRow("range outside the plan") << CycleCase{Preset(0), "01", "2025-04-01", "2025-04-05", 0, false, "3333333333333333"};
        // clang-format on
    }

    void paintCycle()
    {
        QFETCH(CycleCase, c);
        const DayTable table = Table(QDate(2025, 3, 1), u"3333333333333333"_s);
        // 3 March of every year and 8 March 2025 are free days of the suite.
        const FreeDayList freeDays = FreeDayListOf(
            {{DayOfDate(QDate(2007, 3, 3)) * 1440, u"a"_s, 1}, {DayOfDate(QDate(2025, 3, 8)) * 1440, u"b"_s, 0}});
        const CyclePainting painting{c.Cycle, Day(c.First), c.Offset, Day(c.From), Day(c.To), c.KeepFreeDays};
        const DayRun run = PaintCycle(table, painting, FreeDayMask(freeDays, table.FirstDay(), table.LastDay()));
        QCOMPARE(Digits(table, run), QString::fromLatin1(c.Days));
        QCOMPARE(run.IsEmpty(), qstrcmp(c.Days, "3333333333333333") == 0);
    }

    void repeat_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("month"); // the month of the chosen day, else its week
        QTest::addColumn<QDate>("chosen");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("week, Sunday to Saturday") << QDate(2025, 3, 2) << "012034566666666666666" << false << QDate(2025, 3, 5)
                                                  << "012034501203450120345";
        // The plan starts on a Wednesday: days whose weekday the week lacks keep their slots.
        QTest::newRow("week partly before the plan") << QDate(2025, 3, 5) << "01256043333333" << false << QDate(2025, 3, 8)
                                                     << "01256040125333";
        QTest::newRow("last week: nothing to repeat") << QDate(2025, 3, 2) << "0120345" << false << QDate(2025, 3, 2) << "0120345";
        // February onto March (the 29th to 31st keep theirs) and the first days of April.
        QTest::newRow("month") << QDate(2025, 2, 1)
                               << "0011224001122400112240011224" "5555555555555555555555555555555" "55555" << true << QDate(2025, 2, 14)
                               << "0011224001122400112240011224" "0011224001122400112240011224555" "00112";
        QTest::newRow("month partly before the plan") << QDate(2025, 2, 10)
                               << "0011224001122400112" "5555555555555555555555555555555" << true << QDate(2025, 2, 10)
                               << "0011224001122400112" "5555555550011224001122400112555";
        // clang-format on
    }

    void repeat()
    {
        QFETCH(QDate, first);
        QFETCH(QString, before);
        QFETCH(bool, month);
        QFETCH(QDate, chosen);
        QFETCH(QString, after);
        const DayTable table = Table(first, before);
        const int32_t day = DayOfDate(chosen);
        const DayRun run = month ? RepeatMonth(table, chosen) : RepeatWeek(table, day - WeekdayOf(day));
        QCOMPARE(Digits(table, run), after);
    }

    void parseCycle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // the slots joined, or the reason
        QTest::newRow("blanks") << " 0 0 1 1  2 2 4 4 "
                                << "0 0 1 1 2 2 4 4";
        QTest::newRow("commas, semicolons and runs of digits") << "0,0;1, 12 44"
                                                               << "0 0 1 1 2 4 4";
        QTest::newRow("empty") << " , "
                               << "Wpisz wzór zmian: numery harmonogramów od 0 do 6, np. 0 0 1 1 2 2 4 4.";
        QTest::newRow("slot 7")
            << "0 7"
            << "Wzór zmian może zawierać tylko numery harmonogramów od 0 do 6 (niedozwolony znak: „7”).";
        QTest::newRow("a year of days") << QString(366, u'4') << QStringList(366, u"4"_s).join(u' ');
        QTest::newRow("one day more") << QString(367, u'4') << "Wzór zmian może mieć najwyżej 366 dni.";
    }

    void parseCycle()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QString why;
        const std::optional<QVector<int>> cycle = ParseCycle(text, &why);
        QCOMPARE(cycle ? CycleText(*cycle) : why, expected);
    }

    void mayPaint_data()
    {
        QTest::addColumn<QVector<int>>("painted");
        QTest::addColumn<int>("onFirstDay");
        QTest::addColumn<QString>("message");
        const QString incomplete =
            u"say Exclamation Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram jest niepełny, "
            "sprawdź czy został zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina występowania przerwy."_s;
        const QString epoch =
            u"say Critical Poczatek okresu wejść wypda przed 01-01-2000./Zapis planu pracy niemżliwy."_s;
        QTest::newRow("complete and free") << QVector<int>{0, 4} << -1 << "";
        QTest::newRow("no exit") << QVector<int>{0, 1} << -1 << incomplete;
        QTest::newRow("no entry") << QVector<int>{3} << -1 << incomplete;
        QTest::newRow("the free day needs no times") << QVector<int>{4} << 4 << "";
        QTest::newRow("1 January 2000, entry window inside it") << QVector<int>{0} << 0 << "";
        QTest::newRow("1 January 2000, entry window before it") << QVector<int>{2} << 2 << epoch;
        QTest::newRow("that slot on other days only") << QVector<int>{2} << -1 << "";
        QTest::newRow("incomplete before the first day") << QVector<int>{1, 2} << 2 << incomplete;
    }

    void mayPaint()
    {
        QFETCH(QVector<int>, painted);
        QFETCH(int, onFirstDay);
        QFETCH(QString, message);
        ScheduleFields fields;
        SetRow(fields, 0, u"08:00"_s, u"16:00"_s);
        SetRow(fields, 1, u"08:00"_s, QString());
        SetRow(fields, 2, u"00:10"_s, u"08:10"_s);
        SetRow(fields, 3, QString(), u"16:00"_s);
        fields.Pozostale[EarlierEntry] = {u"00:30"_s, 30};
        RecordingPrompt ui;
        QCOMPARE(MayPaintSlots(ui, fields, painted, onFirstDay), message.isEmpty());
        QCOMPARE(TakePromptLines(ui).join(u'|'), message);
    }
};

QTEST_GUILESS_MAIN(TestShiftCycle)
#include "tst_ShiftCycle.moc"
