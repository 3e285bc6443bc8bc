// About box: the program's icon, name and legal notice, closed by OK.
#include "caboutdlg.h"

#include "controls.h"
#include "resource_module.h"

#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const ResourceModule& resources, QWidget* parent) : QDialog(parent)
{
    // A modal frame with a system menu: fixed size, no context help button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    m_form = resources.loadDialog(kTemplateId, this, &m_error);
    if (m_form == nullptr)
        return;
    // The template is a dialog of its own; here it becomes this dialog's content.
    m_form->setWindowFlags(Qt::Widget);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_form);
    setWindowTitle(m_form->windowTitle());
    setWindowIcon(resources.icon(kIconId));
    setFixedSize(m_form->size());

    if (auto* ok = control<QPushButton>(m_form, IdOk))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
