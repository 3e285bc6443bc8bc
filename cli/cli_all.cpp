// norvelctl --all: one command on every controller of the bench at once, one worker per port.
#include "cli_tool.h"

#include "file_io.h"
#include "link.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// One controller's run: its port, what it printed and how it ended.
struct Worker
{
    QString port;
    QString out;
    QString err;
    int code = kExitLink;
    QString failure; // the worker's last failure, for the summary
    std::unique_ptr<QThread> thread;
};

// One JSON document of every controller's: an object keyed by port, each value the
// controller's document or {"error": reason}.
QByteArray documentsByPort(const std::vector<std::unique_ptr<Worker>>& workers)
{
    QJsonObject all;
    for (const auto& w : workers)
        all.insert(w->port, w->code == kExitOk
                                ? QJsonDocument::fromJson(w->out.toUtf8()).object()
                                : QJsonObject{{QStringLiteral("error"), w->failure}});
    return QJsonDocument(all).toJson();
}

} // namespace

// Writes every line of `text` to `stream`, each starting with the port. A line that already
// starts with the port (probe's) keeps it once; the program's name gives way to the port.
static void prefixed(QTextStream& stream, const QString& port, const QString& text)
{
    const QString prefix = QStringLiteral("norvelctl: ");
    for (QString line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(prefix))
            line = line.mid(prefix.size());
        if (line.startsWith(port + QLatin1Char(' ')))
            stream << line << '\n';
        else
            stream << port << ": " << line << '\n';
    }
    stream.flush();
}

struct CliTool::ExportNames
{
    std::mutex mutex;
    QSet<QString> written;
};

QString CliTool::claimExportName(const QString& key, const QString& port)
{
    const QString plain = pathInFolder(m_exportFolder, key + QStringLiteral(".json"));
    if (!m_exportNames)
        return plain;
    // Fresh controllers may share a key (same software and serial number); none of their
    // documents may replace another's.
    std::lock_guard<std::mutex> lock(m_exportNames->mutex);
    QString name = plain;
    const QString device =
        fileNameSafe(port.startsWith(QLatin1String("/dev/")) ? port.mid(5) : port);
    for (int n = 1; m_exportNames->written.contains(name); ++n)
        name =
            pathInFolder(m_exportFolder,
                         QStringLiteral("%1-%2%3.json")
                             .arg(key, device, n == 1 ? QString() : QStringLiteral("-%1").arg(n)));
    m_exportNames->written.insert(name);
    return name;
}

int CliTool::runAll(const CliRequest& request)
{
    const bool writes = request.writes();
    Link finder;
    ConnectObserver observer;
    observer.configureFailed = [this](const QString& path, const QString& setting) {
        m_err << path << ": could not set " << setting << Qt::endl;
    };
    const FindResult found = finder.FindControllers(m_ports, observer);
    // With --json standard output is one JSON document; the summary goes with the errors.
    const bool json = request.json;
    QTextStream& summary = json ? m_err : m_out;
    for (const PortProblem& problem : found.openFailures)
        m_err << problem.path << ": cannot open: " << portProblemText(problem) << Qt::endl;
    if (found.controllers.isEmpty()) {
        for (const QString& line : portAdviceLines(found.openFailures, found.silent))
            m_err << "norvelctl: " << line << Qt::endl;
        if (json)
            m_out << "{\n}\n";
        m_out.flush();
        summary << "all: no controller found";
        if (!found.silent.isEmpty())
            summary << "; no answer on " << found.silent.join(QStringLiteral(", "));
        summary << '\n';
        summary.flush();
        return kExitLink;
    }

    // One question for the whole bench.
    if (writes && !request.write.yes) {
        m_err << "Controllers found on " << found.controllers.join(QStringLiteral(", "))
              << Qt::endl;
        if (!askMotorStopped())
            return fail(QStringLiteral("nothing written"), kExitUsage);
    }

    std::vector<std::unique_ptr<Worker>> workers;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<int> done; // workers in the order they ended
    // export DIR: each worker writes its controller's document into DIR.
    const bool exporting = request.command == QLatin1String("export");
    const QString exportFolder = exporting ? request.words.value(0) : QString();
    const auto exportNames = std::make_shared<ExportNames>();
    for (const QString& port : found.controllers) {
        auto worker = std::make_unique<Worker>();
        worker->port = port;
        // What each worker runs: the same request, on its own port, asked once for all.
        CliRequest own = request;
        own.all = false;
        own.ports = QStringList{port};
        own.write.yes = own.write.yes || writes;
        if (exporting)
            own.words.clear();
        const int index = static_cast<int>(workers.size());
        Worker* w = worker.get();
        // QThreads: the serial ports need threads Qt knows for their socket notifiers.
        worker->thread.reset(
            QThread::create([w, own, exportFolder, exportNames, index, &mutex, &finished, &done] {
                QString in;
                QTextStream out(&w->out), err(&w->err), input(&in);
                CliTool tool(out, err, input);
                tool.m_exportFolder = exportFolder;
                tool.m_exportNames = exportNames;
                w->code = tool.execute(own);
                w->failure =
                    tool.m_lastFailure.isEmpty() ? QStringLiteral("failed") : tool.m_lastFailure;
                out.flush();
                err.flush();
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    done.push_back(index);
                }
                finished.notify_all();
            }));
        workers.push_back(std::move(worker));
    }
    for (const auto& worker : workers)
        worker->thread->start();

    // Each controller's lines as soon as it is done, so that a slow one holds up nobody; with
    // --json its document waits for the others.
    for (std::size_t reported = 0; reported < workers.size(); ++reported) {
        int index;
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return done.size() > reported; });
            index = done[reported];
        }
        Worker& w = *workers[static_cast<std::size_t>(index)];
        w.thread->wait();
        if (!json)
            prefixed(m_out, w.port, w.out);
        prefixed(m_err, w.port, w.err);
    }

    QStringList failures;
    int code = kExitOk;
    for (const auto& w : workers) {
        if (w->code == kExitOk)
            continue;
        failures << QStringLiteral("%1 (%2)").arg(w->port, w->failure);
        code = (code == kExitLink || w->code == kExitLink) ? kExitLink : kExitUsage;
    }
    if (json)
        m_out << documentsByPort(workers);
    m_out.flush();
    const auto total = static_cast<int>(workers.size());
    summary << "all: " << request.command << " succeeded on " << (total - failures.size()) << " of "
            << total << (total == 1 ? " controller" : " controllers");
    if (!failures.isEmpty())
        summary << "; failed: " << failures.join(QStringLiteral("; "));
    summary << '\n';
    summary.flush();
    return code;
}
