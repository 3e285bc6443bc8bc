// Resource module loader: registers a bundle and serves its templates, texts and images.
#include "resource_module.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QResource>
#include <QUiLoader>
#include <QWidget>
#include <QXmlStreamReader>

#ifndef NORVEL_DATA_DIR
#define NORVEL_DATA_DIR "/usr/local/share/norvel-controller"
#endif
#ifndef NORVEL_DATA_DIR_FROM_BIN
#define NORVEL_DATA_DIR_FROM_BIN "../share/norvel-controller"
#endif

namespace {

const QString kRootPrefix = QStringLiteral("/norvel-res/");

void setError(QString* error, const QString& text)
{
    if (error != nullptr)
        *error = text;
}

// Reads a JSON object from the bundle; an empty object when the file is missing or broken.
QJsonObject readJsonObject(const QString& path, QString* problem = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(problem, QStringLiteral("cannot open %1").arg(path));
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        setError(problem,
                 QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString()));
        return {};
    }
    return doc.object();
}

QList<ResourceModule::MenuItem> menuItems(const QJsonArray& array)
{
    QList<ResourceModule::MenuItem> items;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        ResourceModule::MenuItem item;
        item.text = object.value(QStringLiteral("text")).toString();
        item.command = object.value(QStringLiteral("command")).toInt();
        item.items = menuItems(object.value(QStringLiteral("items")).toArray());
        items.append(item);
    }
    return items;
}

void addMenuItems(QMenu* menu, const QList<ResourceModule::MenuItem>& items)
{
    for (const ResourceModule::MenuItem& item : items) {
        if (!item.items.isEmpty()) {
            addMenuItems(menu->addMenu(item.text), item.items);
        } else {
            QAction* action = menu->addAction(item.text);
            action->setData(item.command);
        }
    }
}

} // namespace

QStringList ResourceModule::defaultSearchDirs()
{
    QStringList dirs;
    if (QCoreApplication::instance() != nullptr) {
        const QString programDir = QCoreApplication::applicationDirPath();
        dirs << programDir;
        // An installed tree keeps working wherever it was unpacked: the data folder is found
        // from the program's own folder first.
        dirs << QDir::cleanPath(programDir + QStringLiteral("/" NORVEL_DATA_DIR_FROM_BIN));
    }
    const QString dataDir = QStringLiteral(NORVEL_DATA_DIR);
    if (!dirs.contains(dataDir))
        dirs << dataDir;
    return dirs;
}

std::unique_ptr<ResourceModule> ResourceModule::load(const QString& moduleName, QString* error,
                                                     const QStringList& searchDirs)
{
    // The name becomes a file name and a resource root: no paths, nothing odd.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (!plainName.match(moduleName).hasMatch()) {
        setError(error, QStringLiteral("\"%1\" is not a resource module name").arg(moduleName));
        return nullptr;
    }

    const QString file = moduleName + QStringLiteral(".rcc");
    const QStringList dirs = searchDirs.isEmpty() ? defaultSearchDirs() : searchDirs;
    QString found;
    for (const QString& dir : dirs) {
        const QFileInfo candidate(QDir(dir), file);
        if (candidate.isFile()) {
            found = candidate.absoluteFilePath();
            break;
        }
    }
    if (found.isEmpty()) {
        setError(error, QStringLiteral("Cannot find the resource module file %1; looked in: %2")
                            .arg(file, dirs.join(QStringLiteral(", "))));
        return nullptr;
    }

    const QString root = kRootPrefix + moduleName;
    if (!QResource::registerResource(found, root)) {
        setError(error, QStringLiteral("The file %1 is not a valid resource bundle").arg(found));
        return nullptr;
    }
    std::unique_ptr<ResourceModule> module(new ResourceModule(moduleName, found, root));

    QString problem;
    module->m_strings = readJsonObject(module->path(QStringLiteral("strings.json")), &problem);
    if (!problem.isEmpty()) {
        setError(error,
                 QStringLiteral("The file %1 is not a resource module: %2").arg(found, problem));
        return nullptr; // the destructor unregisters the bundle
    }
    return module;
}

ResourceModule::ResourceModule(const QString& name, const QString& fileName, const QString& root)
    : m_name(name), m_fileName(fileName), m_root(root), m_loader(std::make_unique<QUiLoader>())
{
    // The module is the translation: texts are taken as they stand.
    m_loader->setTranslationEnabled(false);
}

