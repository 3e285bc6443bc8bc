// Classic main dialog: menu bar, the controller labels, a tab control and the About box.
#include "cnorvelcontrollerdlg.h"

#include "caboutdlg.h"
#include "controls.h"
#include "resource_module.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kTabTexts[] = {"0", "1", "2"};

// All actions of a menu bar, popups' items included, in menu order.
QList<QAction*> allActions(const QWidget* menu)
{
    QList<QAction*> result;
    for (QAction* action : menu->actions()) {
        result.append(action);
        if (action->menu() != nullptr)
            result.append(allActions(action->menu()));
    }
    return result;
}

} // namespace

CNorvelControllerDlg::CNorvelControllerDlg(const ResourceModule& resources, QWidget* parent)
    : QDialog(parent), m_resources(resources), m_icon(resources.icon(kIconId))
{
    // An application window with caption, system menu and minimise box; fixed size.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_form = m_resources.loadDialog(kTemplateId, this, &m_error);
    if (m_form == nullptr)
        return;
    // The template is a dialog of its own; here it becomes this dialog's content, below the
    // menu bar (the template's size is the client area, as for any dialog with a menu).
    m_form->setWindowFlags(Qt::Widget);
    m_form->setFixedSize(m_form->size());
    // The template carries a style sheet, which overrides a palette: the background goes in
    // as one more rule for the form itself.
    m_form->setAttribute(Qt::WA_StyledBackground);
    m_form->setStyleSheet(m_form->styleSheet() +
                          QStringLiteral("\n#%1 { background-color: %2; }")
                              .arg(m_form->objectName(), backgroundColor().name()));

    m_menuBar = m_resources.createMenuBar(kMenuId, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_form);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowTitle(m_form->windowTitle());

    for (QAction* action : allActions(m_menuBar)) {
        const int command = action->data().toInt();
        if (command != 0)
            connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
    for (int id : {int(IdOk), int(IdTestWizard)}) {
        if (auto* button = control<QPushButton>(m_form, id))
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    }

    OnInitDialog();
}

void CNorvelControllerDlg::OnInitDialog()
{
    DoDataExchange();
    if (m_tab != nullptr)
        connect(m_tab, &QTabWidget::currentChanged, this, &CNorvelControllerDlg::OnSelchangeTab);
    // The About command of the window's system menu has no menu to go into here: Help's own
    // About is the one way to it in the menus, and the system command still opens it.
    setWindowIcon(m_icon);
}

void CNorvelControllerDlg::DoDataExchange()
{
    m_tab = control<QTabWidget>(m_form, IdTab);
    if (!s_tabItemsPending)
        return;
    s_tabItemsPending = false;
    if (m_tab == nullptr)
        return;
    for (int i = 0; i < int(std::size(kTabTexts)); ++i)
        m_tab->insertTab(i, new QWidget(m_tab), QString::fromLatin1(kTabTexts[i]));
}

QAction* CNorvelControllerDlg::commandAction(int command) const
{
    if (m_menuBar == nullptr)
        return nullptr;
    for (QAction* action : allActions(m_menuBar))
        if (action->data().toInt() == command)
            return action;
    return nullptr;
}

void CNorvelControllerDlg::OnCommand(int id)
{
    switch (id) {
    case IdAbout:
        OnAboutbox();
        break;
    case IdExit:
    case IdOk:
        OnOK();
        break;
    case IdTestWizard:
    case IdTools:
    default:
        // No action of their own.
        break;
    }
}

bool CNorvelControllerDlg::onSysCommand(int id)
{
    if ((id & kSysCommandMask) != kSysCommandAbout)
        return false;
    OnAboutbox();
    return true;
}

void CNorvelControllerDlg::OnOK()
{
    DoDataExchange();
    accept();
}

void CNorvelControllerDlg::OnAboutbox()
{
    CAboutDlg about(m_resources, this);
    if (about.isValid())
        about.exec();
}

void CNorvelControllerDlg::OnSelchangeTab(int index)
{
    // The tabs carry no pages of their own: a change of selection does nothing else.
    Q_UNUSED(index);
}
