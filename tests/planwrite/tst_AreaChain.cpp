// The pure steps of a save: checking the schedules, moving them forward and
// expanding the plan into areas, finding overlaps, and reading an area
// section back.
#include "PlanFiles.h"

#include "demo/DemoPlans.h"
#include "plan/TimeText.h"
#include "plan/ZapisPlanuPracy.h"

#include <QTest>

namespace {

// The schedules typed into their fields, slot by slot, separated by ';'.
ScheduleFields Typed(const QString& schedules)
{
    ScheduleFields fields;
    const QStringList typed = schedules.split(u';');
    for (int slot = 0; slot < typed.size(); ++slot)
        TypeSchedule(fields, slot, typed.at(slot));
    return fields;
}

} // namespace

class TestAreaChain : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<QString>("schedules"); // typed, slot by slot, separated by ';'
        // "SLOT.COLUMN=text" typed into a field without leaving it; column 4 = allowance.
        // Slot 4 (the free day) holds no times, so "4.0=" changes nothing.
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("focus"); // the column that takes the focus

        const QString good = QStringLiteral("08:00-16:00 12:00-12:30;22:00-06:00 02:00-02:30;;08:00-16:00 12:00-12:30;;"
                                            "08:00-16:00 12:00-12:30;");
        const int entry = EntryColumn, breakFrom = BreakFromColumn;
        // clang-format off
        QTest::newRow("good schedules") << good << "4.0=" << 0 << -1 << entry;
        QTest::newRow("four-character allowance") << good << "3.4=0:30" << 1 << 3 << entry;
        QTest::newRow("last slot checked") << good << "6.0=1234567" << 1 << 6 << entry;
        QTest::newRow("texts before breaks") << "08:00-16:00 12:00-12:30;08:00-16:00 12:00-" << "6.2=7:00" << 1 << 6 << entry;
        QTest::newRow("break start without end") << good << "3.3=" << 2 << 3 << breakFrom;
        QTest::newRow("break after work") << "08:00-16:00 12:00-12:30;08:00-16:00 17:00-17:30" << "4.0=" << 3 << 1 << breakFrom;
        QTest::newRow("break of no length") << "08:00-16:00 12:00-12:00" << "4.0=" << 3 << 0 << breakFrom;
        QTest::newRow("break past the exit") << "08:00-16:00 15:00-16:01" << "4.0=" << 3 << 0 << breakFrom;
        QTest::newRow("break from entry to exit") << "08:00-16:00 08:00-16:00" << "4.0=" << 0 << -1 << entry;
        QTest::newRow("night break past the exit") << ";;;;;22:00-06:00 06:30-07:00" << "4.0=" << 3 << 5 << breakFrom;
        // clang-format on
    }

    void check()
    {
        QFETCH(QString, schedules);
        QFETCH(QString, raw);
        QFETCH(int, kind);
        QFETCH(int, slot);
        QFETCH(int, focus);
        ScheduleFields fields = Typed(schedules);
        QVERIFY(TypeAllowances(fields, u"00:15 01:00 00:45 00:30"_s.split(u' ')));
        // The text as typed, and the value of the last time the parser accepted.
        const int rawSlot = raw.at(0).digitValue(), column = raw.at(2).digitValue();
        TimeField& field = column == 4 ? fields.Pozostale[rawSlot] : fields.Slots[rawSlot][column];
        field.Text = raw.mid(4);
        const TimeFieldParse parse = ParseTimeField(field.Text);
        field.Value = parse.IsError() ? field.Value : parse.Value;
        RecordingPrompt ui;
        const ScheduleFault fault = SprawdzHarmonogramy(ui, fields);
        QCOMPARE(fault, (ScheduleFault{kind, slot, ScheduleColumn(focus)}));
        QVERIFY(FindScheduleFault(fields) == fault);
        static const QString texts[] = {QString(), u"Sprawdź poprawność wpisu w polu."_s,
                                        u"Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym."_s,
                                        u"Błędny wpis godzin przerw. Godziny przerw nie występują w obszarze pracy."_s};
        QCOMPARE(ui.Texts().join(u'|'), texts[kind]);
        for (const RecordingPrompt::Entry& entry : ui.Entries())
            QCOMPARE(entry.Icon, MessageIcon::Exclamation);
    }

    void expansion_data()
    {
        QTest::addColumn<QString>("shifts");     // slots 0 and 1, separated by ';'
        QTest::addColumn<QString>("allowances"); // earlier entry, overtime, later exit in minutes; -1 empty
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("areas"); // see AreaWords; days counted from the first
        QTest::addColumn<QString>("index");
        QTest::addColumn<int>("overlap"); // index of the first overlapping record, -1 none
        // clang-format off
        QTest::newRow("entry equal to exit: a day-long shift") << "08:00-08:00" << "0 0 0" << "0" << "0 08:00 W*, 1 08:00 N*" << "0 08:00" << -1;
        QTest::newRow("break ending at a midnight exit") << "16:00-00:00 23:00-00:00" << "0 0 0" << "0"
            << "0 16:00 W*, 0 23:00 B, 1 00:00 W, 1 00:00 N*" << "0 16:00" << 3;
        QTest::newRow("free day after a closing entry at its midnight") << "16:00-23:00" << "0 60 0" << "04"
            << "0 16:00 W*, 0 23:00 O, 1 00:00 N, 1 00:01 N*" << "0 16:00, 1 00:01" << -1;
        QTest::newRow("day, free and night slots") << "08:00-16:00 12:00-12:30;22:00-06:00 02:00-02:30" << "30 60 15" << "0410"
            << "0 07:30 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 17:00 P, 0 17:15 N, 1 00:00 N*, "
               "2 21:30 P*, 2 22:00 W+, 3 02:00 B, 3 02:30 W, 3 06:00 O, 3 07:00 P, 3 07:15 N, "
               "3 07:30 P*, 3 08:00 W+, 3 12:00 B, 3 12:30 W, 3 16:00 O, 3 17:00 P, 3 17:15 N*"
            << "0 07:30, 1 00:00, 2 21:30, 3 07:30" << -1;
        QTest::newRow("earlier entry replaces the previous closing entry") << "14:00-22:00;06:00-14:00" << "300 120 60" << "01"
            << "0 09:00 P*, 0 14:00 W+, 0 22:00 O, 1 00:00 P, 1 01:00 P*, 1 06:00 W+, 1 14:00 O, 1 16:00 P, 1 17:00 N*"
            << "0 09:00, 1 01:00" << -1;
        QTest::newRow("earlier entry reaching into the previous day's overtime") << "14:00-22:00;04:00-12:00" << "300 120 60" << "01"
            << "0 09:00 P*, 0 14:00 W+, 0 22:00 O, 1 00:00 P, 0 23:00 P*, 1 04:00 W+, 1 12:00 O, 1 14:00 P, 1 15:00 N*"
            << "0 09:00, 0 23:00" << 4;
        QTest::newRow("zero overtime and later exit") << "08:00-16:00 12:00-12:30" << "15 0 0" << "0"
            << "0 07:45 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 N*" << "0 07:45" << -1;
        // An empty allowance counts as -1 minute in the sums.
        QTest::newRow("empty allowances") << "08:00-16:00 12:00-12:30" << "-1 -1 -1" << "0"
            << "0 08:00 W*, 0 12:00 B, 0 12:30 W, 0 15:58 N*" << "0 08:00" << -1;
        QTest::newRow("break over the whole shift") << "08:00-16:00 08:00-16:00" << "0 0 0" << "0"
            << "0 08:00 W*, 0 08:00 B, 0 16:00 W, 0 16:00 N*" << "0 08:00" << 1;
        // clang-format on
    }

    void expansion()
    {
        QFETCH(QString, shifts);
        QFETCH(QString, allowances);
        QFETCH(QString, days);
        QFETCH(QString, areas);
        QFETCH(QString, index);
        QFETCH(int, overlap);
        ScheduleFields fields = Typed(shifts);
        NormujGodziny(fields);
        constexpr int32_t FirstDay = 100;
        AreaChainInput input;
        for (int slot = 0; slot < 2; ++slot) {
            const auto& row = fields.Slots[slot];
            input.Schedules[slot] = {row[0].Value, row[1].Value, row[2].Value, row[3].Value};
        }
        const QStringList minutes = allowances.split(u' ');
        input.EarlierEntry = minutes.at(0).toInt();
        input.MaxOvertime = minutes.at(1).toInt();
        input.LaterExit = minutes.at(2).toInt();
        input.FirstDay = FirstDay;
        input.LastDay = FirstDay + int32_t(days.size()) - 1;
        for (const QChar c : days)
            input.Slots.append(c.digitValue());

        const AreaChain chain = ExpandSchedulePlan(input);
        QCOMPARE(chain.Areas, AreaWords(areas, FirstDay));
        QCOMPARE(chain.DayIndex, AreaWords(index, FirstDay));
        QCOMPARE(chain.EndWord(), chain.Areas.back() & 0x3ffffff);
        QCOMPARE(int(FindAreaOverlap(chain.Areas).value_or(AreaOverlap{-1}).Index), overlap);
    }

    void decodeSection_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("firstDay"); // of the section
        QTest::addColumn<int>("days");     // 0: nothing decoded

        const QByteArray plan = SchedulePlanFile(10, 11, "04").Build(); // block at 20, day table at 112, section at 114
        PlanFile noStartWord = SchedulePlanFile(10, 11, "04");
        noStartWord.Mark = 84;
        // clang-format off
        QTest::newRow("no start-of-day word") << noStartWord.Build() << 10 << 2;
        QTest::newRow("legacy weekly plan") << WeeklyPlanFile(7, 9, {1, 2, 2, 2, 2, 2, 1}, true).Build() << 7 << 3;
        QTest::newRow("header word 0 off by four") << Patched(plan, 0, Int32At(plan, 0) + 4) << 0 << 0;
        // clang-format on
    }

    void decodeSection()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, firstDay);
        QFETCH(int, days);
        const auto decoded = DecodeAreaSection(file);
        QCOMPARE(decoded.has_value(), days > 0);
        const AreaSection section = decoded.value_or(AreaSection{});
        QVector<int32_t> index;
        QVector<uint32_t> areas;
        for (int32_t day = firstDay; day < firstDay + days; ++day) {
            index.append(day * 1440);
            areas.append(AreaWord(day * 1440, 2, 0x20000000));
        }
        QCOMPARE(section.FirstMinute, firstDay * 1440);
        QCOMPARE(section.DayIndex, index);
        QCOMPARE(section.EndWord, uint32_t(index.value(days - 1)));
        QCOMPARE(section.Areas, areas);
    }
};

QTEST_GUILESS_MAIN(TestAreaChain)
#include "tst_AreaChain.moc"
