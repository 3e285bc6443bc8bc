// The serial port the user chose, remembered between runs.
#include "port_choice.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const char kPortKey[] = "controller/port";

} // namespace

QString rememberedPort()
{
    return QSettings().value(QLatin1String(kPortKey)).toString();
}

void rememberPort(const QString& port)
{
    if (port.isEmpty())
        QSettings().remove(QLatin1String(kPortKey));
    else
        QSettings().setValue(QLatin1String(kPortKey), port);
}

QStringList portsToSearch()
{
    const QString port = rememberedPort();
    // An adapter unplugged since: searching everything beats failing on a name that is gone.
    if (port.isEmpty() || !QFileInfo::exists(port))
        return {};
    return {port};
}
