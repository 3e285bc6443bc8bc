// Base of every wizard page: a template's widgets, and load/store between them and the block.
#include "page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

void Page::setButtonChecked(QAbstractButton* button, bool checked)
{
    if (button == nullptr || button->isChecked() == checked)
        return;
    // Qt refuses to uncheck the checked button of an exclusive group: lift the exclusivity
    // for this one change.
    QButtonGroup* group = button->group();
    const bool exclusive = group != nullptr && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (!checked) {
        if (exclusive)
            group->setExclusive(false);
        button->setAutoExclusive(false);
    }
    button->setChecked(checked);
    if (!checked) {
        button->setAutoExclusive(autoExclusive);
        if (exclusive)
            group->setExclusive(true);
    }
}

void Page::setChecked(int id, bool checked) const
{
    setButtonChecked(control<QAbstractButton>(id), checked);
}

bool Page::isChecked(int id) const
{
    const auto* button = control<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void Page::setControlEnabled(int id, bool enabled) const
{
    if (auto* w = control<QWidget>(id))
        w->setEnabled(enabled);
}

void Page::setControlVisible(int id, bool visible) const
{
    if (auto* w = control<QWidget>(id))
        w->setVisible(visible);
}

void Page::setControlText(int id, const QString& text) const
{
    if (auto* label = control<QLabel>(id))
        label->setText(text);
    else if (auto* button = control<QAbstractButton>(id))
        button->setText(text);
    else if (auto* box = control<QGroupBox>(id))
        box->setTitle(text);
    else if (auto* edit = control<QLineEdit>(id))
        edit->setText(text);
}
