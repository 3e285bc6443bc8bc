// Reading and writing the files the programs keep: whole or not at all, bounded in size.
#include "file_io.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Paths go to the system as they are: Qt's file classes would take a leading ':' for one of
// the program's own resources.
QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int code)
{
    return qt_error_string(code);
}

bool failed(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kMiB = qint64{1} << 20;
    if (bytes >= kMiB && bytes % kMiB == 0)
        return QStringLiteral("%1 MiB").arg(bytes / kMiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QByteArray folderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a chain of symbolic links ends at, even when that file does not exist yet; empty
// (with errno ELOOP) for a loop.
QByteArray followLinks(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof target))
            return path;
        const QByteArray link(target, static_cast<int>(n));
        path = link.startsWith('/') || !path.contains('/') ? link : folderOf(path) + '/' + link;
    }
    errno = ELOOP;
    return {};
}

// A new, empty file beside `target`, created exclusively (never through a link).
int createBeside(const QByteArray& target, QByteArray* temporary)
{
    const QByteArray folder = folderOf(target);
    const QByteArray base = target.mid(target.lastIndexOf('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = folder + "/." + base + '.' +
                     QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(temporary->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(std::min<qint64>(left, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Moves the finished file to its name; with `keepExisting` only when the name is free.
bool putInPlace(const QByteArray& temporary, const QByteArray& target, bool keepExisting)
{
    if (!keepExisting)
        return ::rename(temporary.constData(), target.constData()) == 0;
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the exclusive rename: a hard link fails on any existing name too.
    if (::link(temporary.constData(), target.constData()) != 0)
        return false;
    ::unlink(temporary.constData());
    return true;
}

} // namespace

QString ownFileProblem(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(native(path).constData(), &st) != 0)
        return errno == ENOENT
                   ? QString()
                   : QStringLiteral("cannot examine %1: %2").arg(path, systemError(errno));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("%1 is a symbolic link, not a file of this program's: refused")
            .arg(path);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("%1 is not a regular file: refused").arg(path);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to another user: refused").arg(path);
    return {};
}

bool writeFileWhole(const QString& path, const QByteArray& data, QString* error, FileAccess access,
                    bool* nameTaken)
{
    if (nameTaken)
        *nameTaken = false;
    if (path.isEmpty())
        return failed(error, QStringLiteral("no file name given"));
    QByteArray target = native(path);
    struct stat existing
    {
    };
    bool exists = false;
    if (access == FileAccess::Follow) {
        target = followLinks(target);
        if (target.isEmpty())
            return failed(error,
                          QStringLiteral("cannot write %1: %2").arg(path, systemError(ELOOP)));
        exists = ::stat(target.constData(), &existing) == 0;
        if (exists && !S_ISREG(existing.st_mode))
            return failed(error, QStringLiteral("cannot write %1: not a regular file").arg(path));
    } else {
        const QString problem = ownFileProblem(path);
        if (!problem.isEmpty())
            return failed(error, problem);
        exists = ::lstat(target.constData(), &existing) == 0;
        if (exists && access == FileAccess::OwnNew) {
            if (nameTaken)
                *nameTaken = true;
            return failed(error, QStringLiteral("%1 exists already").arg(path));
        }
    }

    QByteArray temporary;
    const int fd = createBeside(target, &temporary);
    if (fd < 0)
        return failed(error, QStringLiteral("cannot write %1: %2").arg(path, systemError(errno)));
    if (exists) {
        // The file keeps its permissions, and its owner when root replaces it.
        ::fchmod(fd, existing.st_mode & 07777);
        if (::geteuid() == 0 && ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // root keeps the file then
        }
    }
    // Unbuffered, and flushed to the disk before the name is moved: a full disk shows here,
    // not later as a short file under the name.
    bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && !putInPlace(temporary, target, access == FileAccess::OwnNew)) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        if (code == EEXIST && access == FileAccess::OwnNew) {
            // Taken between the look and the move: by a file of ours, or by something else.
            const QString problem = ownFileProblem(path);
            if (!problem.isEmpty())
                return failed(error, problem);
            if (nameTaken)
                *nameTaken = true;
            return failed(error, QStringLiteral("%1 exists already").arg(path));
        }
        return failed(error, QStringLiteral("cannot write %1: %2").arg(path, systemError(code)));
    }
    // The new name itself reaches the disk with its folder.
    const int folder = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool readFileCapped(const QString& path, qint64 cap, QByteArray* data, QString* error,
                    bool* tooLarge, FileAccess access)
{
    if (tooLarge)
        *tooLarge = false;
    int flags = O_RDONLY | O_CLOEXEC;
    if (access != FileAccess::Follow) {
        const QString problem = ownFileProblem(path);
        if (!problem.isEmpty())
            return failed(error, problem);
        // Whatever took the name since the look is not followed, and no pipe holds us up.
        flags |= O_NOFOLLOW | O_NONBLOCK;
    }
    const int fd = ::open(native(path).constData(), flags);
    if (fd < 0)
        return failed(error, QStringLiteral("cannot open %1: %2").arg(path, systemError(errno)));
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0;
    QString why = ok ? QString() : systemError(errno);
    if (ok && S_ISDIR(st.st_mode)) {
        ok = false;
        why = systemError(EISDIR);
    } else if (ok && access != FileAccess::Follow && !S_ISREG(st.st_mode)) {
        ok = false;
        why = QStringLiteral("not a regular file");
    }
    bool large = ok && S_ISREG(st.st_mode) && st.st_size > cap;
    QByteArray bytes;
    while (ok && !large) {
        // Devices and pipes tell no size: read in pieces, and never more than one byte past the
        // cap.
        const qint64 want = std::min<qint64>(cap + 1 - bytes.size(), 1 << 16);
        const qsizetype had = bytes.size();
        bytes.resize(had + want);
        const ssize_t n = ::read(fd, bytes.data() + had, static_cast<size_t>(want));
        if (n < 0 && errno == EINTR) {
            bytes.resize(had);
            continue;
        }
        if (n < 0) {
            ok = false;
            why = systemError(errno);
            break;
        }
        bytes.resize(had + n);
        if (n == 0)
            break;
        large = bytes.size() > cap;
    }
    ::close(fd);
    if (!ok)
        return failed(error, QStringLiteral("cannot read %1: %2").arg(path, why));
    if (large) {
        if (tooLarge)
            *tooLarge = true;
        return failed(error,
                      QStringLiteral("%1 is too large: more than %2").arg(path, sizeText(cap)));
    }
    *data = bytes;
    return true;
}

QString pathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString fileNameSafe(const QString& text)
{
    QString name;
    bool dotsOnly = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        name += safe ? c : QLatin1Char('_');
        dotsOnly = dotsOnly && u == '.';
    }
    if (dotsOnly)
        name.fill(QLatin1Char('_'));
    return name;
}
