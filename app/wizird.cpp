// The wizard frame: page list, step caption, buttons, and the connect, read and write flow.
#include "wizird.h"

#include "backup_file.h"
#include "backup_history.h"
#include "config_document.h"
#include "controller_session.h"
#include "field_rules.h"
#include "link_worker.h"
#include "page.h"
#include "page_set.h"
#include "resource_module.h"
#include "transfers.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Message identifiers of the string table.
enum Message
{
    MsgCancelQuestion = 102,
    MsgNoController = 103,
    MsgReadError = 104,
    MsgWriteError = 105,
    MsgCompleted = 106,
    MsgUnsupportedSeries = 107,
    MsgControlModeUpgraded = 108,
    MsgMotorStopped = 110,
    MsgSpecialVersion = 111,
    MsgNotStored = 112,
    MsgPortSetupError = 164,
    MsgStepCaption = 165,
};

} // namespace

Wizird::Wizird(const ResourceModule& resources, ConfigBlock& block, LinkWorker& link,
               Prompter& prompter, WizirdOptions options, QWidget* parent)
    : QDialog(parent), m_resources(resources), m_block(block), m_link(link), m_prompter(prompter),
      m_options(std::move(options))
{
    m_form = m_resources.loadDialog(kTemplateId, this, &m_error);
    if (!m_form)
        return;
    // The template is a dialog of its own; here it becomes the frame's content.
    m_form->setWindowFlags(Qt::Widget);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_form);
    setWindowTitle(m_form->windowTitle());
    setWindowIcon(m_resources.icon(159));
    setFixedSize(m_form->size());

    const std::pair<int, void (Wizird::*)()> handlers[] = {
        {IdNext, &Wizird::OnNext},       {IdPrevious, &Wizird::OnPrevious},
        {IdFinish, &Wizird::OnFinish},   {IdCancel, &Wizird::OnCancelButton},
        {IdHelp, &Wizird::OnHelpButton}, {IdUpgrade, &Wizird::OnUpgrade},
        {IdDefault, &Wizird::OnDefault},
    };
    for (const auto& [id, handler] : handlers) {
        if (QPushButton* b = button(id)) {
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, handler);
        }
    }
}

Wizird::~Wizird()
{
    // Pages are children of the form and go with it.
}

QPushButton* Wizird::button(int id) const
{
    return m_form ? m_form->findChild<QPushButton*>(Page::controlName(id)) : nullptr;
}

Page* Wizird::page(int n) const
{
    if (n < 1 || n > static_cast<int>(m_pages.size()))
        return nullptr;
    return m_pages[static_cast<std::size_t>(n - 1)].page;
}

bool Wizird::isPageShown(int n) const
{
    if (n < 1 || n > static_cast<int>(m_pages.size()))
        return false;
    return m_pages[static_cast<std::size_t>(n - 1)].shown;
}

int Wizird::exec()
{
    if (!m_form)
        return QDialog::Rejected;
    if (!OnInitDialog())
        return result();
    return QDialog::exec();
}

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

void Wizird::reject()
{
    if (!m_transferring)
        QDialog::reject();
}

void Wizird::end(int result)
{
    m_endedEarly = true;
    done(result);
}

void Wizird::AddPage(std::unique_ptr<Page> page, int templateId)
{
    QString error;
    QWidget* form = m_resources.loadDialog(templateId, page.get(), &error);
    page->setForm(form);
    Page* raw = page.release();
    raw->setParent(m_form);
    raw->hide();
    raw->setGeometry(m_pageRect);
    ++m_pageCount;
    m_pages.push_back({m_pageCount, raw, false});
}

void Wizird::setPageShown(PageNode& node, bool shown, bool* refused)
{
    if (node.shown == shown)
        return;
    node.shown = shown;
    node.page->setVisible(shown);
    if (shown)
        node.page->load();
    else if (!node.page->store() && refused)
        *refused = true;
}

void Wizird::ShowPage(int n)
{
    showPageChecked(n, false);
}

bool Wizird::showPageChecked(int n, bool ignoreRefusal)
{
    setStepCaption(n);
    // Pages are shown and hidden in list order: moving back, the new page loads before the old
    // one stores; moving on, the old one stores first.
    std::vector<bool> before;
    for (const PageNode& node : m_pages)
        before.push_back(node.shown);
    bool refused = false;
    for (PageNode& node : m_pages)
        setPageShown(node, node.id == n, ignoreRefusal ? nullptr : &refused);
    if (refused) {
        // Stay where we were: the refusing page has put the focus on its field.
        for (std::size_t i = 0; i < m_pages.size(); ++i) {
            PageNode& node = m_pages[i];
            if (node.shown != before[i]) {
                node.shown = before[i];
                node.page->setVisible(before[i]);
            }
        }
        setStepCaption(m_currentPage);
        return false;
    }
    const auto un = static_cast<unsigned>(n);
    if (un >= static_cast<unsigned>(m_pageCount)) {
        m_currentPage = m_pageCount;
        UpdateButtons(ButtonState::Last);
    } else if (un <= 1u) {
        m_currentPage = 1;
        UpdateButtons(ButtonState::First);
    } else {
        m_currentPage = n;
        UpdateButtons(ButtonState::Middle);
    }
    return true;
}