ResourceModule::~ResourceModule()
{
    m_loader.reset();
    QResource::unregisterResource(m_fileName, m_root);
}

QString ResourceModule::path(const QString& relative) const
{
    return QStringLiteral(":") + m_root + QLatin1Char('/') + relative;
}

bool ResourceModule::hasDialog(int id) const
{
    return QFileInfo::exists(path(QStringLiteral("dialogs/%1.ui").arg(id)));
}

QWidget* ResourceModule::loadDialog(int id, QWidget* parent, QString* error) const
{
    const QString file = path(QStringLiteral("dialogs/%1.ui").arg(id));
    QFile ui(file);
    if (!ui.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Dialog %1 of module %2: cannot open %3: %4")
                            .arg(id)
                            .arg(m_name, file, ui.errorString()));
        return nullptr;
    }
    // Pictures in a template name their files relative to the template's folder.
    m_loader->setWorkingDirectory(QDir(path(QStringLiteral("dialogs"))));
    QWidget* widget = m_loader->load(&ui, parent);
    if (widget == nullptr) {
        setError(error, QStringLiteral("Dialog %1 of module %2: %3")
                            .arg(id)
                            .arg(m_name, m_loader->errorString()));
        return nullptr;
    }
    return widget;
}

QString ResourceModule::string(int id) const
{
    const QJsonValue value = m_strings.value(QString::number(id));
    return value.isString() ? value.toString() : QString();
}

QHash<QString, QString> ResourceModule::fieldLabels() const
{
    static const QRegularExpression footnote(QStringLiteral("\\s*\\[\\d+\\]\\s*$"));
    static const QRegularExpression colon(QStringLiteral("[:\uFF1A]\\s*$"));
    QHash<QString, QString> labels;
    QDir dialogs(path(QStringLiteral("dialogs")));
    const QStringList files = dialogs.entryList({QStringLiteral("*.ui")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile ui(dialogs.filePath(name));
        if (!ui.open(QIODevice::ReadOnly))
            continue;
        // Within one widget: its text and the fields it names, whichever comes first.
        QXmlStreamReader xml(&ui);
        QString text, fields, property;
        const auto flush = [&] {
            QString label = text.trimmed();
            label.remove(footnote);
            label.remove(colon);
            label = label.trimmed();
            for (const QString& field : fields.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                QString& slot = labels[field];
                if (!label.isEmpty() && !slot.split(QStringLiteral(" / ")).contains(label))
                    slot = slot.isEmpty() ? label : slot + QStringLiteral(" / ") + label;
            }
            text.clear();
            fields.clear();
        };
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
                flush();
            } else if (xml.isStartElement() && xml.name() == QLatin1String("property")) {
                property = xml.attributes().value(QLatin1String("name")).toString();
            } else if (xml.isStartElement() && xml.name() == QLatin1String("string")) {
                const QString value = xml.readElementText();
                if (property == QLatin1String("text"))
                    text = value;
                else if (property == QLatin1String("fields"))
                    fields = value;
            } else if (xml.isEndElement() && xml.name() == QLatin1String("property")) {
                property.clear();
            }
        }
        flush();
    }
    return labels;
}

QPixmap ResourceModule::bitmap(int id) const
{
    return QPixmap(path(QStringLiteral("bitmaps/%1.png").arg(id)));
}

QIcon ResourceModule::icon(int id) const
{
    const QString file = path(QStringLiteral("icons/%1.png").arg(id));
    return QFileInfo::exists(file) ? QIcon(file) : QIcon();
}

QList<ResourceModule::MenuItem> ResourceModule::menu(int id) const
{
    const QJsonObject object = readJsonObject(path(QStringLiteral("menus/%1.json").arg(id)));
    return menuItems(object.value(QStringLiteral("items")).toArray());
}

QMenuBar* ResourceModule::createMenuBar(int id, QWidget* parent) const
{
    auto* bar = new QMenuBar(parent);
    for (const MenuItem& item : menu(id)) {
        if (!item.items.isEmpty()) {
            addMenuItems(bar->addMenu(item.text), item.items);
        } else {
            QAction* action = bar->addAction(item.text);
            action->setData(item.command);
        }
    }
    return bar;
}

QJsonObject ResourceModule::version() const
{
    return readJsonObject(path(QStringLiteral("version.json")));
}
