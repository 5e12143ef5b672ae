// plntool staff DATADIR: the employee list as the main window shows it.
#include "Command.h"

#include "env/ProgramState.h"
#include "staff/ObslugaListy.h"

namespace {

QString jsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

int staff(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 1) {
        context.Err << "usage: plntool staff DATADIR\n";
        return ExitUsage;
    }
    ProgramState state(context.Lib, context.Ui);
    UseDataDirectory(state, args.first());
    EmployeeRows rows;
    if (!WczytajPracownikow(state, rows, StaffHooks{})) return ExitRefused;

    context.Out << '[';
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const EmployeeRow& row = rows.at(i);
        context.Out << (i ? ",\n " : "\n ") << "{\"number\": " << jsonString(row.Number)
                    << ", \"surname\": " << jsonString(row.Surname) << ", \"firstName\": " << jsonString(row.FirstName)
                    << ", \"plan\": " << jsonString(row.Plan) << ", \"group\": " << jsonString(row.Group) << '}';
    }
    context.Out << (rows.isEmpty() ? "]\n" : "\n]\n");
    return ExitOk;
}

const Registration registration{"staff", "DATADIR",
                                "list the employees of DATADIR/PERSONEL as JSON "
                                "({number, surname, firstName, plan, group} per row)",
                                staff};

} // namespace
