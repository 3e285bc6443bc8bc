// Serves a ControllerModel on a pseudo-terminal from a thread of its own.
#include "sim_server.h"

#include "file_io.h"
#include "frame.h"
#include "presets.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// One character of 19200 baud 8N1 is ten bit times: about 0.52 ms.
constexpr std::chrono::microseconds kByteTime{521};
// After a read error on the master (which the server's own slave descriptor should prevent),
// wait this long before polling it again instead of spinning.
constexpr std::int64_t kMasterErrorPauseMs = 50;
constexpr int kWriteWaitMs = 200;

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

ControllerModel makeModel(const SimOptions& options, QString* error)
{
    ConfigBlock image;
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    if (options.hasImage) {
        image = options.image;
        major = image.at(Field::SoftwareVersion, 0);
        minor = image.at(Field::SoftwareVersion, 1);
    } else if (!presetImage(options.preset, &image, &major, &minor)) {
        *error = QStringLiteral("unknown preset \"%1\" (one of %2)")
                     .arg(options.preset, presetNames().join(QLatin1String(", ")));
        presetImage(defaultPresetName(), &image, &major, &minor);
    }
    if (options.versionOverride >= 0) {
        major = static_cast<std::uint8_t>((options.versionOverride >> 8) & 0xFF);
        minor = static_cast<std::uint8_t>(options.versionOverride & 0xFF);
    }
    return ControllerModel(image, major, minor);
}

QString hexBytes(const std::vector<std::uint8_t>& bytes)
{
    QString text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += hexText(&bytes[i], 1);
    }
    return text;
}

} // namespace

SimServer::SimServer(const SimOptions& options)
    : m_options(options), m_model(makeModel(options, &m_setupError))
{
    for (const SimFault& fault : options.faults)
        m_model.addFault(fault);
    if (options.line.units > 0) {
        m_line = std::make_unique<SimLine>(options.line, m_model.stored(), m_model.versionMajor(),
                                           m_model.versionMinor());
        for (const auto& [unit, fault] : options.line.unitFaults)
            if (unit == 1)
                m_model.addFault(fault);
    }
}

SimServer::~SimServer()
{
    stop();
}

bool SimServer::start(QString* error)
{
    auto fail = [&](const QString& why) {
        closeAll();
        if (error)
            *error = why;
        return false;
    };
    if (running())
        return fail(QStringLiteral("the simulator is already running"));
    if (!m_setupError.isEmpty())
        return fail(m_setupError);

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail(systemError("posix_openpt"));
    if (grantpt(m_master) != 0)
        return fail(systemError("grantpt"));
    if (unlockpt(m_master) != 0)
        return fail(systemError("unlockpt"));
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail(systemError("ptsname"));
    m_devicePath = QString::fromLocal8Bit(name);

    // Held open for the server's whole life: the master never sees a hang-up when the client
    // closes its own descriptor, and the line settings made here stay in force.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(systemError("open pty slave"));
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return fail(systemError("tcgetattr"));
    cfmakeraw(&tio); // no echo, no line editing, no character translation
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail(systemError("tcsetattr"));

    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(systemError("fcntl"));
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(systemError("pipe"));

    if (!m_options.linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(m_options.linkPath);
        struct stat st
        {
        };
        if (lstat(link.constData(), &st) == 0) {
            // Only an old link is replaced; a real file in its place is somebody's data.
            if (!S_ISLNK(st.st_mode))
                return fail(
                    QStringLiteral("%1 exists and is not a symbolic link").arg(m_options.linkPath));
            if (::unlink(link.constData()) != 0)
                return fail(systemError("remove old link"));
        }
        if (::symlink(name, link.constData()) != 0)
            return fail(systemError("symlink"));
        m_linkMade = true;
    }

    m_assembler = RequestAssembler();
    m_outgoing.clear();
    m_masterQuietUntilMs = 0;
    m_stopping = false;
    m_unplugged = false;
    m_thread = std::thread(&SimServer::run, this);
    return true;
}

bool SimServer::replug(QString* error)
{
    stop();
    return start(error);
}

void SimServer::stop()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        const char byte = 'x';
        while (::write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    closeAll();
}

void SimServer::closeAll()
{
    closeDevice();
    for (int* fd : {&m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void SimServer::closeDevice()
{
    if (m_linkMade) {
        // Remove the link only while it still points at this server's device.
        const QByteArray link = QFile::encodeName(m_options.linkPath);
        char target[256] = {};
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, static_cast<int>(n)) == m_devicePath)
            ::unlink(link.constData());
        m_linkMade = false;
    }
    for (int* fd : {&m_master, &m_slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

QString SimServer::devicePath() const
{
    return m_devicePath;
}

ConfigBlock SimServer::storedImage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.stored();
}

ConfigBlock SimServer::stagedImage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.staged();
}

void SimServer::setStoredImage(const ConfigBlock& image)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.setStored(image);
}

std::uint8_t SimServer::versionMajor() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.versionMajor();
}

std::uint8_t SimServer::versionMinor() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.versionMinor();
}

void SimServer::setVersion(std::uint8_t major, std::uint8_t minor)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.setVersion(major, minor);
}

std::vector<std::vector<std::uint8_t>> SimServer::receivedFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void SimServer::clearLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

void SimServer::addFault(const SimFault& fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_model.addFault(fault);
}

int SimServer::commitCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.commitCount();
}

int SimServer::frameCount(std::uint8_t command) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_model.frameCount(command);
}

int SimServer::lineUnit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line ? m_line->unit() : 0;
}

std::vector<ConfigBlock> SimServer::lineImages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line ? m_line->leftImages() : std::vector<ConfigBlock>();
}

