// Serial port backend on QSerialPort, used against real devices and the simulator's pty.
#pragma once

#include "serial_port.h"

class QSerialPort;

class SystemSerialPort : public SerialPort
{
public:
    SystemSerialPort();
    ~SystemSerialPort() override;

    OpenError open(const QString& path, QString* detail) override;
    QStringList configure() override;
    void discardInput() override;
    bool write(const std::uint8_t* data, int count) override;
    ReadResult read(int maxBytes, int timeoutMs) override;
    void close() override;
    bool isOpen() const override;
    void moveToThread(QThread* thread) override;

private:
    std::unique_ptr<QSerialPort> m_port;
};
