// Times block reads and writes against the paced simulator and prints each as a ratio to its floor.
#include "frame.h"
#include "sim_server.h"
#include "transfers.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Milliseconds one byte takes on the wire at 19200 baud, 8N1 (10 bits).
constexpr double kByteMs = 10.0 * 1000.0 / 19200.0;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    SimOptions options;
    options.pace = true;
    SimServer server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", qPrintable(error));
        return 1;
    }
    Link link;
    if (!link.ConnectController({server.devicePath()}).connected) {
        std::fprintf(stderr, "no controller on %s\n", qPrintable(server.devicePath()));
        return 1;
    }

    // Bytes on the wire, both directions.
    const int readBytes = (3 + 3) + 8 * (6 + 19) + (3 + 6);   // start, 8 reads, identify
    const int writeBytes = (3 + 3) + 10 * (19 + 3) + (3 + 3); // start, 10 writes, commit
    const double readFloor = readBytes * kByteMs + kWaitAfterStartMs + kWaitAfterIdentifyMs;
    const double writeFloor = writeBytes * kByteMs + kWaitAfterStartMs + kWaitAfterCommitMs;

    std::vector<double> reads, writes;
    ConfigBlock block;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (!ReadConfigBlock(link, block) || !IdentifyController(link, block)) {
            std::fprintf(stderr, "read failed: %s\n", qPrintable(link.lastError()));
            return 1;
        }
        reads.push_back(t.nsecsElapsed() / 1e6);
        t.start();
        if (!WriteConfigBlock(link, block)) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(link.lastError()));
            return 1;
        }
        writes.push_back(t.nsecsElapsed() / 1e6);
    }
    const double r = median(reads), w = median(writes);
    std::printf("read+identify: %7.1f ms, floor %7.1f ms, ratio %.3f (target 1.15)\n", r, readFloor,
                r / readFloor);
    std::printf("write+commit:  %7.1f ms, floor %7.1f ms, ratio %.3f (target 1.15)\n", w,
                writeFloor, w / writeFloor);
    std::printf("(median of %d rounds on the paced simulator)\n", rounds);
    return 0;
}
