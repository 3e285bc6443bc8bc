// Times block reads and writes against the paced simulator, and norvelctl's verified set and
// import end to end, and prints each as a ratio to its floor.
#include "bench_support.h"
#include "cli_tool.h"
#include "frame.h"
#include "sim_server.h"
#include "transfers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void report(const char* what, double ms, double floor)
{
    std::printf("%-17s %7.1f ms, floor %7.1f ms, ratio %.3f (target 1.15)\n", what, ms, floor,
                ms / floor);
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

    const TransferFloors floors = transferFloors();
    const double readFloor = floors.read;
    const double writeFloor = floors.write;

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
    link.disconnect();

    // norvelctl set and import, verified: connect (one identify) and read the block with
    // identify, write and commit, then read it back (no identification). Each round changes a
    // field, so that every round writes.
    const double verifiedFloor = floors.verified;
    QTemporaryDir dir;
    const QStringList common = {"--port", server.devicePath(), "--backup-dir", dir.path(), "--yes"};
    QString documents[2];
    if (!writeAlternatingDocuments(dir.path(), documents))
        return 1;
    std::vector<double> sets, imports;
    for (int i = 0; i < rounds; ++i) {
        const double set = timeCommand(
            common + QStringList{"set", QStringLiteral("MaxMotorCurrent=%1").arg(i % 2 ? 90 : 85)});
        const double import = timeCommand(common + QStringList{"import", documents[i % 2]});
        if (set < 0 || import < 0)
            return 1;
        sets.push_back(set);
        imports.push_back(import);
    }

    report("read+identify", median(reads), readFloor);
    report("write+commit", median(writes), writeFloor);
    report("set, verified", median(sets), verifiedFloor);
    report("import, verified", median(imports), verifiedFloor);
    std::printf("(median of %d rounds on the paced simulator)\n", rounds);
    return 0;
}
