// Reading and writing the files the programs keep: whole or not at all, bounded in size.
#pragma once

#include <QByteArray>
#include <QString>

// Nothing larger is a configuration document.
constexpr qint64 kDocumentSizeCap = qint64{1} << 20;

// What a name may be when a file is read or written there.
enum class FileAccess
{
    // Whatever the user named: a symbolic link is followed to the file it names. The file
    // itself must be a regular one (or absent, for writing).
    Follow,
    // Files the programs keep for themselves (backups): never through a symbolic link; the
    // name must be absent or a regular file owned by this user.
    Own,
    // As Own, and the name must not exist at all: an existing file is never replaced.
    OwnNew,
};

// Writes `data` to `path` in full: into a new file beside it, flushed to the disk, then put in
// place under the name in one step. On any failure (a full disk included) false with the reason
// in *error; the earlier file, if any, is then as it was and no partial file is left.
// With OwnNew, *nameTaken tells that only the name was in use (by a regular file): try another.
bool writeFileWhole(const QString& path, const QByteArray& data, QString* error,
                    FileAccess access = FileAccess::Follow, bool* nameTaken = nullptr);

// Reads at most `cap` bytes of `path`. A longer file (or a device or pipe that does not end)
// fails at once with *tooLarge set; no more than cap + 1 bytes are read. With Own, a symbolic
// link or anything but a regular file of this user's is refused without being opened for
// reading.
bool readFileCapped(const QString& path, qint64 cap, QByteArray* data, QString* error,
                    bool* tooLarge = nullptr, FileAccess access = FileAccess::Follow);

// Why `path` cannot be one of the programs' own files: a symbolic link, not a regular file or
// another user's. Empty when it is absent or a regular file of this user's.
QString ownFileProblem(const QString& path);

// `name` in `folder` (the current folder when empty), joined as it stands: QDir would take a
// leading ':' for one of the program's resources.
QString pathInFolder(const QString& folder, const QString& name);

// `text` as part of a file name: every character that is not a letter, a digit, '-', '_' or '.'
// becomes '_', and a name of dots only becomes underscores.
QString fileNameSafe(const QString& text);
