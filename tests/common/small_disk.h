// A file system of a few pages of its own, mounted for one test: a real full disk. Mounting
// needs root (or the right capability); without it the test says so and is skipped.
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class SmallDisk
{
public:
    // `pages` of 4 KiB: a file of up to 4 KiB takes one.
    explicit SmallDisk(int pages)
    {
        const QByteArray options = "size=" + QByteArray::number(pages * 4) + "k,mode=0755";
        if (!m_dir.isValid())
            m_why = "no temporary folder";
        else if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                         options.constData()) != 0)
            m_why = std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
        else
            m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Takes every page that is left: the disk is full.
    bool fill() const
    {
        const int fd = ::open(QFile::encodeName(filePath(".filler")).constData(),
                              O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const char page[4096] = {};
        while (::write(fd, page, sizeof page) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    std::string m_why;
};

// Skips the test, visibly, where no small file system can be mounted.
#define SKIP_WITHOUT_SMALL_DISK(disk)                                                              \
    if ((disk).mounted()) {                                                                        \
    } else                                                                                         \
        GTEST_SKIP() << (disk).why() << " (run the tests as root for a real full disk)"
