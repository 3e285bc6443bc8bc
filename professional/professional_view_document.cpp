// The professional view as a document editor: open replaces, save, recent files, undo.
#include "professional_view.h"
#include "professional_view_support.h"

#include "comparison_dialog.h"
#include "field_table_model.h"

#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTableView>
#include <QUndoStack>

using namespace ProfessionalViewSupport;

namespace {

constexpr int kRecentCount = 8;
const char kRecentKey[] = "professional/recentFiles";

// One step of Undo: the view before and after it. The first redo is the change itself, done
// already when the step is recorded.
class StepCommand : public QUndoCommand
{
public:
    StepCommand(const QString& name, std::function<void()> undo, std::function<void()> redo)
        : QUndoCommand(name), m_undo(std::move(undo)), m_redo(std::move(redo))
    {
    }
    void undo() override { m_undo(); }
    void redo() override
    {
        if (!m_done)
            m_done = true;
        else
            m_redo();
    }

private:
    std::function<void()> m_undo, m_redo;
    bool m_done = false;
};

} // namespace

ProfessionalView::Snapshot ProfessionalView::snapshot() const
{
    return {editedBlock(), controllerBlock(), m_filePath, m_fileFields,
            m_wholeBlock,  m_assumedIdentity, m_saved};
}

void ProfessionalView::restore(const Snapshot& s)
{
    m_filePath = s.filePath;
    m_fileFields = s.fileFields;
    m_wholeBlock = s.wholeBlock;
    m_assumedIdentity = s.assumedIdentity;
    m_saved = s.saved;
    m_restoring = true;
    // Online the controller holds what it holds: Undo brings back the edits only.
    showBlocks(s.edited, m_online ? controllerBlock() : s.controller);
    m_restoring = false;
}

void ProfessionalView::recordStep(const Snapshot& before, const QString& name)
{
    const Snapshot after = snapshot();
    if (after.edited == before.edited && after.controller == before.controller &&
        after.filePath == before.filePath)
        return;
    m_undo->push(new StepCommand(
        name, [this, before] { restore(before); }, [this, after] { restore(after); }));
}

bool ProfessionalView::loadFile(const QString& path, const std::optional<ConfigBlock>& identity,
                                Snapshot* out, QString* error) const
{
    const QString name = fileName(path);
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    *out = Snapshot();
    out->filePath = path;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        *error = ioError.isEmpty()
                     ? text(ViewTexts::NotConfiguration).arg(name, errorLines(errors, m_texts))
                     : text(ViewTexts::CannotOpen).arg(name, ioError);
        return false;
    }
    if (file.isImage()) {
        out->edited = *file.image;
        out->fileFields = FieldRules(out->edited).writableFields();
    } else if (!file.document.controller && !identity) {
        *error = text(ViewTexts::NeedsIdentity).arg(name);
        return false;
    } else {
        // A document's controller part holds the identity bytes only; the fields it does not
        // name stay unknown (0xFF) until Connect takes the controller's.
        out->assumedIdentity = !file.document.controller;
        const ConfigBlock base =
            file.document.controller.value_or(identity.value_or(ConfigBlock()));
        if (!applyDocument(file.document, base, {}, &out->edited, &errors)) {
            *error = text(ViewTexts::NotApplied).arg(name, errorLines(errors, m_texts));
            return false;
        }
        for (const auto& [field, value] : file.document.fields)
            out->fileFields.append(field);
        out->wholeBlock = false;
    }
    out->controller = out->edited;
    return true;
}

