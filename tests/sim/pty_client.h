// The tool's end of the simulator's pseudo-terminal in tests: plain POSIX open, write and read.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

class PtyClient
{
public:
    PtyClient() = default;
    explicit PtyClient(const QString& path) { open(path); }
    ~PtyClient() { close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool write(const std::vector<std::uint8_t>& bytes);
    // Reads until `count` bytes are in or timeoutMs has passed; returns what arrived.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs);
    // Reads whatever arrives within timeoutMs.
    std::vector<std::uint8_t> readFor(int timeoutMs);
    // One exchange: sends the request, then reads up to `replySize` bytes.
    std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& request,
                                       std::size_t replySize, int timeoutMs = 1000);

private:
    int m_fd = -1;
};
