// norvel-controller entry point.
#include "cnorvelcontrollerapp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvel Controller"));
    QApplication::setApplicationVersion(QStringLiteral("4.6.0"));
    QApplication::setOrganizationName(QStringLiteral("Norvel"));
    CNorvelControllerApp program;
    return program.run(app);
}