void Wizird::setStepCaption(int n)
{
    // A module whose caption lacks the number still gives a caption.
    QString caption = m_resources.string(MsgStepCaption);
    caption.replace(QLatin1String("%d"), QString::number(n));
    setWindowTitle(caption);
}

void Wizird::UpdateButtons(ButtonState kind)
{
    for (int id : {IdCancel, IdPrevious, IdNext, IdFinish})
        if (QPushButton* b = button(id))
            b->setEnabled(true);
    QPushButton* previous = button(IdPrevious);
    QPushButton* next = button(IdNext);
    QPushButton* def = button(IdDefault);
    switch (kind) {
    case ButtonState::First:
        if (previous)
            previous->setEnabled(false);
        if (def && !def->isHidden())
            def->setEnabled(true);
        break;
    case ButtonState::Middle:
        if (def)
            def->setEnabled(false);
        break;
    case ButtonState::Last:
        if (next)
            next->setEnabled(false);
        if (def)
            def->setEnabled(false);
        break;
    }
}

void Wizird::OnNext()
{
    showPageChecked(m_currentPage + 1, false);
}

void Wizird::OnPrevious()
{
    showPageChecked(m_currentPage - 1, false);
}

void Wizird::OnCancelButton()
{
    if (m_prompter.ask(MsgCancelQuestion, Prompter::Buttons::OkCancel, Prompter::Icon::Question) !=
        Prompter::Answer::Cancel)
        reject();
}

void Wizird::OnHelpButton()
{
    const QUrl url(QStringLiteral("http://%1/mot/support.html").arg(QLatin1String(kMakerHost)));
    if (m_options.openUrl)
        m_options.openUrl(url);
    else
        QDesktopServices::openUrl(url);
}

bool Wizird::connectController()
{
    return searchController(transferRunner(), m_link, m_prompter, m_options.ports);
}

bool Wizird::readController()
{
    ConfigBlock copy = m_block;
    const bool ok = ::readController(transferRunner(), &copy);
    m_block = copy; // a failed read keeps the bytes that did arrive
    if (ok)
        m_controllerImage = copy;
    return ok;
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

    if (m_prompter.ask(MsgMotorStopped, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes) {
        end(QDialog::Accepted);
        return false;
    }
    if (!connectController()) {
        end(QDialog::Accepted);
        return false;
    }
    if (!readController()) {
        m_prompter.ask(MsgReadError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        end(QDialog::Accepted);
        return false;
    }
    saveBackup();

    const auto factory = m_options.pageFactory ? m_options.pageFactory : createPage;
    for (const PagePlan& plan : planPages(m_block)) {
        if (auto page = factory(plan.kind, m_block, &m_prompter))
            AddPage(std::move(page), plan.templateId);
    }
    if (!hasRegenerationPage(m_block))
        m_block.setFlag(Field::Regeneration, false);

    if (const int refusal = refusalMessage(m_block)) {
        m_prompter.ask(refusal, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        end(QDialog::Accepted);
        return false;
    }
    ShowPage(1);
    if (convertLegacyControlMode(m_block)) {
        m_prompter.ask(MsgControlModeUpgraded, Prompter::Buttons::Ok, Prompter::Icon::Information);
    }
    return true;
}

void Wizird::saveHistory()
{
    // What the controller holds now, as last read or written, kept before it is replaced. A
    // failure here does not hold up the write: the first-connection image is still there.
    QString error;
    if (!BackupHistory(m_options.backupDir).save(m_controllerImage, nullptr, &error))
        qWarning("%s", qPrintable(error));
}

Wizird::WriteResult Wizird::writeController(QString* mismatch)
{
    const ConfigBlock copy = m_block;
    QString field;
    int offset = -1;
    const VerifiedWrite result =
        writeAndVerify(transferRunner(), copy, &m_controllerImage, &field, &offset);
    if (result == VerifiedWrite::Verified)
        return WriteResult::Verified;
    if (result == VerifiedWrite::Failed)
        return WriteResult::Failed;
    if (mismatch) {
        const Field f = fieldNamed(field)->field;
        QString text = m_resources.string(MsgNotStored);
        if (text.isEmpty()) // a module without the message still names the field
            text = tr("The configuration did not stick: %1 (byte %2) reads back as %3, written "
                      "%4.\r\nWrite it again?");
        text = text.arg(field, QString::number(offset), fieldValueText(m_controllerImage, f),
                        fieldValueText(copy, f));
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
    saveHistory();
    for (;;) {
        QString mismatch;
        const WriteResult result = writeController(&mismatch);
        if (result == WriteResult::Verified)
            break;
        const Prompter::Answer answer =
            result == WriteResult::NotStored
                ? m_prompter.tell(mismatch, Prompter::Buttons::RetryCancel, Prompter::Icon::Warning)
                : m_prompter.ask(MsgWriteError, Prompter::Buttons::RetryCancel,
                                 Prompter::Icon::Warning);
        if (answer != Prompter::Answer::Retry)
            return;
    }
    if (m_prompter.ask(MsgCompleted, Prompter::Buttons::YesNo, Prompter::Icon::Question) ==
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
        m_prompter.tell(tr("The saved configuration cannot be restored: %1").arg(why));
        return;
    }
    m_block = restored;
    for (int i = 0; i < m_pageCount - 1; ++i) {
        --m_currentPage;
        showPageChecked(m_currentPage, true);
    }
}
