// Ctrl+C on norvelctl station in the middle of a unit, against norvel-sim playing a line: one
// finishes the unit and records it; a second ends at once with 130.
#include "station_fixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class InterruptTest : public StationFixture
{
protected:
    // Starts norvel-sim playing a slow line; its path, or empty.
    QString startSimulator()
    {
        sim.start(NORVEL_SIM_PROGRAM,
                  {"--line", "5", "--line-pause", "100", "--delay", "40", "--trace"});
        if (!sim.waitForReadyRead(5000))
            return QString();
        return QString::fromLocal8Bit(sim.readLine()).trimmed();
    }
    // Waits until the simulator has seen `count` more WRITE frames than before.
    bool waitForWrites(int count)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 15000) {
            sim.waitForReadyRead(100);
            simTrace += QString::fromLocal8Bit(sim.readAllStandardError());
            if (simTrace.count(QStringLiteral("  WRITE")) >= count)
                return true;
        }
        return false;
    }
    void TearDown() override
    {
        for (QProcess* p : {&station, &sim}) {
            p->kill();
            p->waitForFinished();
        }
    }

    QProcess sim, station;
    QString simTrace;
};

TEST_F(InterruptTest, OneInterruptFinishesTheUnitInProgressTwoEndAtOnce)
{
    const QString port = startSimulator();
    ASSERT_FALSE(port.isEmpty());
    const QString doc = document(R"("MaxMotorCurrent": 60)");
    for (const int interrupts : {1, 2}) {
        SCOPED_TRACE(interrupts);
        QFile::remove(recordFile());
        station.start(NORVELCTL_PROGRAM, {"station", doc, "--port", port, "--record", recordFile(),
                                          "--yes", "--backup-dir", dir.path()});
        ASSERT_TRUE(station.waitForStarted());
        // In the middle of the unit's write (two replies out of twelve, each 40 ms late).
        ASSERT_TRUE(waitForWrites(simTrace.count(QStringLiteral("  WRITE")) + 4));
        for (int i = 0; i < interrupts; ++i) {
            if (i > 0) // a signal sent while the last one is pending would merge with it
                QThread::msleep(200);
            ::kill(static_cast<pid_t>(station.processId()), SIGINT);
        }
        ASSERT_TRUE(station.waitForFinished(10000));
        const QString out = QString::fromLocal8Bit(station.readAllStandardOutput());
        const QList<QStringList> lines = unitLines(out);
        if (interrupts == 1) {
            EXPECT_EQ(station.exitCode(), 0) << out.toStdString();
            ASSERT_EQ(lines.size(), 1);
            EXPECT_EQ(lines[0][2], "PASS");
            EXPECT_TRUE(out.endsWith("station: 1 passed, 0 failed\n")) << out.toStdString();
            EXPECT_EQ(rowsOf(recordFile()).size(), 1);
        } else {
            EXPECT_EQ(station.exitCode(), 130) << out.toStdString();
            EXPECT_TRUE(lines.isEmpty()) << out.toStdString();
            EXPECT_TRUE(rowsOf(recordFile()).isEmpty());
        }
    }
}

} // namespace
