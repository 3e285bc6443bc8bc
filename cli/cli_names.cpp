// The command-line tool's hidden name lists, which the bash completion reads so that it offers
// exactly the names the tool takes.
#include "cli_tool.h"

#include "config_document.h"
#include "curves.h"

int CliTool::listNames(const QString& command, const QString& which)
{
    if (command == QLatin1String("curves")) {
        for (CurveKind kind : kCurveKinds)
            m_out << curveKindName(kind) << '\n';
    } else {
        if (!which.isEmpty() && which != QLatin1String("writable"))
            return usageError(QStringLiteral("fields lists every field, or with 'writable' "
                                             "those a document or set may name, not '%1'")
                                  .arg(which));
        int count = 0;
        const FieldDef* table = fieldTable(&count);
        for (int i = 0; i < count; ++i)
            if (which.isEmpty() || documentMayName(table[i]))
                m_out << table[i].name << '\n';
    }
    m_out.flush();
    return kExitOk;
}
