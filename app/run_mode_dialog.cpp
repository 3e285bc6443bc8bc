// The run-mode page in a dialog of its own, for a start that lets the user pick the mode.
#include "run_mode_dialog.h"

#include "config_block.h"
#include "cstep1.h"
#include "resource_module.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The page edits no field; it still needs a block to stand on.
ConfigBlock& unusedBlock()
{
    static ConfigBlock block;
    return block;
}

} // namespace

RunModeDialog::RunModeDialog(const ResourceModule& resources, QWidget* parent) : QDialog(parent)
{
    // Every start asks afresh.
    CStep1::resetRunMode();
    m_page = new CStep1(unusedBlock(), nullptr, this);
    QWidget* form = resources.loadDialog(CStep1::kTemplateId, m_page, &m_error);
    if (form == nullptr)
        return;
    m_page->setForm(form);
    m_page->setMinimumSize(form->size());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // OK once a mode is chosen; the page records the choice on the same click.
    for (int id : {CStep1::IdGuideMode, CStep1::IdProfessionalMode, CStep1::IdImportMode})
        if (auto* button = m_page->control<QAbstractButton>(id))
            connect(button, &QAbstractButton::clicked, this, [this] { m_ok->setEnabled(true); });
    setWindowTitle(QApplication::applicationDisplayName());
    setWindowIcon(resources.icon(159));
    m_valid = true;
}

std::uint8_t RunModeDialog::runMode() const
{
    return CStep1::RunMode();
}
