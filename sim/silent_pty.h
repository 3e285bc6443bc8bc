// A pseudo-terminal on which nothing answers: a serial port without a controller behind it.
#pragma once

#include <QString>

class SilentPty
{
public:
    SilentPty() = default;
    ~SilentPty(); // closes
    SilentPty(const SilentPty&) = delete;
    SilentPty& operator=(const SilentPty&) = delete;

    bool open(QString* error);
    // The slave side, opened as a serial port; empty before open().
    QString devicePath() const { return m_path; }
    // Hangs the line up: a client that has the port open sees it fail, as when an adapter is
    // unplugged.
    void close();

private:
    int m_master = -1;
    int m_slave = -1; // kept open so that the client's close and reopen see no hang-up
    QString m_path;
};
