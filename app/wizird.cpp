// The wizard frame: page list, step caption and buttons. The connect, read and write flow
// that fills it is in wizird_flow.cpp.
#include "wizird.h"

#include "message_ids.h"
#include "page.h"
#include "resource_module.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// `widgets` in reading order within `area`: rows from top to bottom, each row left to right.
// A widget whose middle lies within the height of a row's first widget is on that row.
QList<QWidget*> readingOrder(QList<QWidget*> widgets, const QWidget* area)
{
    const auto rect = [area](const QWidget* w) {
        return QRect(w->mapTo(area, QPoint(0, 0)), w->size());
    };
    std::stable_sort(widgets.begin(), widgets.end(), [&](const QWidget* a, const QWidget* b) {
        return rect(a).top() < rect(b).top();
    });
    QList<QWidget*> out;
    for (qsizetype first = 0; first < widgets.size();) {
        const QRect head = rect(widgets[first]);
        qsizetype end = first + 1;
        while (end < widgets.size() && rect(widgets[end]).center().y() <= head.bottom())
            ++end;
        QList<QWidget*> row = widgets.mid(first, end - first);
        std::stable_sort(row.begin(), row.end(), [&](const QWidget* a, const QWidget* b) {
            return rect(a).left() < rect(b).left();
        });
        out += row;
        first = end;
    }
    return out;
}

bool takesTab(const QWidget* w)
{
    return (w->focusPolicy() & Qt::TabFocus) && !w->isHidden();
}

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
    // The template's own dialog would close itself on Escape and leave an empty frame.
    m_form->installEventFilter(this);
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

void Wizird::reject()
{
    if (!m_transferring)
        OnCancelButton();
}

bool Wizird::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_form && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Wizird::updateTabOrder()
{
    QList<QWidget*> chain;
    for (const PageNode& node : m_pages) {
        if (!node.shown)
            continue;
        QList<QWidget*> controls;
        for (QWidget* w : node.page->findChildren<QWidget*>())
            if (takesTab(w) && w->isVisibleTo(node.page))
                controls.append(w);
        chain += readingOrder(controls, node.page);
    }
    const auto onPage = [this](const QWidget* w) {
        return std::any_of(m_pages.begin(), m_pages.end(),
                           [w](const PageNode& node) { return node.page->isAncestorOf(w); });
    };
    QList<QWidget*> buttons;
    for (QPushButton* b : m_form->findChildren<QPushButton*>())
        if (takesTab(b) && !onPage(b) && b->isVisibleTo(m_form))
            buttons.append(b);
    chain += readingOrder(buttons, m_form);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
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
    updateTabOrder();
    return true;
}

void Wizird::setStepCaption(int n)
{
    // A module whose caption lacks the number still gives a caption.
    QString caption = m_resources.string(MessageIds::StepCaption);
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
    if (m_transferring)
        return;
    // On "stay" the page stays whole: nothing was hidden or stored.
    if (m_prompter.ask(MessageIds::CancelQuestion, Prompter::Buttons::OkCancel,
                       Prompter::Icon::Question) != Prompter::Answer::Cancel)
        QDialog::reject();
}

void Wizird::OnHelpButton()
{
    const QUrl url(QStringLiteral("http://%1/mot/support.html").arg(QLatin1String(kMakerHost)));
    const bool opened = m_options.openUrl ? m_options.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        m_prompter.askFilled(MessageIds::NoBrowser, {url.toString()}, Prompter::Buttons::Ok,
                             Prompter::Icon::Information);
}
