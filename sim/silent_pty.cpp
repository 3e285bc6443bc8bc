// A pseudo-terminal on which nothing answers: a serial port without a controller behind it.
#include "silent_pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

SilentPty::~SilentPty()
{
    close();
}

bool SilentPty::open(QString* error)
{
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    const char* name = nullptr;
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        (name = ptsname(m_master)) == nullptr) {
        if (error)
            *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return true;
}

void SilentPty::close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}
