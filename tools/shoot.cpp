// Runs the wizard offscreen on a simulated controller and saves a picture of every page.
#include "link_controller_access.h"
#include "link_worker.h"
#include "message_prompter.h"
#include "page.h"
#include "presets.h"
#include "resource_module.h"
#include "sim_server.h"
#include "wizird.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

// Answers every message box positively and prints what was asked.
class AutoPrompter : public Prompter
{
public:
    Answer ask(int id, Buttons buttons, Icon, const QString&) override
    {
        std::fprintf(stderr, "message %d\n", id);
        return positive(buttons);
    }
    Answer tell(const QString& text, Buttons buttons, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return positive(buttons);
    }
    static Answer positive(Buttons b)
    {
        switch (b) {
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo:
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Cancel;
        default:
            return Answer::Ok;
        }
    }
};

// Ports that cannot be opened: ttyUSB0 for lack of permission, the others held elsewhere.
class RefusingPort : public SerialPort
{
public:
    OpenError open(const QString& path, QString*) override
    {
        return path.endsWith(QLatin1Char('0')) ? OpenError::NoPermission : OpenError::Busy;
    }
    QStringList configure() override { return {}; }
    void discardInput() override {}
    bool write(const std::uint8_t*, int) override { return false; }
    ReadResult read(int, int) override { return {{}, true, QStringLiteral("closed")}; }
    void close() override {}
    bool isOpen() const override { return false; }
};

// Saves message-103.png: the real message box when no controller answers, with the help this
// machine gives for a refused and a busy port.
int shootNoController(const ResourceModule& resources, const QString& out)
{
    LinkWorker link([] { return std::make_unique<RefusingPort>(); });
    MessagePrompter prompter(resources);
    QDir().mkpath(out);
    const QString path = QDir(out).filePath(QStringLiteral("message-103.png"));
    bool saved = false;
    QTimer grabber;
    QObject::connect(&grabber, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return; // still searching
        saved = box->grab().save(path);
        box->reject(); // Cancel ends the search
    });
    grabber.start(300);
    QTemporaryDir backups;
    LinkControllerAccess access(link, prompter,
                                {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")},
                                backups.path());
    access.connectController(nullptr);
    if (!saved) {
        std::fprintf(stderr, "no message box to save\n");
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Saves page-N.png of the wizard on every page.");
    parser.addHelpOption();
    const QCommandLineOption presetOption("preset", "Simulator preset.", "NAME", "full");
    const QCommandLineOption versionOption("version", "Software version MMmm (hex).", "MMmm");
    const QCommandLineOption languageOption("language", "english or chinese.", "NAME", "english");
    const QCommandLineOption outOption("out", "Output folder.", "DIR", "shots");
    const QCommandLineOption bundleOption("bundles", "Folder of the .rcc bundles.", "DIR");
    const QCommandLineOption noControllerOption(
        "no-controller", "Save message-103.png instead: no controller, ports refused and busy.");
    parser.addOptions(
        {presetOption, versionOption, languageOption, outOption, bundleOption, noControllerOption});
    parser.process(app);

    QString error;
    const QStringList dirs =
        parser.isSet(bundleOption) ? QStringList{parser.value(bundleOption)} : QStringList{};
    auto resources = ResourceModule::load(parser.value(languageOption), &error, dirs);
    if (!resources) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (parser.isSet(noControllerOption))
        return shootNoController(*resources, parser.value(outOption));
    SimOptions options;
    options.preset = parser.value(presetOption);
    if (parser.isSet(versionOption)) {
        bool ok = false;
        options.versionOverride = parser.value(versionOption).toInt(&ok, 16);
        if (!ok) {
            std::fprintf(stderr, "bad version\n");
            return 2;
        }
        // The pages read the version from the image too.
        std::uint8_t major = 0, minor = 0;
        presetImage(options.preset, &options.image, &major, &minor);
        options.image.setSoftwareVersion(static_cast<std::uint8_t>(options.versionOverride >> 8),
                                         static_cast<std::uint8_t>(options.versionOverride & 0xFF));
        options.hasImage = true;
    }
    SimServer sim(options);
    if (!sim.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir backups;
    WizirdOptions wo;
    wo.ports = QStringList{sim.devicePath()};
    wo.backupDir = backups.path();
    wo.openUrl = [](const QUrl&) { return true; };
    ConfigBlock block;
    LinkWorker link;
    AutoPrompter prompter;
    Wizird frame(*resources, block, link, prompter, wo);
    if (!frame.isValid() || !frame.OnInitDialog()) {
        std::fprintf(stderr, "the wizard did not open: %s\n", qPrintable(frame.error()));
        return 1;
    }
    const QString out = parser.value(outOption);
    QDir().mkpath(out);
    frame.show();
    for (int n = 1; n <= frame.pageCount(); ++n) {
        if (n > 1)
            frame.OnNext();
        if (frame.currentPage() != n) {
            std::fprintf(stderr, "page %d refused to be left; stopping\n", frame.currentPage());
            return 1;
        }
        QApplication::processEvents();
        const QString path = QDir(out).filePath(QStringLiteral("page-%1.png").arg(n));
        frame.grab().save(path);
        std::printf("%s %s\n", qPrintable(path),
                    frame.page(n) ? frame.page(n)->metaObject()->className() : "?");
    }
    return 0;
}
