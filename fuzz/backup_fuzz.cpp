// Fuzz target: arbitrary files where the program looks for backups and images. The input is
// a backup file's content; its first line, when it makes a file name, also names a file in the
// backup history. Reading never harms: a backup reads only when it is exactly 128 bytes and
// then gives those bytes, a refused one leaves the block alone and says why; the image-or-
// document reader agrees with the backup reader on images; the listing names only files that
// are there, under keys of twelve hex digits; an image compared with itself shows no change.
#include "backup_file.h"
#include "backup_history.h"
#include "configuration_file.h"
#include "presets.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// One folder for the whole run, on a memory file system when there is one.
const QString& folder()
{
    static std::unique_ptr<QTemporaryDir> dir = [] {
        const QString shm = QStringLiteral("/dev/shm");
        auto d = std::make_unique<QTemporaryDir>(
            QDir(shm).exists() ? shm + QStringLiteral("/backup_fuzz-XXXXXX") : QString());
        check(d->isValid(), "no temporary folder");
        return d;
    }();
    static const QString path = dir->path();
    return path;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
    check(file.write(data) == data.size(), "cannot write the input");
}

// The input's first line as a file name, when it makes one.
QString historyName(const QByteArray& input)
{
    const int end = input.indexOf('\n');
    if (end <= 0 || end > 80)
        return {};
    const QString name = QString::fromLatin1(input.left(end));
    // Not a path, and not the history folder itself.
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name == QLatin1String(".") ||
        name == QLatin1String("..") || name == QLatin1String("history"))
        return {};
    return name;
}

const ConfigBlock& presetBlock()
{
    static const ConfigBlock block = [] {
        ConfigBlock b;
        presetImage(QStringLiteral("full"), &b, nullptr, nullptr);
        return b;
    }();
    return block;
}

void checkBackupFile(const QByteArray& input)
{
    const QString key = QStringLiteral("0405ABCD0001");
    const BackupFile backup(folder(), key);
    writeFile(backup.path(), input);

    const ConfigBlock untouched = presetBlock();
    ConfigBlock block = untouched;
    QString why;
    const bool read = backup.read(&block, &why);
    check(read == (input.size() == kConfigBlockSize), "a backup of the wrong size reads");
    if (read) {
        check(block.toByteArray() == input, "a backup reads other bytes than the file holds");
    } else {
        check(block == untouched, "a refused backup changed the block");
        check(!why.isEmpty(), "a refused backup gives no reason");
    }
    // An existing file of any length but 0 is kept as it is.
    check(backup.saveIfMissing(presetBlock()) == (input.isEmpty()
                                                      ? BackupFile::SaveResult::Written
                                                      : BackupFile::SaveResult::KeptExisting),
          "saving the first image over an existing file");

    // The reader that takes images and documents alike agrees on images.
    writeFile(backup.path(), input);
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    if (ConfigurationFile::read(backup.path(), &file, &ioError, &errors)) {
        check(errors.isEmpty() && ioError.isEmpty(), "a file read with errors");
        if (file.isImage()) {
            check(read && file.image->toByteArray() == input, "an image reads other bytes");
        }
        const ConfigurationSide side = ConfigurationSide::of(file);
        check(compareConfigurations(side, side).isEmpty(), "a file differs from itself");
        compareConfigurations(side, ConfigurationSide::of(presetBlock()));
    } else {
        check(!errors.isEmpty() || !ioError.isEmpty(), "a refused file gives no reason");
        check(!read || QJsonDocument::fromJson(input).isObject(),
              "a 128-byte image is refused");
    }
    QFile::remove(backup.path());
}

void checkListing(const QByteArray& input)
{
    const QString name = historyName(input);
    if (name.isEmpty())
        return;
    const BackupHistory history(folder());
    QDir().mkpath(history.historyDirectory());
    // Joined by hand: QDir::filePath takes a name with a leading colon for a resource path.
    const QString path = history.historyDirectory() + QLatin1Char('/') + name;
    // The same name also as a first-connection image beside the history.
    const QString firstPath = folder() + QLatin1Char('/') + name;
    QFile(path).remove();
    writeFile(path, input);
    writeFile(firstPath, input);

    static const QRegularExpression hexKey(QStringLiteral("^[0-9A-F]{12}$"));
    const QList<BackupEntry> entries = history.list();
    check(entries.size() <= 2, "the listing names files that are not there");
    for (const BackupEntry& e : entries) {
        check(QFile::exists(e.path), "a listed file does not exist");
        check(hexKey.match(e.key).hasMatch(), "a listed key is not twelve hex digits");
        check(e.sequence >= 1, "a listed sequence number below 1");
        ConfigBlock block;
        if (BackupFile(folder(), e.key).path() == e.path)
            check(BackupFile(folder(), e.key).read(&block) == (input.size() == kConfigBlockSize),
                  "a listed first image reads against its size");
    }
    QFile::remove(path);
    QFile::remove(firstPath);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    checkBackupFile(input);
    checkListing(input);
    return 0;
}
