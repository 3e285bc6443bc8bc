// The professional view's file actions: open, save and compare configurations.
#include "professional_view.h"
#include "professional_view_support.h"

#include "backup_history.h"
#include "comparison_dialog.h"
#include "controller_access.h"
#include "curve_panel.h"
#include "curves.h"
#include "field_delegate.h"
#include "field_filter_model.h"
#include "field_rules.h"
#include "field_table_model.h"
#include "file_io.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace ProfessionalViewSupport;

// --- Files -------------------------------------------------------------------------------------

bool ProfessionalView::saveAs(const QString& path, ConfigurationFile::Format format)
{
    commitEdit();
    const ConfigBlock block = editedBlock();
    const ConfigDocument doc = m_session->document();
    const QByteArray content = format == ConfigurationFile::Format::Image
                                   ? ConfigurationFile::content(block)
                                   : ConfigurationFile::content(doc);
    QString error;
    if (!ConfigurationFile::write(path, content, &error)) {
        tell(text(ViewTexts::CannotSave).arg(fileName(path), error));
        return false;
    }
    rememberRecent(path);
    m_session->saved(path, doc);
    setStatus(text(ViewTexts::Saved).arg(QDir::toNativeSeparators(path)));
    return true;
}

QString ProfessionalView::suggestedPath(ConfigurationFile::Format format) const
{
    return m_session->suggestedPath(format, QDir::homePath());
}

bool ProfessionalView::triggerOpen()
{
    const QString filters = text(ViewTexts::ConfigurationFilter) + QStringLiteral(";;") +
                            text(ViewTexts::DocumentFilter) + QStringLiteral(";;") +
                            text(ViewTexts::ImageFilter);
    const QString path =
        m_options.prompts.openFileName(plainActionText(ViewTexts::OpenAction), filters);
    return !path.isEmpty() && openFile(path);
}

bool ProfessionalView::triggerSaveAs()
{
    const QString documents = text(ViewTexts::DocumentFilter);
    const QString images = text(ViewTexts::ImageFilter);
    QString chosen;
    QString path =
        m_options.prompts.saveFileName(plainActionText(ViewTexts::SaveAsAction),
                                       documents + QStringLiteral(";;") + images, &chosen);
    if (path.isEmpty())
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    ConfigurationFile::Format format = ConfigurationFile::Format::Document;
    if (chosen == images)
        format = ConfigurationFile::Format::Image;
    else if (chosen != documents &&
             (suffix == QLatin1String("bin") || suffix == QLatin1String("n")))
        format = ConfigurationFile::Format::Image; // no filter said: the name decides
    if (suffix.isEmpty())
        path += format == ConfigurationFile::Format::Image ? QStringLiteral(".bin")
                                                           : QStringLiteral(".json");
    return saveAs(path, format);
}

bool ProfessionalView::triggerCompare()
{
    // The backups of this controller, when there is a folder to look in.
    QList<BackupEntry> backups;
    if (!m_options.backupDir.isEmpty() && (isOnline() || !m_session->origin().assumedIdentity)) {
        const QString key = ControllerKey(isOnline() ? controllerBlock() : editedBlock());
        for (const BackupEntry& e : BackupHistory(m_options.backupDir).list())
            if (e.key == key)
                backups.append(e);
    }
    const QString caption = plainActionText(ViewTexts::CompareAction);
    int choice = 0;
    QStringList items{text(ViewTexts::CompareFile)};
    if (!backups.isEmpty()) {
        for (const BackupEntry& e : backups) {
            const QString time =
                e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            items.append(text(e.first ? ViewTexts::FirstImage : ViewTexts::HistoryImage).arg(time));
        }
        choice = m_options.prompts.choose(caption, items);
        if (choice < 0)
            return false;
    }
    if (choice > 0) {
        ConfigurationFile file;
        QString ioError;
        QList<DocumentError> errors;
        const BackupEntry& entry = backups.at(choice - 1);
        if (!ConfigurationFile::read(entry.path, &file, &ioError, &errors) || !file.isImage()) {
            tell(text(ViewTexts::NotConfiguration)
                     .arg(fileName(entry.path),
                          ioError.isEmpty() ? errorLines(errors, m_texts) : ioError));
            return false;
        }
        compareWithImage(*file.image, items.at(choice));
        return true;
    }
    const QString filters = text(ViewTexts::ConfigurationFilter) + QStringLiteral(";;") +
                            text(ViewTexts::DocumentFilter) + QStringLiteral(";;") +
                            text(ViewTexts::ImageFilter);
    const QString path = m_options.prompts.openFileName(caption, filters);
    if (path.isEmpty())
        return false;
    bool ok = false;
    compareWithFile(path, &ok);
    return ok;
}

QList<FieldChange> ProfessionalView::compareWithFile(const QString& path, bool* ok)
{
    if (ok)
        *ok = false;
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    const QString name = fileName(path);
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        tell(refusalText(Refusal::unreadable(ioError, errors), name));
        return {};
    }
    if (ok)
        *ok = true;
    return showComparison(ConfigurationSide::of(file), name);
}

QList<FieldChange> ProfessionalView::compareWithImage(const ConfigBlock& image, const QString& name)
{
    return showComparison(ConfigurationSide::of(image), name);
}

QList<FieldChange> ProfessionalView::showComparison(const ConfigurationSide& other,
                                                    const QString& name)
{
    commitEdit();
    const QList<FieldChange> changes = compareConfigurations(m_session->side(), other);
    auto* dialog = new ComparisonDialog(name, changes, m_texts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ComparisonDialog::takeOverRequested, this,
            [this, other, name] { takeOver(other, name); });
    dialog->show();
    return changes;
}
