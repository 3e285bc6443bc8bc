// norvel-controller --station DOC.
#include "station_mode.h"

#include "config_document.h"
#include "file_io.h"
#include "message_ids.h"
#include "message_prompter.h"
#include "resource_module.h"
#include "station.h"
#include "station_recorder.h"
#include "station_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

int runStationMode(const ResourceModule& resources, MessagePrompter& prompter,
                   const StationModeOptions& options)
{
    QTextStream err(stderr);
    // Capped: a device or a pipe given for the document is never read without end.
    QByteArray content;
    QString readError;
    if (!readFileCapped(options.document, kDocumentSizeCap, &content, &readError)) {
        err << "norvel-controller: " << readError << Qt::endl;
        return 2;
    }
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(content, &errors);
    for (const DocumentError& e : errors)
        err << "norvel-controller: " << options.document << ": " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return 2;
    RecordTarget target;
    QString error;
    if (!RecordTarget::parse(options.record.isEmpty() ? RecordTarget::defaultFile()
                                                      : options.record,
                             &target, &error)) {
        err << "norvel-controller: " << error << Qt::endl;
        return 2;
    }
    Prompter& ask = prompter;
    if (!options.yes && ask.ask(MessageIds::MotorStopped, Prompter::Buttons::YesNo,
                                Prompter::Icon::Warning) != Prompter::Answer::Yes)
        return 0;

    SqlStationRecorder recorder(target, options.operatorName, options.document, content);
    StationWindow::Heading heading;
    heading.document = QFileInfo(options.document).fileName();
    heading.sha256 = recorder.documentSha256();
    heading.record = target.display();
    heading.operatorName = options.operatorName;
    heading.everyPort = options.ports.isEmpty();
    StationWindow window([&resources](int id) { return resources.string(id); }, heading);
    window.setWindowIcon(resources.icon(159));

    // The station reports from its own threads; the window hears it on the GUI thread.
    StationObserver observer;
    observer.port = [&window](const PortStatus& status) {
        QMetaObject::invokeMethod(
            &window, [&window, status] { window.showPort(status); }, Qt::QueuedConnection);
    };
    observer.unit = [&window](const StationUnit& unit) {
        QMetaObject::invokeMethod(
            &window, [&window, unit] { window.showUnit(unit); }, Qt::QueuedConnection);
    };
    observer.record = [&window](bool works, const QString& why) {
        QMetaObject::invokeMethod(
            &window, [&window, works, why] { window.showRecord(works, why); },
            Qt::QueuedConnection);
    };
    StationOptions stationOptions;
    stationOptions.ports = options.ports;
    stationOptions.units = options.units;
    stationOptions.import.backupFolder = options.backupDir;
    Station station(doc, stationOptions, recorder, observer);
    if (!station.start(&error)) {
        prompter.tell(resources.string(MessageIds::RecordUnusable).arg(target.display(), error),
                      Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return 1;
    }
    window.finishRequested = [&station] { station.finish(); };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (station.ended()) {
            watch.stop();
            window.setEnded();
        }
    });
    watch.start(100);
    prompter.setParentWindow(&window);
    window.show();
    QApplication::exec();
    prompter.setParentWindow(nullptr);
    station.finish();
    station.wait(-1);
    QApplication::sendPostedEvents(); // nothing of the station's is left for a window gone
    return station.failed() > 0 ? 1 : 0;
}
