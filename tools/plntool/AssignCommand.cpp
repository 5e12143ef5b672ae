// plntool assign DATADIR PLAN NUMBER...: assigns a plan to employees, as the
// window's "Przydziel" does for the rows selected in the list.
#include "Command.h"

#include "env/Environment.h"
#include "staff/ObslugaListy.h"
#include "staff/Przydziel.h"

#include <QFileInfo>

#include <algorithm>

namespace {

const QString PlanSuffix = QStringLiteral(".PLN");

int Assign(PlntoolContext& context, const QStringList& args)
{
    if (args.size() < 3) {
        context.Err << "usage: plntool assign DATADIR PLAN NUMBER...\n";
        return ExitUsage;
    }
    Environment env(context.Lib, context.Ui);
    UseDataDirectory(env, args.at(0));

    // The plan box offers the plans of PLANY and "<BRAK>", with each plan
    // spelt as its file is.
    QString plan = args.at(1).trimmed();
    if (plan != NoPlanText) {
        const QString path = RecordPath(env.PlansDir(), plan + PlanSuffix);
        if (path.isEmpty()) {
            context.Err << "plntool: there is no plan " << plan << " in " << env.PlansDir() << '\n';
            return ExitUsage;
        }
        plan = QFileInfo(path).fileName().chopped(PlanSuffix.size());
    }

    QList<int> numbers;
    for (const QString& text : args.mid(2)) {
        bool ok = false;
        const int number = text.toInt(&ok);
        if (!ok || number < 1 || number > 999) {
            context.Err << "plntool: not a card number: " << text << '\n';
            return ExitUsage;
        }
        numbers.append(number);
    }

    EmployeeRows rows;
    if (!WczytajPracownikow(env, rows, StaffHooks{})) return ExitRefused;

    QList<int> selected;
    for (const int number : numbers) {
        const auto found = std::find_if(rows.cbegin(), rows.cend(),
                                        [&](const EmployeeRow& row) { return row.Number.toInt() == number; });
        if (found == rows.cend()) {
            context.Err << "plntool: no employee has the card number " << NumerNaTekst(number) << '\n';
            return ExitUsage;
        }
        selected.append(int(found - rows.cbegin()));
    }

    const QVector<AssignmentOutcome> outcomes =
        PrzydzielPlan(env, rows, ZaznaczWybranych(int(rows.size()), selected), plan, StaffHooks{});
    bool allAssigned = true;
    for (const AssignmentOutcome& outcome : outcomes) {
        const EmployeeRow& row = rows.at(outcome.Row);
        context.Out << row.Number << ' ' << row.Surname << ' ' << row.FirstName << ": ";
        switch (outcome.Result) {
        case AssignmentResult::Assigned:
            context.Out << "assigned " << row.Plan << '\n';
            break;
        case AssignmentResult::Deleted:
            context.Out << "no longer in the folder\n";
            allAssigned = false;
            break;
        case AssignmentResult::Failed:
            // The system's reason when a file operation gave one.
            context.Out << "failed"
                        << (outcome.Fault.IsFault() ? QStringLiteral(": ") + FileFaultText(outcome.Fault) : QString())
                        << '\n';
            allAssigned = false;
            break;
        }
    }
    return allAssigned ? ExitOk : ExitRefused;
}

const Registration Registered{"assign", "DATADIR PLAN NUMBER...",
                              "assign PLAN (a plan of DATADIR/PLANY or <BRAK>) to the employees with these card "
                              "numbers; one result line per employee",
                              Assign};

} // namespace