void SimServer::run()
{
    while (!m_stopping && !m_unplugged) {
        const std::int64_t now = nowMs();
        const bool watchMaster = now >= m_masterQuietUntilMs;
        std::int64_t timeout = -1;
        if (!m_outgoing.empty())
            timeout = std::max<std::int64_t>(0, m_outgoing.front().dueMs - now);
        if (!watchMaster) {
            const std::int64_t pause = m_masterQuietUntilMs - now;
            timeout = timeout < 0 ? pause : std::min(timeout, pause);
        }

        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {watchMaster ? m_master : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(timeout));
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "norvel-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (m_stopping)
            break;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            char drain[16];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (ready > 0 && fds[1].revents != 0)
            receive(nowMs());
        if (m_unplugged)
            break;
        sendDue(nowMs());
    }
    if (m_unplugged) {
        // Replies still queued went out with the adapter.
        m_outgoing.clear();
        closeDevice();
    }
}

void SimServer::receive(std::int64_t now)
{
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            m_masterQuietUntilMs = now + kMasterErrorPauseMs;
            return;
        }
        const auto events = m_assembler.feed(buffer, static_cast<std::size_t>(n), now);
        for (const auto& event : events) {
            if (m_unplugged)
                return; // what followed the frame went nowhere
            switch (event.kind) {
            case RequestAssembler::Event::Frame:
                handleFrame(event.bytes, now);
                break;
            case RequestAssembler::Event::BadFrame: {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_log.push_back(event.bytes);
            }
                trace("<-", event.bytes);
                trace("   bad checksum, no reply; resynchronising", {});
                break;
            case RequestAssembler::Event::Discarded:
                trace("   discarded while resynchronising:", event.bytes);
                break;
            case RequestAssembler::Event::StaleDropped:
                trace("   dropped an unfinished frame:", event.bytes);
                break;
            }
        }
    }
}

void SimServer::handleFrame(const std::vector<std::uint8_t>& frame, std::int64_t now)
{
    ControllerModel::Reply reply;
    bool committed = false;
    ConfigBlock stored;
    QList<SimFault> fired;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_log.push_back(frame);
        if (m_line && !m_line->admit(frame[0], now, m_model)) {
            trace("<-", frame);
            trace("   no unit on the line, no reply", {});
            return;
        }
        const int commitsBefore = m_model.commitCount();
        const int firedBefore = static_cast<int>(m_model.firedFaults().size());
        reply = m_model.handleRequest(frame);
        committed = m_model.commitCount() != commitsBefore;
        stored = m_model.stored();
        fired = m_model.firedFaults().mid(firedBefore);
    }

    if (m_options.trace) {
        trace("<-", frame);
        for (const SimFault& fault : fired)
            std::fprintf(stderr, "norvel-sim:    fault %s\n", qPrintable(faultText(fault)));
        if (reply.bytes.empty())
            trace("   no reply", {});
    }
    for (const SimFault& fault : fired) {
        if (fault.kind == SimFault::Unplug) {
            trace("   unplugged: the device is gone", {});
            m_unplugged = true;
        }
    }
    if (committed && !m_options.statePath.isEmpty())
        writeState(stored);
    if (reply.bytes.empty())
        return;
    // Replies leave in request order, so one that waits holds back those behind it.
    std::int64_t due = now + reply.delayMs + m_options.replyDelayMs;
    // On a real line the request itself takes its wire time to arrive before the controller
    // can answer; the pty delivers it at once.
    if (m_options.pace)
        due += (static_cast<std::int64_t>(frame.size()) * 10 * 1000 + 19199) / 19200;
    if (!m_outgoing.empty())
        due = std::max(due, m_outgoing.back().dueMs);
    m_outgoing.push_back({std::move(reply.bytes), due});
}

void SimServer::sendDue(std::int64_t now)
{
    while (!m_outgoing.empty() && m_outgoing.front().dueMs <= now && !m_stopping) {
        const Pending pending = std::move(m_outgoing.front());
        m_outgoing.pop_front();
        trace("->", pending.bytes);
        if (!writeAll(pending.bytes))
            std::fprintf(stderr, "norvel-sim: reply lost: %s\n", std::strerror(errno));
    }
}

bool SimServer::writeAll(const std::vector<std::uint8_t>& bytes)
{
    const auto start = std::chrono::steady_clock::now();
    // Unpaced, the whole reply goes out in one write; paced, one byte per character time.
    const std::size_t step = m_options.pace ? 1 : bytes.size();
    std::size_t sent = 0;
    int waits = 0;
    while (sent < bytes.size()) {
        if (m_options.pace && sent > 0)
            std::this_thread::sleep_until(start + kByteTime * static_cast<int>(sent));
        const std::size_t chunk = std::min(step, bytes.size() - sent);
        const ssize_t n = ::write(m_master, bytes.data() + sent, chunk);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waits++ < 5) {
            // Nobody has read the earlier replies; give the client a moment.
            pollfd fd{m_master, POLLOUT, 0};
            ::poll(&fd, 1, kWriteWaitMs);
            continue;
        }
        return false;
    }
    return true;
}

void SimServer::writeState(const ConfigBlock& image)
{
    QString error;
    if (writeFileWhole(m_options.statePath, image.toByteArray(), &error))
        return;
    std::fprintf(stderr, "norvel-sim: state file: %s\n", qPrintable(error));
}

void SimServer::trace(const char* what, const std::vector<std::uint8_t>& bytes) const
{
    if (!m_options.trace)
        return;
    const bool frame =
        !bytes.empty() && (std::strcmp(what, "<-") == 0 || std::strcmp(what, "->") == 0);
    std::fprintf(stderr, "norvel-sim: %s%s%s%s%s\n", what, bytes.empty() ? "" : " ",
                 qPrintable(hexBytes(bytes)), frame ? "  " : "",
                 frame ? commandName(bytes[0]) : "");
}
