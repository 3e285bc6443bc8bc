// The tool's end of the simulator's pseudo-terminal in tests: plain POSIX open, write and read.
#include "pty_client.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

bool PtyClient::open(const QString& path)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return m_fd >= 0;
}

void PtyClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::write(const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::uint8_t> PtyClient::read(std::size_t count, int timeoutMs)
{
    std::vector<std::uint8_t> out;
    const std::int64_t deadline = nowMs() + timeoutMs;
    while (out.size() < count) {
        const std::int64_t left = deadline - nowMs();
        if (left <= 0)
            break;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t buffer[256];
        const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buffer, buffer + n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    return out;
}

std::vector<std::uint8_t> PtyClient::readFor(int timeoutMs)
{
    return read(static_cast<std::size_t>(-1) / 2, timeoutMs);
}

std::vector<std::uint8_t> PtyClient::exchange(const std::vector<std::uint8_t>& request,
                                              std::size_t replySize, int timeoutMs)
{
    if (!write(request))
        return {};
    return read(replySize, timeoutMs);
}
