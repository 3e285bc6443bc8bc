// Pictures of the professional view offscreen: as read, with edits, and a comparison; and of
// import mode's window.
#include "comparison_dialog.h"
#include "controller_access.h"
#include "field_table_model.h"
#include "import_window.h"
#include "presets.h"
#include "professional_view.h"
#include "resource_module.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A controller that is always there and keeps what is written.
class ShotController : public ControllerAccess
{
public:
    explicit ShotController(const ConfigBlock& block) : m_block(block) {}
    bool isConnected() const override { return true; }
    QString portName() const override { return QStringLiteral("/dev/ttyUSB0"); }
    bool connectController(QWidget*) override { return true; }
    bool read(QWidget*, ConfigBlock* block, QString*) override
    {
        *block = m_block;
        return true;
    }
    bool write(QWidget*, const ConfigBlock&, const ConfigBlock& next, QString*) override
    {
        m_block = next;
        return true;
    }
    std::optional<ConfigBlock> firstBackup(const ConfigBlock&) const override { return m_block; }

private:
    ConfigBlock m_block;
};

bool save(QWidget* widget, const QString& path)
{
    QApplication::processEvents();
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

QModelIndex valueIndex(ProfessionalView& view, Field f)
{
    QAbstractItemModel* model = view.table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, FieldTableModel::ValueColumn);
        if (index.data(FieldTableModel::FieldRole).value<Field>() == f)
            return index;
    }
    return {};
}

bool edit(ProfessionalView& view, Field f, const QVariant& value, int role = Qt::EditRole)
{
    const QModelIndex index = valueIndex(view, f);
    return index.isValid() && view.table()->model()->setData(index, value, role);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Saves professional-<language>-*.png: the view as read, edited, filtered, and a "
        "comparison.");
    parser.addHelpOption();
    const QCommandLineOption presetOption("preset", "Simulator preset.", "NAME", "full");
    const QCommandLineOption languageOption("language", "english or chinese.", "NAME", "english");
    const QCommandLineOption outOption("out", "Output folder.", "DIR", "shots");
    const QCommandLineOption bundleOption("bundles", "Folder of the .rcc bundles.", "DIR");
    parser.addOptions({presetOption, languageOption, outOption, bundleOption});
    parser.process(app);

    QString error;
    const QString language = parser.value(languageOption);
    const QStringList dirs =
        parser.isSet(bundleOption) ? QStringList{parser.value(bundleOption)} : QStringList{};
    auto resources = ResourceModule::load(language, &error, dirs);
    if (!resources) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ConfigBlock block;
    if (!presetImage(parser.value(presetOption), &block, nullptr, nullptr)) {
        std::fprintf(stderr, "no preset %s\n", qPrintable(parser.value(presetOption)));
        return 2;
    }
    ShotController controller(block);
    ProfessionalViewOptions options;
    options.strings = [&resources](int id) { return resources->string(id); };
    const QHash<QString, QString> labels = resources->fieldLabels();
    options.labels = [&labels](Field f) { return labels.value(QLatin1String(fieldDef(f).name)); };
    options.prompts.question = [](const QString&) { return true; };
    options.prompts.message = [](const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    ProfessionalView view(&controller, block, options);
    view.show();

    const QDir out(parser.value(outOption));
    QDir().mkpath(out.path());
    const auto name = [&](const char* what) {
        return out.filePath(QStringLiteral("professional-%1-%2.png").arg(language, what));
    };
    bool ok = save(&view, name("read"));

    // Edits: a changed number, and a choice whose couplings adjust other fields.
    edit(view, Field::MaxMotorCurrent, 80);
    edit(view, Field::BoostFunction, Qt::Checked, Qt::CheckStateRole);
    ok = save(&view, name("edited")) && ok;

    view.filterEdit()->setText(QStringLiteral("brake"));
    ok = save(&view, name("filtered")) && ok;
    view.filterEdit()->clear();

    ConfigBlock other = block;
    other.set(Field::MaxMotorCurrent, 60);
    other.set(Field::StartupDelay, 3);
    view.compareWithImage(other, QStringLiteral("other.bin"));
    if (auto* dialog = view.findChild<ComparisonDialog*>())
        ok = save(dialog, name("compare")) && ok;

    // Offline, on a saved image, before Connect.
    QTemporaryDir files;
    const QString image = files.filePath(QStringLiteral("DVR72401-12AB0002.bin"));
    if (!view.saveAs(image, ConfigurationFile::Format::Image))
        return 1;
    ProfessionalView offline(&controller, image, std::nullopt, options);
    offline.show();
    ok = save(&offline, name("offline")) && ok;

    // Import mode: a document with changes, and one that is refused.
    const QString batch = files.filePath(QStringLiteral("batch-7.json"));
    const QString refused = files.filePath(QStringLiteral("other-model.json"));
    for (const auto& [path, fields] :
         {std::pair{batch, QByteArray("\"MaxMotorCurrent\": 80, \"StartupDelay\": 12, "
                                      "\"Abs\": false, \"PreferredAddress\": 40")},
          std::pair{refused, QByteArray("\"MaxMotorCurrent\": 10, \"PreferredAddress\": 200")}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("{\"format\": \"norvel-configuration\", \"version\": 1, \"fields\": {" + fields +
                "}}");
    }
    ImportWindow importing(controller, batch, block, options.strings, options.labels);
    importing.show();
    ok = save(&importing, name("import")) && ok;
    ImportWindow refusing(controller, refused, block, options.strings, options.labels);
    refusing.show();
    ok = save(&refusing, name("import-refused")) && ok;

    // The curve panel: each group's curve after an edit, the first-connection image's curve
    // faint behind it.
    ProfessionalView curves(&controller, block, options);
    curves.show();
    const std::pair<Field, int> curveEdits[] = {
        {Field::ThrottleEndPosition, 160},
        {Field::MaxRegenCurrent, 80},
        {Field::UnderVoltage, 62},
        {Field::StopOutputTemperature, 125},
    };
    for (const auto& [field, value] : curveEdits) {
        const QModelIndex index = valueIndex(curves, field);
        if (!index.isValid())
            continue; // a controller without the field
        curves.table()->setCurrentIndex(index);
        edit(curves, field, value);
        const QString group = QString::fromLatin1(fieldDef(field).name).toLower();
        ok = save(&curves,
                  out.filePath(
                      QStringLiteral("professional-%1-curve-%2.png").arg(language, group))) &&
             ok;
    }

    // Crossed settings: the under-voltage above the over-voltage's cut-back, the resume
    // temperature above the stop temperature.
    ConfigBlock crossed = block;
    crossed.set(Field::UnderVoltage, 60);
    crossed.set(Field::OverVoltage, 55);
    crossed.set(Field::StopOutputTemperature, 110);
    crossed.set(Field::ResumeOutputTemperature, 130);
    ProfessionalView crossedView(&controller, crossed, options);
    crossedView.show();
    for (Field field : {Field::UnderVoltage, Field::StopOutputTemperature}) {
        const QModelIndex index = valueIndex(crossedView, field);
        if (!index.isValid())
            continue;
        crossedView.table()->setCurrentIndex(index);
        const QString group = QString::fromLatin1(fieldDef(field).name).toLower();
        ok = save(&crossedView,
                  out.filePath(
                      QStringLiteral("professional-%1-crossed-%2.png").arg(language, group))) &&
             ok;
    }
    return ok ? 0 : 1;
}
