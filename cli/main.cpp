// norvelctl entry point.
#include "cli_tool.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    // Drawing a picture needs fonts and painting, never a display: the other commands stay on
    // the core library alone.
    bool drawing = false;
    for (int i = 1; i < argc; ++i)
        drawing = drawing || std::strcmp(argv[i], "plot") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (drawing) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("norvelctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.6.0"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CliTool tool(out, err, in);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return tool.run(args);
}