bool ProfessionalView::openFile(const QString& path)
{
    commitEdit();
    const QString name = fileName(path);
    const Snapshot before = snapshot();
    Snapshot next;
    QString error;
    if (m_online) {
        // The file's values on the controller's configuration, in place of the edits.
        ConfigurationFile file;
        QList<DocumentError> errors;
        if (!ConfigurationFile::read(path, &file, &error, &errors)) {
            tell(error.isEmpty()
                     ? text(ViewTexts::NotConfiguration).arg(name, errorLines(errors, m_texts))
                     : text(ViewTexts::CannotOpen).arg(name, error));
            return false;
        }
        next = before;
        if (!applyOnto(file.asDocument(), controllerBlock(), name, &next.edited))
            return false;
        next.filePath = path;
        next.saved = next.edited;
    } else if (!loadFile(path, editedBlock(), &next, &error)) {
        tell(error);
        return false;
    }
    restore(next);
    rememberRecent(path);
    recordStep(before, plainActionText(ViewTexts::OpenAction));
    setStatus(text(ViewTexts::Applied)
                  .arg(name)
                  .arg(diffBlocks(before.edited, next.edited, FieldRules(next.edited)).size()));
    return true;
}

bool ProfessionalView::save()
{
    // A backup image (.n) is the history's, not a file to save into.
    const QString suffix = QFileInfo(m_filePath).suffix().toLower();
    if (m_filePath.isEmpty() || suffix == QLatin1String("n"))
        return triggerSaveAs();
    const bool image = suffix == QLatin1String("bin");
    return saveAs(m_filePath,
                  image ? ConfigurationFile::Format::Image : ConfigurationFile::Format::Document);
}

bool ProfessionalView::settleUnsavedChanges(int questionId)
{
    commitEdit();
    if (!hasUnsavedChanges())
        return true;
    switch (m_options.prompts.closeQuestion(text(questionId))) {
    case ProfessionalPrompts::CloseAnswer::Save:
        return save();
    case ProfessionalPrompts::CloseAnswer::Discard:
        return true;
    case ProfessionalPrompts::CloseAnswer::Cancel:
        break;
    }
    return false;
}

QStringList ProfessionalView::recentFiles()
{
    return QSettings().value(QLatin1String(kRecentKey)).toStringList();
}

void ProfessionalView::rememberRecent(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    QSettings().setValue(QLatin1String(kRecentKey), files.mid(0, kRecentCount));
    updateRecentMenu();
}

void ProfessionalView::updateRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files.at(i);
        QAction* a = m_recentMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(fileName(path).replace('&', "&&")));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(a->toolTip());
        connect(a, &QAction::triggered, this, [this, path] {
            if (settleUnsavedChanges(ViewTexts::OpenQuestion))
                openFile(path);
        });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void ProfessionalView::takeOver(const ConfigurationSide& other, const QString& name)
{
    commitEdit();
    ConfigDocument doc;
    if (other.identified)
        doc.controller = other.block;
    const FieldRules rules(editedBlock());
    for (Field f : other.fields)
        if (rules.writable(f))
            doc.fields.append({f, other.block.get(f)});
    const Snapshot before = snapshot();
    ConfigBlock next;
    if (!applyOnto(doc, before.edited, name, &next))
        return;
    if (!m_online)
        for (const auto& [field, value] : doc.fields)
            if (!m_fileFields.contains(field))
                m_fileFields.append(field);
    showBlocks(next, controllerBlock());
    recordStep(before, plainActionText(ViewTexts::TakeOver));
    setStatus(text(ViewTexts::Applied)
                  .arg(name)
                  .arg(diffBlocks(before.edited, next, FieldRules(next)).size()));
}

bool ProfessionalView::redirectToValue(QKeyEvent* key)
{
    if (m_table->indexWidget(m_table->currentIndex()))
        return false; // an editor is open
    const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (key->key() != Qt::Key_F2 && !typing)
        return false;
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid() && current.column() != FieldTableModel::ValueColumn)
        m_table->setCurrentIndex(current.siblingAtColumn(FieldTableModel::ValueColumn));
    return false; // the table goes on to edit the value with this key
}

bool ProfessionalView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_filterEdit && key->key() == Qt::Key_Escape) {
            // Escape clears the filter; in an empty one it goes back to the table.
            if (m_filterEdit->text().isEmpty())
                m_table->setFocus(Qt::ShortcutFocusReason);
            m_filterEdit->clear();
            return true;
        }
        if (watched == m_table)
            return redirectToValue(key);
    }
    return QMainWindow::eventFilter(watched, event);
}
