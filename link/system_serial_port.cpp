// Serial port backend on QSerialPort, used against real devices and the simulator's pty.
#include "system_serial_port.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QThread>

#include <cerrno>
#include <sys/file.h>

const char* openErrorName(OpenError error)
{
    switch (error) {
    case OpenError::None:
        return "none";
    case OpenError::NotFound:
        return "absent";
    case OpenError::NoPermission:
        return "no permission";
    case OpenError::Busy:
        return "busy";
    case OpenError::Other:
        return "error";
    }
    return "error";
}

namespace {

class SystemClock : public LinkClock
{
public:
    SystemClock() { m_timer.start(); }
    std::int64_t nowMs() override { return m_timer.elapsed(); }
    void sleepMs(int ms) override
    {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
    }

private:
    QElapsedTimer m_timer;
};

} // namespace

LinkClock& systemClock()
{
    static SystemClock clock;
    return clock;
}

SystemSerialPort::SystemSerialPort() : m_port(std::make_unique<QSerialPort>()) {}

SystemSerialPort::~SystemSerialPort()
{
    close();
}

OpenError SystemSerialPort::open(const QString& path, QString* detail)
{
    close();
    m_port->setPortName(path);
    if (m_port->open(QIODevice::ReadWrite)) {
        // Two programs on one device interleave their frames. The exclusive mode Qt sets does
        // not hold back root, and its lock file goes by the name: this lock goes with the
        // device, whatever name it was opened by.
        if (::flock(static_cast<int>(m_port->handle()), LOCK_EX | LOCK_NB) == 0 ||
            errno != EWOULDBLOCK)
            return OpenError::None;
        m_port->close();
        if (detail)
            *detail = QStringLiteral("in use by another program");
        return OpenError::Busy;
    }
    if (detail)
        *detail = m_port->errorString();
    const QFileInfo info(path);
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return OpenError::NotFound;
    case QSerialPort::PermissionError:
        // Qt reports a device held by another program as a permission error too; the file's
        // own permissions tell the two apart.
        if (!info.exists())
            return OpenError::NotFound;
        return (info.isReadable() && info.isWritable()) ? OpenError::Busy : OpenError::NoPermission;
    default:
        return info.exists() ? OpenError::Other : OpenError::NotFound;
    }
}

QStringList SystemSerialPort::configure()
{
    QStringList failed;
    if (!m_port->isOpen())
        return {"open"};
    if (!m_port->setBaudRate(QSerialPort::Baud19200))
        failed << "baud rate";
    if (!m_port->setDataBits(QSerialPort::Data8))
        failed << "data bits";
    if (!m_port->setParity(QSerialPort::NoParity))
        failed << "parity";
    if (!m_port->setStopBits(QSerialPort::OneStop))
        failed << "stop bits";
    // The identify command is 0x11, the XON character: software flow control would swallow it.
    if (!m_port->setFlowControl(QSerialPort::NoFlowControl))
        failed << "flow control";
    if (!m_port->clear(QSerialPort::AllDirections))
        failed << "purge";
    return failed;
}

void SystemSerialPort::discardInput()
{
    if (!m_port->isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->readAll(); // bytes Qt had already buffered
}

bool SystemSerialPort::write(const std::uint8_t* data, int count)
{
    if (!m_port->isOpen())
        return false;
    const auto written = m_port->write(reinterpret_cast<const char*>(data), count);
    if (written != count)
        return false;
    // Push the bytes out now; a vanished device shows here as an error.
    QElapsedTimer timer;
    timer.start();
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(500) || timer.elapsed() > 2000)
            return m_port->bytesToWrite() == 0;
    }
    return m_port->error() == QSerialPort::NoError;
}

ReadResult SystemSerialPort::read(int maxBytes, int timeoutMs)
{
    ReadResult result;
    if (!m_port->isOpen()) {
        result.failed = true;
        result.error = "port not open";
        return result;
    }
    if (m_port->bytesAvailable() == 0 && timeoutMs > 0)
        m_port->waitForReadyRead(timeoutMs);
    const auto error = m_port->error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
        result.failed = true;
        result.error = m_port->errorString();
        return result;
    }
    m_port->clearError();
    const QByteArray data = m_port->read(maxBytes);
    result.bytes.assign(data.begin(), data.end());
    return result;
}

void SystemSerialPort::close()
{
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
}

bool SystemSerialPort::isOpen() const
{
    return m_port->isOpen();
}

void SystemSerialPort::moveToThread(QThread* thread)
{
    m_port->moveToThread(thread);
}
