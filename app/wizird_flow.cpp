// The wizard's connect, read and write flow: the opening (motor question, search, read,
// backup, pages), Finish (history, verified write, Retry) and Default (the first backup).
#include "wizird.h"

#include "backup_file.h"
#include "controller_session.h"
#include "field_rules.h"
#include "link_worker.h"
#include "message_ids.h"
#include "page.h"
#include "page_set.h"
#include "resource_module.h"
#include "transfers.h"

#include <QGroupBox>
#include <QPushButton>

namespace {

using M = MessageIds;

} // namespace

bool Wizird::runTransfer(const QString& label, const std::function<bool(Link&, ProgressSink&)>& job)
{
    m_transferring = true;
    const bool ok = m_link.run(this, label, job);
    m_transferring = false;
    return ok;
}

TransferRunner Wizird::transferRunner()
{
    return [this](const QString& label, const std::function<bool(Link&, ProgressSink&)>& job) {
        return runTransfer(label, job);
    };
}

void Wizird::saveBackup()
{
    m_key = ControllerKey(m_block);
    const BackupFile file(m_options.backupDir, m_key);
    m_backupPath = file.path();
    if (file.saveIfMissing(m_block) == BackupFile::SaveResult::Failed) {
        if (QPushButton* def = button(IdDefault)) {
            def->hide();
            def->setEnabled(false);
        }
    }
}

bool Wizird::OnInitDialog()
{
    m_endedEarly = false;
    m_pageRect = QRect();
    if (auto* area = m_form->findChild<QGroupBox*>(Page::controlName(IdGuideContent)))
        m_pageRect = area->geometry();

    if (m_prompter.ask(M::MotorStopped, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes) {
        end(QDialog::Accepted);
        return false;
    }
    OpenOptions open;
    open.ports = m_options.ports;
    open.start = m_block;
    open.convertLegacy = true;
    const OpenOutcome opened = openBehindProgress(transferRunner(), m_link, m_prompter, open);
    if (opened.result == OpenOutcome::Result::NoController) {
        end(QDialog::Accepted);
        return false;
    }
    m_block = opened.read.block; // a failed read keeps the bytes that did arrive
    if (!opened.opened()) {
        m_prompter.ask(M::ReadError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        end(QDialog::Accepted);
        return false;
    }
    m_controllerImage = m_block;
    saveBackup();

    const auto factory = m_options.pageFactory ? m_options.pageFactory : createPage;
    for (const PagePlan& plan : planPages(m_block)) {
        if (auto page = factory(plan.kind, m_block, &m_prompter))
            AddPage(std::move(page), plan.templateId);
    }
    if (!hasRegenerationPage(m_block))
        m_block.setFlag(Field::Regeneration, false);

    // A refused controller is told only once its pages are built and its backup is saved.
    if (const int refusal = opened.decision.refusalMessage()) {
        m_prompter.ask(refusal, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        end(QDialog::Accepted);
        return false;
    }
    ShowPage(1);
    // Page 1 shows the control mode as read; the conversion the open found goes into the block
    // after it.
    if (opened.legacyConverted && convertLegacyControlMode(m_block)) {
        m_prompter.ask(M::ControlModeUpgraded, Prompter::Buttons::Ok, Prompter::Icon::Information);
    }
    return true;
}

Wizird::WriteResult Wizird::writeController(QString* mismatch)
{
    const ConfigBlock copy = m_block;
    // The wizard's Retry writes the whole block again, so a lost COMMIT needs no read-back here.
    VerifiedWriteOptions options;
    options.readBackAfterLostCommit = false;
    const WriteOutcome outcome =
        writeAndVerify(transferRunner(), m_prompter, copy, m_controllerImage, options);
    if (outcome.readBack)
        m_controllerImage = outcome.readBlock;
    else if (outcome.held == WriteOutcome::Held::NewBlock)
        m_controllerImage = copy; // committed, most likely held; not verified
    if (outcome.kind == WriteOutcome::Kind::Verified)
        return WriteResult::Verified;
    if (outcome.kind != WriteOutcome::Kind::NotStored)
        return WriteResult::Failed;
    if (mismatch) {
        const Field f = outcome.field;
        QString text = m_resources.string(M::NotStored);
        text = text.arg(QLatin1String(fieldDef(f).name), QString::number(outcome.offset),
                        fieldValueText(m_controllerImage, f), fieldValueText(copy, f));
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        *mismatch = text;
    }
    return WriteResult::NotStored;
}

void Wizird::OnFinish()
{
    // The page on screen stores its values before anything is written.
    if (!showPageChecked(m_pageCount, false))
        return;
    // What the controller holds now, as last read or written, is kept before it is replaced;
    // where it cannot be, the user decides.
    if (!keepBackupsOrAsk(m_prompter, m_options.backupDir, m_controllerImage))
        return;
    for (;;) {
        QString mismatch;
        const WriteResult result = writeController(&mismatch);
        if (result == WriteResult::Verified)
            break;
        const Prompter::Answer answer =
            result == WriteResult::NotStored
                ? m_prompter.tell(mismatch, Prompter::Buttons::RetryCancel, Prompter::Icon::Warning)
                : m_prompter.ask(M::WriteError, Prompter::Buttons::RetryCancel,
                                 Prompter::Icon::Warning);
        if (answer != Prompter::Answer::Retry)
            return;
    }
    if (m_prompter.ask(M::Completed, Prompter::Buttons::YesNo, Prompter::Icon::Question) ==
        Prompter::Answer::Yes)
        accept();
}

void Wizird::OnDefault()
{
    // Every page stores on the way forward; a refused value does not matter, since the file's
    // bytes replace it.
    for (int i = 0; i < m_pageCount - 1; ++i) {
        ++m_currentPage;
        showPageChecked(m_currentPage, true);
    }
    ConfigBlock restored;
    QString why;
    if (!BackupFile(m_options.backupDir, m_key).read(&restored, &why)) {
        m_prompter.tell(m_prompter.line(M::CannotRestore).arg(why));
        return;
    }
    m_block = restored;
    for (int i = 0; i < m_pageCount - 1; ++i) {
        --m_currentPage;
        showPageChecked(m_currentPage, true);
    }
}
