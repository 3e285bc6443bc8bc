// Upgrade dialog: an empty modal dialog on its template, opened by nothing in the program yet.
#include "upgrade.h"

#include <QVBoxLayout>

Upgrade::Upgrade(QWidget* parent) : QDialog(parent)
{
    // A modal frame with a system menu: no resizing, no context help button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
}

void Upgrade::setForm(QWidget* form)
{
    if (form == nullptr || m_form != nullptr)
        return;
    m_form = form;
    // The template is a dialog of its own; here it becomes this dialog's content.
    form->setParent(this);
    form->setWindowFlags(Qt::Widget);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);
    setWindowTitle(form->windowTitle());
    setFixedSize(form->size());
}
