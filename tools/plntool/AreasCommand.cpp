// plntool areas FILE.PLN: lists a plan file's area section, one record a
// line: its date and time, kind and flags, and whether it fails to start
// after the record before it.
#include "Command.h"

#include "env/Kelbrin.h"
#include "plan/AreaChain.h"
#include "plan/TimeText.h"

namespace {

QString KindName(uint8_t kind)
{
    const QString label = AreaKindLabel(kind).trimmed();
    return label.isEmpty() ? QStringLiteral("kind %1").arg(kind) : label;
}

QString DateTime(const KelbrinLibrary& lib, int32_t minute)
{
    return DataNaTekst(lib, minute) + QLatin1Char(' ') + MinutyNaGodzine(minute);
}

int Areas(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 1) {
        context.Err << "usage: plntool areas FILE.PLN\n";
        return ExitUsage;
    }
    const auto bytes = ReadInputFile(context, "areas", args.first());
    if (!bytes) return ExitUsage;
    const auto section = DecodeAreaSection(*bytes);
    if (!section) {
        context.Err << "plntool areas: " << args.first() << ": no area section where the plan block puts it\n";
        return ExitRefused;
    }
    const KelbrinLibrary& lib = context.Lib;
    QTextStream& out = context.Out;
    out << "days " << section->DayIndex.size() << " from " << DataNaTekst(lib, section->FirstMinute) << ", end "
        << DateTime(lib, int32_t(section->EndWord)) << ", " << section->Areas.size() << " areas\n";
    int32_t previous = -1;
    for (qsizetype i = 0; i < section->Areas.size(); ++i) {
        const uint32_t word = section->Areas.at(i);
        const int32_t start = AreaStart(word);
        QString line =
            QStringLiteral("%1  %2  %3").arg(i, 6).arg(DateTime(lib, start)).arg(KindName(AreaKindOf(word)), -22);
        if (word & PlanLayout::FirstOfDayBit) line += QStringLiteral(" first");
        if (word & PlanLayout::AfterEarlyEntryBit) line += QStringLiteral(" after-early-entry");
        if (word & 0x80000000u) line += QStringLiteral(" bit31");
        if (start <= previous) line += QStringLiteral("  OVERLAP");
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << '\n';
        previous = start;
    }
    if (section->TrailingBytes) out << "(bytes after the last whole record)\n";
    return ExitOk;
}

const Registration Registered{"areas", "FILE.PLN", "list a plan file's areas: date, time, kind and flags", Areas};

} // namespace
