// norvelctl write killed (SIGKILL) after each frame of the write in turn, and while it saves the
// backups, against norvel-sim on a pseudo-terminal: the controller holds the old block or the
// new one, never a mix, also once the next client's START and COMMIT have come; and every file
// in the backup folder is a whole 128-byte image.
#include "child_process.h"
#include "config_block.h"
#include "frame.h"
#include "presets.h"
#include "pty_client.h"
#include "transfers.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kStart = {0xF1, 0x00, 0xF1};
const Bytes kCommit = {0xF4, 0x00, 0xF4};

ConfigBlock oldImage()
{
    ConfigBlock block;
    presetImage(QStringLiteral("full"), &block, nullptr, nullptr);
    return block;
}

// The old image with a bit flipped in every byte but the model designation and serial number: a
// block mixed of the two differs from both in whichever chunks it took from the other.
ConfigBlock newImage()
{
    const ConfigBlock old = oldImage();
    ConfigBlock next = old;
    for (int offset = 0; offset < kConfigBlockSize; ++offset)
        next.setByte(offset, static_cast<std::uint8_t>(old.byte(offset) ^ 0x01));
    for (Field f :
         {Field::ModelPrefix, Field::ModelNumber, Field::ModelOptions, Field::ModelVariant,
          Field::SoftwareVersion, Field::SerialNumber, Field::AdVersion}) {
        const FieldDef& def = fieldDef(f);
        for (int i = 0; i < def.width; ++i)
            next.setByte(def.offset + i, old.byte(def.offset + i));
    }
    return next;
}

// Where the kill comes: after the write's frame `frame` (1 = its START, the COMMIT is frame
// kWriteExchanges, and the read-back follows), or `delayUs` after norvelctl has the reply
// that ends its read, while it saves the backups (frame 0).
struct KillPoint
{
    int frame;
    int delayUs;
};

