// Serves a ControllerModel on a pseudo-terminal from a thread of its own.
#pragma once

#include "controller_model.h"
#include "request_assembler.h"
#include "sim_options.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The client opens devicePath() (the pty's slave side) as it would a serial port. The server
// keeps a slave descriptor of its own open for its whole life, so the client may close and
// reopen the port at will without the master seeing a hang-up.
//
// The image and version come from options.image (with hasImage) or the named preset. With an
// image, the controller reports the version held in the image's version bytes; a
// versionOverride replaces either.
class SimServer
{
public:
    explicit SimServer(const SimOptions& options);
    ~SimServer(); // stops
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    bool start(QString* error); // opens the pty, starts serving
    void stop();                // returns at once, also while a late reply is pending
    bool running() const { return m_thread.joinable(); }

    // Pulling the adapter: an Unplug fault closes the pty from the serving thread (the client's
    // descriptor reports the device gone) and removes the link. replug() serves the same
    // controller, stored image, counts and faults kept, on a new pty and the same link path;
    // it also pulls the adapter first when it is still in.
    bool unplugged() const { return m_unplugged; }
    bool replug(QString* error);

    QString devicePath() const; // slave path such as /dev/pts/7
    ConfigBlock storedImage() const;
    ConfigBlock stagedImage() const;
    void setStoredImage(const ConfigBlock& image); // also drops staged writes
    std::uint8_t versionMajor() const;
    std::uint8_t versionMinor() const;
    void setVersion(std::uint8_t major, std::uint8_t minor);

    // Every complete request frame, in order; frames with a bad checksum included.
    std::vector<std::vector<std::uint8_t>> receivedFrames() const;
    void clearLog();
    void addFault(const SimFault& fault);
    int commitCount() const;
    int frameCount(std::uint8_t command) const; // valid frames of that command so far
    // Line mode: the unit on the line (from 1; 0 while none is) and the stored images of the
    // units that have left it.
    int lineUnit() const;
    std::vector<ConfigBlock> lineImages() const;

private:
    struct Pending
    {
        std::vector<std::uint8_t> bytes;
        std::int64_t dueMs;
    };

    void run();
    void receive(std::int64_t nowMs);
    void handleFrame(const std::vector<std::uint8_t>& frame, std::int64_t nowMs);
    void sendDue(std::int64_t nowMs);
    bool writeAll(const std::vector<std::uint8_t>& bytes);
    void writeState(const ConfigBlock& image);
    void trace(const char* what, const std::vector<std::uint8_t>& bytes) const;
    void closeAll();
    void closeDevice(); // the pty's descriptors and the link

    SimOptions m_options;
    QString m_setupError;

    mutable std::mutex m_mutex; // guards the model and the log
    ControllerModel m_model;
    std::unique_ptr<SimLine> m_line;
    std::vector<std::vector<std::uint8_t>> m_log;

    // Owned by the serving thread while it runs.
    RequestAssembler m_assembler;
    std::deque<Pending> m_outgoing;
    std::int64_t m_masterQuietUntilMs = 0;

    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    QString m_devicePath;
    bool m_linkMade = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_unplugged{false};
    std::thread m_thread;
};
