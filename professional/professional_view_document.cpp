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

void ProfessionalView::recordStep(const State& before, const QString& name)
{
    const State after = m_session->state();
    if (after.edited == before.edited && after.controller == before.controller &&
        after.origin.filePath == before.origin.filePath)
        return;
    m_undo->push(new StepCommand(
        name, [this, before] { m_session->restore(before); },
        [this, after] { m_session->restore(after); }));
}

bool ProfessionalView::openFile(const QString& path)
{
    commitEdit();
    const QString name = fileName(path);
    const State before = m_session->state();
    if (const Refusal refusal = m_session->openFile(path)) {
        tell(refusalText(refusal, name));
        return false;
    }
    rememberRecent(path);
    recordStep(before, plainActionText(ViewTexts::OpenAction));
    setStatus(text(ViewTexts::Applied)
                  .arg(name)
                  .arg(diffBlocks(before.edited, editedBlock(), FieldRules(editedBlock())).size()));
    return true;
}

bool ProfessionalView::save()
{
    const std::optional<ConfigurationFile::Format> format = m_session->saveFormat();
    return format ? saveAs(filePath(), *format) : triggerSaveAs();
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
    const State before = m_session->state();
    if (const Refusal refusal = m_session->takeOver(other)) {
        tell(refusalText(refusal, name));
        return;
    }
    recordStep(before, plainActionText(ViewTexts::TakeOver));
    setStatus(text(ViewTexts::Applied)
                  .arg(name)
                  .arg(diffBlocks(before.edited, editedBlock(), FieldRules(editedBlock())).size()));
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