// The fault that holds the write at its frame `n` (the sim answers it never), as norvel-sim's
// --fault takes it. The reads before the write make one START, eight READs and two IDENTIFYs.
std::string holdAt(int n)
{
    constexpr int readChunks = kConfigBlockSize / kReadChunk;
    if (n == 1)
        return "no-reply:start:2";
    if (n <= 1 + kWriteChunks)
        return "no-reply:write:" + std::to_string(n - 1);
    if (n == kWriteExchanges)
        return "no-reply:commit:1";
    if (n == kWriteExchanges + 1)
        return "no-reply:start:3";
    return "no-reply:read:" + std::to_string(readChunks + n - kWriteExchanges - 1);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs one kill and returns what went wrong, empty when nothing did.
// *backupFiles gets the number of files left in the backup folder.
std::string killOnce(const KillPoint& point, int* backupFiles)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return "no temporary folder";
    const QString state = dir.filePath(QStringLiteral("state.bin"));
    const QString image = dir.filePath(QStringLiteral("new.bin"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    {
        QFile f(image);
        if (!f.open(QIODevice::WriteOnly) || f.write(newImage().toByteArray()) != kConfigBlockSize)
            return "cannot write the new image";
    }

    Child sim;
    std::vector<std::string> simArgs = {NORVEL_SIM_PROGRAM, "--preset", "full",
                                        "--trace",          "--state",  state.toStdString()};
    if (point.frame > 0)
        simArgs.insert(simArgs.end(), {"--fault", holdAt(point.frame)});
    std::string device;
    if (!sim.start(simArgs) || !sim.readLine(0, &device, 5000))
        return "norvel-sim did not start";

    Child ctl;
    if (!ctl.start({NORVELCTL_PROGRAM, "--port", device, "--backup-dir", backups.toStdString(),
                    "--trace", "write", image.toStdString(), "--yes", "--force"}))
        return "norvelctl did not start";
    std::string line;
    if (point.frame > 0) {
        // The simulator has taken the frame and holds its answer back: norvelctl waits.
        bool held = false;
        while (!held && sim.readLine(1, &line, 5000))
            held = line.find(" fault no-reply:") != std::string::npos;
        if (!held)
            return "the write never reached its frame";
    } else {
        int identified = 0;
        while (identified < 2 && ctl.readLine(1, &line, 5000))
            identified += line.rfind("< 11 ", 0) == 0 ? 1 : 0;
        if (identified < 2)
            return "norvelctl never finished its read";
        std::this_thread::sleep_for(std::chrono::microseconds(point.delayUs));
    }
    ctl.kill(SIGKILL);
    const int status = ctl.wait();
    if (!WIFSIGNALED(status))
        return "norvelctl ended before it was killed";

    std::string why;
    const QByteArray oldBytes = oldImage().toByteArray();
    const QByteArray newBytes = newImage().toByteArray();
    // What the controller holds at the kill: with no state file, nothing was ever committed.
    const bool committed = point.frame >= kWriteExchanges;
    // The simulator writes its state file just after it traces the COMMIT.
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (committed && !QFileInfo::exists(state) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const QByteArray atKill = fileBytes(state);
    if (committed ? atKill != newBytes : !atKill.isEmpty())
        why += " stored at the kill is neither the old block nor the new one;";

    // The next client starts afresh: its START drops whatever the killed write staged, so a
    // COMMIT straight after it keeps the block as it was.
    PtyClient next(QString::fromStdString(device));
    // An answer to the killed client's last frame may still be on its way.
    next.readFor(30);
    tcflush(next.fd(), TCIFLUSH);
    if (next.exchange(kStart, 3) != kStart || next.exchange(kCommit, 3) != kCommit)
        why += " the controller did not answer the next client;";
    if (fileBytes(state) != (committed ? newBytes : oldBytes))
        why += " after START and COMMIT the block is a mix;";
    sim.kill(SIGTERM);
    sim.wait();

    QDirIterator files(backups, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    *backupFiles = 0;
    while (files.hasNext()) {
        ++*backupFiles;
        const QFileInfo info(files.next());
        if (info.size() != kConfigBlockSize)
            why += " " + info.fileName().toStdString() + " holds " + std::to_string(info.size()) +
                   " bytes;";
    }
    return why;
}

TEST(KilledMidWrite, EveryFrameOfTheWriteAndEveryMomentOfTheBackupLeaveWholeBlocksAndFiles)
{
    std::vector<KillPoint> points;
    for (int frame = 1; frame <= kWriteExchanges + kReadExchanges; ++frame)
        points.push_back({frame, 0});
    // Saving the first-connection image and the history image takes about a millisecond after
    // the read's last reply; kills spread over it.
    for (int delayUs : {0, 500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 7000, 10000})
        points.push_back({0, delayUs});

    // The kills run side by side: each waits mostly for the controller's pauses.
    std::atomic<std::size_t> nextPoint{0};
    std::vector<std::string> failures(points.size());
    std::vector<int> backupFiles(points.size(), -1);
    std::vector<std::thread> workers;
    for (int w = 0; w < 6; ++w) {
        workers.emplace_back([&] {
            for (std::size_t i = nextPoint++; i < points.size(); i = nextPoint++)
                failures[i] = killOnce(points[i], &backupFiles[i]);
        });
    }
    for (std::thread& t : workers)
        t.join();
    std::string saved;
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(failures[i], "")
            << "killed after frame " << points[i].frame << " (+" << points[i].delayUs << " us)";
        // Once the write has begun, both images are on disk.
        if (points[i].frame > 0)
            EXPECT_EQ(backupFiles[i], 2) << "killed after frame " << points[i].frame;
        else
            saved += " " + std::to_string(backupFiles[i]);
    }
    // Where the kills during the save fell: how many of the two images each one left.
    std::cout << "backup files left by the kills while saving:" << saved << std::endl;
}

} // namespace
