// The professional view's controller actions: read, write, connect and restore.
#include "professional_view.h"

#include "plausibility_question.h"
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
#include <QUndoStack>
#include <QVBoxLayout>

using namespace ProfessionalViewSupport;

// --- Controller --------------------------------------------------------------------------------

bool ProfessionalView::readController()
{
    if (!controllerReady())
        return false;
    commitEdit();
    if (editedBlock() != controllerBlock() && !ask(text(ViewTexts::ReadQuestion)))
        return false;
    ConfigBlock block;
    QString error;
    if (!m_access->read(this, &block, &error)) {
        tell(text(ViewTexts::ReadFailed).arg(error));
        updateActions();
        return false;
    }
    const State before = m_session->state();
    m_session->read(block);
    // Undo brings the edits back, over what the controller now holds.
    recordStep(before, plainActionText(ViewTexts::ReadAction));
    setStatus(text(ViewTexts::ReadDone));
    return true;
}

bool ProfessionalView::writeController()
{
    if (!controllerReady())
        return false;
    commitEdit();
    const ConfigBlock next = editedBlock();
    const ConfigBlock current = controllerBlock();
    // Nothing to write asks nothing either.
    if (next == current) {
        setStatus(text(ViewTexts::NothingToWrite));
        return false;
    }
    // Settings that do not work together are named first; No is the safe answer.
    const QList<ImplausiblePair> implausible = newImplausiblePairs(current, next);
    if (!implausible.isEmpty() && !m_options.prompts.cautiousQuestion(implausibleQuestion(
                                      implausible, [this](int id) { return text(id); })))
        return false;
    if (!ask(text(ViewTexts::MotorStopped)))
        return false;
    QString error;
    if (!m_access->write(this, current, next, &error)) {
        // Said once: the reason already tells what happened and what to do next. Empty: the
        // user chose not to write.
        if (!error.isEmpty())
            tell(error);
        updateActions();
        return false;
    }
    m_session->written();
    setStatus(text(ViewTexts::Written));
    return true;
}

bool ProfessionalView::connectController()
{
    if (isOnline() || !m_access)
        return false;
    commitEdit();
    if (!m_access->isConnected() && !m_access->connectController(this)) {
        updateActions();
        return false; // the search told the user why
    }
    ConfigBlock controller;
    QString error;
    if (!m_access->read(this, &controller, &error)) {
        tell(text(ViewTexts::ReadFailed).arg(error));
        updateActions();
        return false;
    }
    const QString name = fileName(filePath());
    if (const Refusal refusal = m_session->connect(controller)) {
        tell(refusalText(refusal, name));
        updateActions();
        return false;
    }
    // Undo does not reach back across the change of controller.
    m_undo->clear();
    setStatus(text(ViewTexts::Applied).arg(name).arg(m_session->changedFields().size()));
    return true;
}

bool ProfessionalView::restoreFirstBackup()
{
    if (!controllerReady())
        return false;
    commitEdit();
    const ConfigBlock controller = controllerBlock();
    const std::optional<ConfigBlock> backup = m_access->firstBackup(controller);
    if (!backup) {
        tell(text(ViewTexts::NoFirstBackup));
        return false;
    }
    // The whole image, as the wizard's Default restores it.
    const State before = m_session->state();
    if (const Refusal refusal = m_session->restoreImage(*backup)) {
        tell(text(ViewTexts::OtherController)
                 .arg(text(ViewTexts::BackupColumn), m_texts.identity(refusal.theirs),
                      m_texts.identity(refusal.ours)));
        return false;
    }
    recordStep(before, plainActionText(ViewTexts::RestoreAction));
    setStatus(text(ViewTexts::Restored));
    return true;
}
