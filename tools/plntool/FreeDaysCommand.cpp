// plntool wolne DATADIR [--add-holidays YEAR]... [--remove YYYY-MM-DD]...:
// the suite's free-days list (DATADIR/PLANY/WOLNE.DAT) as JSON, after the
// changes asked for, made in the order given:
//
// {"entries": [{"date": "YYYY-MM-DD", "recurring": true|false, "description"}],
//  "added": N, "removed": N, "saved": true|false}
//
// --add-holidays adds the public holidays of a year that the list lacks (as
// the editor's "Dodaj święta ustawowe…" does); --remove removes the entry
// that makes a day free: its one-year entry, else the recurring entry of its
// month and day. Everything runs under the free-days lock; the file is
// written only when it changes, in one step.
#include "Command.h"

#include "env/Environment.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDaysDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const Usage = "usage: plntool wolne DATADIR [--add-holidays YEAR]... [--remove YYYY-MM-DD]...\n";

// One change of the list: a year's holidays to add, or a day to free no more.
struct Change
{
    int Year = 0;
    QDate Removed;
};

std::optional<QVector<Change>> ParseChanges(const QStringList& args)
{
    QVector<Change> changes;
    for (qsizetype i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return std::nullopt;
        const QString& value = args.at(i + 1);
        Change change;
        if (args.at(i) == QLatin1String("--add-holidays")) {
            bool ok = false;
            change.Year = value.toInt(&ok);
            if (!ok || change.Year < FirstFreeDayDate.year() || change.Year > LastFreeDayDate.year())
                return std::nullopt;
        } else if (args.at(i) == QLatin1String("--remove")) {
            change.Removed = DateArgument(value);
            if (!change.Removed.isValid()) return std::nullopt;
        } else {
            return std::nullopt;
        }
        changes.append(change);
    }
    return changes;
}

QJsonArray EntriesJson(const FreeDaysDocument& doc)
{
    QJsonArray entries;
    for (const FreeDayEntry& entry : doc.Entries) {
        entries.append(QJsonObject{{QStringLiteral("date"), entry.Date.toString(Qt::ISODate)},
                                   {QStringLiteral("recurring"), entry.Recurring},
                                   {QStringLiteral("description"), entry.Description}});
    }
    return entries;
}

int FreeDays(PlntoolContext& context, const QStringList& args)
{
    const std::optional<QVector<Change>> changes = args.isEmpty() ? std::nullopt : ParseChanges(args);
    if (!changes) {
        context.Err << Usage;
        return ExitUsage;
    }
    Environment env(context.Lib, context.Ui);
    SuiteFreeDays freeDays;
    if (!UseDataDirectoryForWriting(context, "wolne", env, args.first())) return ExitUsage;
    FreeDaysDocument doc;
    if (!OpenFreeDaysForEditing(env, freeDays, doc)) return ExitRefused;
    int added = 0;
    int removed = 0;
    for (const Change& change : *changes) {
        if (change.Year != 0) {
            added += int(AddPublicHolidays(doc, change.Year).size());
        } else if (RemoveFreeDay(doc, change.Removed)) {
            ++removed;
        } else {
            // Nothing is written when a change cannot be made.
            env.Ui.ShowMessage(MessageIcon::Exclamation,
                               QStringLiteral("Dnia %1 nie ma na liście dni wolnych.")
                                   .arg(change.Removed.toString(QStringLiteral("dd-MM-yyyy"))));
            CloseFreeDays(env, freeDays);
            return ExitRefused;
        }
    }
    const bool modified = doc.Modified();
    const bool saved = modified && SaveFreeDays(env, freeDays, doc);
    CloseFreeDays(env, freeDays);
    if (modified && !saved) return ExitUsage;
    const QJsonObject result{{QStringLiteral("entries"), EntriesJson(doc)},
                             {QStringLiteral("added"), added},
                             {QStringLiteral("removed"), removed},
                             {QStringLiteral("saved"), saved}};
    context.Out << QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented));
    return ExitOk;
}

const Registration Registered{"wolne", "DATADIR [--add-holidays YEAR]... [--remove YYYY-MM-DD]...",
                              "print the free-days list of DATADIR/PLANY/WOLNE.DAT as JSON, after adding a year's "
                              "public holidays or removing days, under the free-days lock",
                              FreeDays};

} // namespace
