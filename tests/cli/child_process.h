// A program run by a test, with its standard output and error on pipes.
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// A program with its standard output and error on pipes, read a line at a time.
class Child
{
public:
    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        for (int fd : m_fds)
            if (fd >= 0)
                ::close(fd);
        if (m_input >= 0)
            ::close(m_input);
    }

    // With `input`, standard input is a pipe that writeInput() feeds; else /dev/null.
    bool start(const std::vector<std::string>& args, bool input = false)
    {
        int out[2], err[2], in[2] = {-1, -1};
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
            (input && pipe2(in, O_CLOEXEC) != 0))
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (input)
            posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        else
            posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        if (input)
            ::close(in[0]);
        m_fds[0] = out[0];
        m_fds[1] = err[0];
        m_input = in[1];
        if (rc != 0)
            m_pid = -1;
        return rc == 0;
    }

    // The next line of standard output (0) or error (1); false at its end or after timeoutMs.
    bool readLine(int which, std::string* line, int timeoutMs)
    {
        std::string& buffer = m_buffers[which];
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto eol = buffer.find('\n');
            if (eol != std::string::npos) {
                *line = buffer.substr(0, eol);
                buffer.erase(0, eol + 1);
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return false;
            pollfd fd{m_fds[which], POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left)) <= 0)
                continue;
            char chunk[512];
            const ssize_t n = ::read(m_fds[which], chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return false;
            if (n > 0)
                buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Writes to standard input and closes it.
    bool writeInput(const std::string& text)
    {
        const bool ok =
            m_input >= 0 && ::write(m_input, text.data(), text.size()) == ssize_t(text.size());
        if (m_input >= 0)
            ::close(m_input);
        m_input = -1;
        return ok;
    }

    void kill(int signal) const
    {
        if (m_pid > 0)
            ::kill(m_pid, signal);
    }
    int wait()
    {
        int status = 0;
        if (m_pid > 0)
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_fds[2] = {-1, -1};
    int m_input = -1;
    std::string m_buffers[2];
};
