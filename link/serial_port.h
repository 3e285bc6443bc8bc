// The small serial port interface the link needs, so that tests can script a port.
#pragma once

#include <QString>
#include <QStringList>

class QThread;

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Why a device could not be opened.
enum class OpenError
{
    None,
    NotFound,
    NoPermission,
    Busy,
    Other
};

const char* openErrorName(OpenError error);

struct ReadResult
{
    std::vector<std::uint8_t> bytes;
    bool failed = false; // the port reported an error or went away
    QString error;
};

class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Opens the device exclusively for reading and writing.
    virtual OpenError open(const QString& path, QString* detail) = 0;
    // Sets 19200 baud, 8 data bits, no parity, 1 stop bit, raw, no flow control of any kind,
    // and discards both queues. Returns one name per setting that the device refused.
    virtual QStringList configure() = 0;
    virtual void discardInput() = 0;
    virtual bool write(const std::uint8_t* data, int count) = 0;
    // Returns what arrived, up to maxBytes, waiting at most timeoutMs for the first byte.
    virtual ReadResult read(int maxBytes, int timeoutMs) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Hands the port to another thread; a port created on a worker thread is handed to the
    // thread that goes on using it before the worker ends.
    virtual void moveToThread(QThread* /*thread*/) {}
};

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

// Monotonic milliseconds and sleeping; tests inject a fake one.
class LinkClock
{
public:
    virtual ~LinkClock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void sleepMs(int ms) = 0;
};

LinkClock& systemClock();
