// The serial port the user chose in the professional view, remembered between runs for every
// mode that opens a controller.
#pragma once

#include <QString>
#include <QStringList>

// The port chosen last, as the user picked it (its stable name where it has one); empty for
// "search all ports".
QString rememberedPort();
void rememberPort(const QString& port);
// The ports a start searches when the command line names none: the remembered one while it
// is still there, else every port (empty).
QStringList portsToSearch();
