// Times the port search behind silent ports and norvelctl --all import onto a bench of paced
// simulators, and prints each figure against its target.
#include "bench_support.h"
#include "cli_tool.h"
#include "link.h"
#include "silent_pty.h"
#include "sim_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Milliseconds to find the controller behind `silent` ports that never answer; -1 on failure.
double timeSearch(const QStringList& silent, const QString& controller)
{
    Link link;
    QElapsedTimer t;
    t.start();
    const ConnectResult r = link.ConnectController(silent + QStringList{controller});
    const double ms = t.nsecsElapsed() / 1e6;
    if (!r.connected || r.port != controller) {
        std::fprintf(stderr, "the search did not find %s\n", qPrintable(controller));
        return -1;
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QString error;

    std::vector<std::unique_ptr<SilentPty>> silentPorts;
    QStringList silent;
    for (int i = 0; i < 16; ++i) {
        silentPorts.push_back(std::make_unique<SilentPty>());
        if (!silentPorts.back()->open(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        silent << silentPorts.back()->devicePath();
    }

    // A bench of six paced controllers, each with its own serial number.
    std::vector<std::unique_ptr<SimServer>> bench;
    for (int i = 0; i < 6; ++i) {
        SimOptions options;
        options.pace = true;
        auto server = std::make_unique<SimServer>(options);
        if (!server->start(&error)) {
            std::fprintf(stderr, "cannot start the simulator: %s\n", qPrintable(error));
            return 1;
        }
        ConfigBlock block = server->storedImage();
        block.setByte(79, static_cast<std::uint8_t>(block.byte(79) + i));
        server->setStoredImage(block);
        bench.push_back(std::move(server));
    }

    std::printf("Port search (median of %d rounds):\n", rounds);
    double behind[3] = {};
    const int counts[3] = {0, 4, 16};
    for (int c = 0; c < 3; ++c) {
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            const double ms = timeSearch(silent.mid(0, counts[c]), bench[0]->devicePath());
            if (ms < 0)
                return 1;
            times.push_back(ms);
        }
        behind[c] = median(times);
        std::printf("  behind %2d silent ports  %7.1f ms\n", counts[c], behind[c]);
    }
    const double searchTarget = behind[0] + 1500 + 100;
    std::printf("  behind 16: %.1f ms over behind none (target: at most one time-out, 1500 ms, "
                "plus 100 ms) %s\n",
                behind[2] - behind[0], behind[2] <= searchTarget ? "met" : "MISSED");

    QTemporaryDir dir;
    QString documents[2];
    if (!writeAlternatingDocuments(dir.path(), documents))
        return 1;
    const auto importAll = [&](int controllers, int silentCount) {
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            QStringList args;
            for (int k = 0; k < silentCount; ++k)
                args << "--port" << silent[k];
            for (int k = 0; k < controllers; ++k)
                args << "--port" << bench[static_cast<std::size_t>(k)]->devicePath();
            args << "--backup-dir" << dir.path() << "--all"
                 << "import" << documents[i % 2] << "--yes";
            const double ms = timeCommand(args);
            if (ms < 0)
                return -1.0;
            times.push_back(ms);
        }
        return median(times);
    };
    std::printf("norvelctl --all import, verified, paced simulators (median of %d rounds):\n",
                rounds);
    const double one = importAll(1, 0);
    const double six = importAll(6, 0);
    const double sixSilent = importAll(6, 2);
    if (one < 0 || six < 0 || sixSilent < 0)
        return 1;
    std::printf("  onto 1 controller                 %7.1f ms\n", one);
    std::printf("  onto 6 controllers                %7.1f ms, ratio %.3f (target 1.3) %s\n", six,
                six / one, six <= 1.3 * one ? "met" : "MISSED");
    std::printf("  onto 6, two silent ports added    %7.1f ms, %.1f ms more (target: at most one "
                "time-out, 1500 ms) %s\n",
                sixSilent, sixSilent - six, sixSilent - six <= 1500 ? "met" : "MISSED");
    return 0;
}
