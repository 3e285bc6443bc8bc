// A scripted serial port and a fake clock, for exact tests of the link without real time.
#pragma once

#include "serial_port.h"

#include <QMap>

#include <deque>
#include <functional>
#include <memory>

class FakeClock : public LinkClock
{
public:
    std::int64_t nowMs() override { return now; }
    void sleepMs(int ms) override
    {
        slept.push_back(ms);
        now += ms;
    }
    std::int64_t now = 0;
    std::vector<int> slept;
};

// One byte chunk that becomes readable at a given time.
struct Chunk
{
    std::vector<std::uint8_t> bytes;
    std::int64_t atMs = 0;
};

// A device on the fake machine: how it opens, which settings it refuses, and how it answers.
struct ScriptedDevice
{
    OpenError openError = OpenError::None;
    QStringList refusedSettings;
    // Called with every frame written; returns the chunks to deliver, with delays relative to
    // the time of the write.
    std::function<std::vector<Chunk>(const std::vector<std::uint8_t>&)> answer;
    bool goneAfterWrite = false; // the adapter is unplugged once a frame went out
    bool writeFails = false;
    std::vector<std::vector<std::uint8_t>> written;
    std::deque<Chunk> pending; // readable bytes, in order
    int opens = 0;
    int discards = 0;
};

class ScriptedPort : public SerialPort
{
public:
    ScriptedPort(QMap<QString, std::shared_ptr<ScriptedDevice>>& devices, FakeClock& clock)
        : m_devices(devices), m_clock(clock)
    {
    }

    OpenError open(const QString& path, QString* detail) override
    {
        auto it = m_devices.find(path);
        if (it == m_devices.end()) {
            if (detail)
                *detail = "no such device";
            return OpenError::NotFound;
        }
        if ((*it)->openError != OpenError::None)
            return (*it)->openError;
        m_device = *it;
        ++m_device->opens;
        return OpenError::None;
    }
    QStringList configure() override
    {
        return m_device ? m_device->refusedSettings : QStringList{"open"};
    }
    void discardInput() override
    {
        if (!m_device)
            return;
        ++m_device->discards;
        while (!m_device->pending.empty() && m_device->pending.front().atMs <= m_clock.now)
            m_device->pending.pop_front();
    }
    bool write(const std::uint8_t* data, int count) override
    {
        if (!m_device || m_device->writeFails)
            return false;
        std::vector<std::uint8_t> frame(data, data + count);
        m_device->written.push_back(frame);
        if (m_device->answer)
            for (Chunk c : m_device->answer(frame)) {
                c.atMs += m_clock.now;
                m_device->pending.push_back(c);
            }
        if (m_device->goneAfterWrite)
            m_gone = true;
        return true;
    }
    ReadResult read(int maxBytes, int timeoutMs) override
    {
        ReadResult r;
        if (!m_device || m_gone) {
            r.failed = true;
            r.error = "device gone";
            return r;
        }
        ++reads;
        auto& q = m_device->pending;
        if (q.empty() || q.front().atMs > m_clock.now + timeoutMs) {
            m_clock.now += timeoutMs;
            return r;
        }
        if (q.front().atMs > m_clock.now)
            m_clock.now = q.front().atMs;
        Chunk& c = q.front();
        const int n = std::min<int>(maxBytes, static_cast<int>(c.bytes.size()));
        r.bytes.assign(c.bytes.begin(), c.bytes.begin() + n);
        c.bytes.erase(c.bytes.begin(), c.bytes.begin() + n);
        if (c.bytes.empty())
            q.pop_front();
        return r;
    }
    void close() override { m_device.reset(); }
    bool isOpen() const override { return m_device != nullptr; }

    int reads = 0;

private:
    QMap<QString, std::shared_ptr<ScriptedDevice>>& m_devices;
    FakeClock& m_clock;
    std::shared_ptr<ScriptedDevice> m_device;
    bool m_gone = false;
};
