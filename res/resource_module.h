// Resource module loader: a language bundle (english.rcc, chinese.rcc) reached by identifier.
#pragma once

#include <QHash>
#include <QIcon>
#include <QJsonObject>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <memory>

class QMenuBar;
class QUiLoader;
class QWidget;

// The maker's web site; the Help button opens kSupportPath on it.
inline constexpr char kMakerHost[] = "www.norvel-motion.example";
inline constexpr char kSupportPath[] = "/mot/support.html";
inline constexpr char kSupportUrl[] = "http://www.norvel-motion.example/mot/support.html";

// One loaded resource module. The bundle is pure data: dialog templates (.ui), the string
// table, menus, bitmaps, the icon and the version record, all found by numeric identifier.
// Loading registers the bundle under its own resource root (":/norvel-res/<name>"), so several
// modules can be loaded side by side; destroying the object unregisters it again.
class ResourceModule
{
public:
    // One entry of a menu: a popup (items not empty, command 0) or a command (no items).
    struct MenuItem
    {
        QString text;
        int command = 0;
        QList<MenuItem> items;
    };

    // Loads "<moduleName>.rcc" from the first folder of searchDirs that holds it; with no
    // folders given, from the program's own folder, then from the data folder of the tree the
    // program is installed in (../share/norvel-controller), then from the configured one.
    // Returns null and explains why in *error (which file, which folders) when it fails.
    static std::unique_ptr<ResourceModule> load(const QString& moduleName, QString* error,
                                                const QStringList& searchDirs = {});
    // The folders searched when the caller names none.
    static QStringList defaultSearchDirs();

    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    QString name() const { return m_name; }
    QString fileName() const { return m_fileName; } // absolute path of the bundle
    QString root() const { return m_root; }         // ":/norvel-res/<name>"

    // Builds dialog template `id` as a child of parent (a QDialog for popups, a QWidget for
    // pages). Returns null and sets *error when the template is missing or unreadable.
    QWidget* loadDialog(int id, QWidget* parent, QString* error = nullptr) const;
    bool hasDialog(int id) const;

    // Texts of the string table; a null QString when the module has no such string.
    QString string(int id) const;
    // The labels the dialog templates give fields (a label's dynamic property "fields" names
    // them), by field name, without footnote marks ("[2]") and colons; a field that two
    // labels name gets both, joined by " / ".
    QHash<QString, QString> fieldLabels() const;
    // Null pixmap / icon when missing.
    QPixmap bitmap(int id) const;
    QIcon icon(int id) const;
    // Entries of menu bar `id`, in order; empty when missing.
    QList<MenuItem> menu(int id) const;
    // A menu bar built from menu `id`; each command's QAction carries the command in data().
    QMenuBar* createMenuBar(int id, QWidget* parent = nullptr) const;
    // File and product versions, language, code page and the "strings" object.
    QJsonObject version() const;

private:
    ResourceModule(const QString& name, const QString& fileName, const QString& root);
    QString path(const QString& relative) const;

    QString m_name;
    QString m_fileName;
    QString m_root;
    QJsonObject m_strings;
    std::unique_ptr<QUiLoader> m_loader;
};
