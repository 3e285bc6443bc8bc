// norvelctl entry point.
#include "cli_tool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvelctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.6.0"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CliTool tool(out, err, in);
    QStringList args = app.arguments();
    args.removeFirst();
    return tool.run(args);
}
