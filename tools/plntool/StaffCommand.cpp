// plntool staff DATADIR: the employee list as the main window shows it.
#include "Command.h"

#include "env/Environment.h"
#include "staff/ObslugaListy.h"

namespace {

QString JsonString(const QString& text)
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

int Staff(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 1) {
        context.Err << "usage: plntool staff DATADIR\n";
        return ExitUsage;
    }
    Environment env(context.Lib, context.Ui);
    UseDataDirectory(env, args.first());
    EmployeeRows rows;
    if (!WczytajPracownikow(env, rows, StaffHooks{})) return ExitRefused;

    context.Out << '[';
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const EmployeeRow& row = rows.at(i);
        context.Out << (i ? ",\n " : "\n ") << "{\"number\": " << JsonString(row.Number)
                    << ", \"surname\": " << JsonString(row.Surname) << ", \"firstName\": " << JsonString(row.FirstName)
                    << ", \"plan\": " << JsonString(row.Plan) << ", \"group\": " << JsonString(row.Group) << '}';
    }
    context.Out << (rows.isEmpty() ? "]\n" : "\n]\n");
    return ExitOk;
}

const Registration Registered{"staff", "DATADIR",
                              "list the employees of DATADIR/PERSONEL as JSON "
                              "({number, surname, firstName, plan, group} per row)",
                              Staff};

} // namespace
