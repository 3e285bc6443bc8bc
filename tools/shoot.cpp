// Runs the wizard offscreen on a simulated controller and saves a picture of every page.
#include "link_worker.h"
#include "page.h"
#include "presets.h"
#include "resource_module.h"
#include "sim_server.h"
#include "wizird.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

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
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Cancel;
        default:
            return Answer::Ok;
        }
    }
};

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
    parser.addOptions({presetOption, versionOption, languageOption, outOption, bundleOption});
    parser.process(app);

    QString error;
    const QStringList dirs =
        parser.isSet(bundleOption) ? QStringList{parser.value(bundleOption)} : QStringList{};
    auto resources = ResourceModule::load(parser.value(languageOption), &error, dirs);
    if (!resources) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
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
        options.image.setByte(fieldDef(Field::SoftwareVersion).offset,
                              static_cast<std::uint8_t>(options.versionOverride >> 8));
        options.image.setByte(fieldDef(Field::SoftwareVersion).offset + 1,
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
    wo.openUrl = [](const QUrl&) {};
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
