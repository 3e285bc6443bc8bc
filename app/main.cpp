// norvel-controller entry point.
#include "cnorvelcontrollerapp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const int code = CNorvelControllerApp::answerWithoutWindow(argc, argv); code >= 0)
        return code;
    const std::unique_ptr<QApplication> app = CNorvelControllerApp::openWindowSystem(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvel Controller"));
    QApplication::setApplicationVersion(QStringLiteral(NORVEL_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Norvel"));
    CNorvelControllerApp program;
    return program.run(*app);
}
