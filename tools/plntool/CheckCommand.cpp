// plntool check FILE.PLN: exits 0 only for a plan the readers accept whose
// areas all start after the one before and whose area section is exactly
// what the plan writers make of the plan it stores (the whole-plan check);
// otherwise says why on stderr ("damaged" and the day of the first entry
// that differs) and exits 1.
#include "Command.h"

#include "env/Kelbrin.h"
#include "plan/AreaChain.h"
#include "plan/PlanDecoder.h"
#include "plan/PlanIntegrity.h"
#include "plan/TimeText.h"

namespace {

int Check(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 1) {
        context.Err << "usage: plntool check FILE.PLN\n";
        return ExitUsage;
    }
    const auto file = ReadInputFile(context, "check", args.first());
    if (!file) return ExitRefused;
    const QByteArray& bytes = *file;
    const QString prefix = QStringLiteral("plntool check: ") + args.first() + QStringLiteral(": ");
    const DecodedPlan plan = DecodePlan(bytes);
    if (!plan.Ok()) {
        context.Err << prefix << "not a readable plan: " << DamageText(plan.Damage) << " (at byte " << plan.DamageOffset
                    << ")\n";
        return ExitRefused;
    }
    const auto section = DecodeAreaSection(bytes);
    if (!section) {
        context.Err << prefix << "no area section where the plan block puts it\n";
        return ExitRefused;
    }
    if (section->TrailingBytes) {
        context.Err << prefix << "bytes after the last whole area record\n";
        return ExitRefused;
    }
    if (section->Areas.isEmpty()) {
        context.Err << prefix << "no area records\n";
        return ExitRefused;
    }
    if (const auto overlap = FindAreaOverlap(section->Areas)) {
        QString message = AreaOverlapMessage(context.Lib, overlap->Word);
        message.replace(QChar(13), QLatin1Char(' '));
        context.Err << prefix << "area " << overlap->Index << ": " << message << '\n';
        return ExitRefused;
    }
    if (const auto difference = CheckWholePlan(bytes)) {
        context.Err << prefix << "damaged: " << difference->What;
        if (difference->Day)
            context.Err << " (day " << DataNaTekst(context.Lib, *difference->Day * MinutesPerDay) << ')';
        context.Err << '\n';
        return ExitRefused;
    }
    context.Out << args.first() << ": " << section->Areas.size() << " areas, rising, as the writer makes them\n";
    return ExitOk;
}

const Registration Registered{"check", "FILE.PLN",
                              "exit 0 for a readable plan whose areas follow one another as the writer makes them, "
                              "else 1",
                              Check};

} // namespace
