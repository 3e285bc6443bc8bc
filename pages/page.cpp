// Base of every wizard page: a template's widgets, and load/store between them and the block.
#include "page.h"

#include <QVBoxLayout>

Page::Page(ConfigBlock& block, Prompter* prompter, QWidget* parent)
    : QWidget(parent), m_block(block), m_prompter(prompter)
{
}

void Page::setForm(QWidget* form)
{
    m_form = form;
    if (form) {
        form->setParent(this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(form);
        setMinimumSize(form->size());
    }
    bindControls();
}
