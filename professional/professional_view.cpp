// The professional view: every field of one configuration in an editable table, with the
// controller and file actions around it.
#include "professional_view.h"
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
#include <QVBoxLayout>

using namespace ProfessionalViewSupport;

ProfessionalView::ProfessionalView(ControllerAccess* access, ProfessionalViewOptions options,
                                   QWidget* parent)
    : QMainWindow(parent), m_access(access), m_options(std::move(options)),
      m_texts(m_options.strings)
{
    m_texts.labels = m_options.labels;
    build();
}

ProfessionalView::ProfessionalView(ControllerAccess* access, const ConfigBlock& controller,
                                   ProfessionalViewOptions options, QWidget* parent)
    : ProfessionalView(access, std::move(options), parent)
{
    m_session->startOnline(controller);
}

ProfessionalView::ProfessionalView(ControllerAccess* access, const QString& path,
                                   const std::optional<ConfigBlock>& identity,
                                   ProfessionalViewOptions options, QWidget* parent)
    : ProfessionalView(access, std::move(options), parent)
{
    const Refusal refusal = m_session->startOffline(path, identity);
    m_valid = !refusal;
    if (refusal)
        m_error = refusalText(refusal, fileName(path));
    else
        rememberRecent(path);
}

ProfessionalView::~ProfessionalView() = default;

void ProfessionalView::showSession()
{
    if (!m_editing) {
        const ConfigBlock& controller = m_session->controller();
        m_rowsChanged = false;
        m_model->setBlocks(m_session->edited(), controller);
        m_model->setBackup(isOnline() && m_access ? m_access->firstBackup(controller)
                                                  : std::nullopt);
        // Before the window shows, the columns fit their contents whatever the rows: the first
        // rows may be those the empty model already had, and then nothing reset it.
        if (m_rowsChanged || !isVisible()) {
            m_table->resizeColumnsToContents();
            // Room for the editors: a spin box or a list needs more than the number it shows.
            const int valueWidth =
                m_table->fontMetrics().horizontalAdvance(QStringLiteral("0000000"));
            m_table->setColumnWidth(
                FieldTableModel::ValueColumn,
                qMax(m_table->columnWidth(FieldTableModel::ValueColumn), valueWidth + 48));
        }
    }
    updateCurve();
    updateWindow();
}

QString ProfessionalView::refusalText(const Refusal& refusal, const QString& source) const
{
    using Kind = Refusal::Kind;
    switch (refusal.kind) {
    case Kind::None:
        break;
    case Kind::CannotOpen:
        return text(ViewTexts::CannotOpen).arg(source, refusal.ioError);
    case Kind::NotConfiguration:
        return text(ViewTexts::NotConfiguration).arg(source, errorLines(refusal.errors, m_texts));
    case Kind::NeedsIdentity:
        return text(ViewTexts::NeedsIdentity).arg(source);
    case Kind::NotApplied:
        return text(ViewTexts::NotApplied).arg(source, errorLines(refusal.errors, m_texts));
    case Kind::OtherController:
        return text(ViewTexts::NotApplied)
            .arg(source, text(ViewTexts::OtherController)
                             .arg(source, m_texts.identity(refusal.theirs),
                                  m_texts.identity(refusal.ours)));
    }
    return QString();
}

void ProfessionalView::updateWindow()
{
    const ConfigBlock block = editedBlock();
    updateTitle();

    QString model = modelDesignation(block);
    if (m_session->origin().assumedIdentity)
        model += QLatin1Char(' ') + text(ViewTexts::Assumed);
    m_identityRows = {
        {text(ViewTexts::ModelLabel), model},
        {text(ViewTexts::SerialLabel), fieldValueText(block, Field::SerialNumber)},
        {text(ViewTexts::SoftwareLabel), versionText(block)},
        {text(ViewTexts::AdLabel), fieldValueText(block, Field::AdVersion)},
        {text(ViewTexts::VariantLabel), fieldValueText(block, Field::ModelVariant)},
        isOnline()
            ? std::pair{text(ViewTexts::PortLabel), m_access ? m_access->portName() : QString()}
            : std::pair{text(ViewTexts::FileLabel), QDir::toNativeSeparators(filePath())},
    };
    for (int i = 0; i < kIdentityRows; ++i) {
        m_identityNames[i]->setText(m_identityRows[i].first);
        m_identityValues[i]->setText(m_identityRows[i].second);
    }

    // Offline there is no controller to show; the backup column only where one is kept.
    m_table->setColumnHidden(FieldTableModel::ControllerColumn, !isOnline());
    m_table->setColumnHidden(FieldTableModel::BackupColumn, !m_model->backup().has_value());
    updateActions();
}

void ProfessionalView::updateTitle()
{
    const ConfigBlock block = editedBlock();
    QString title = text(ViewTexts::TitlePrefix);
    if (isOnline()) {
        title +=
            modelDesignation(block) + QLatin1Char(' ') + fieldValueText(block, Field::SerialNumber);
        if (!filePath().isEmpty())
            title += QStringLiteral(" - ") + fileName(filePath());
    } else {
        title += fileName(filePath());
    }
    // Two marks: [*] for changes not saved, and the words for a controller that holds other
    // values than the table.
    title += QStringLiteral("[*]");
    if (differsFromController())
        title += text(ViewTexts::DiffersMark);
    setWindowTitle(title);
    setWindowModified(isModifiedSinceSaved());
}

void ProfessionalView::updateActions()
{
    const bool ready = controllerReady();
    action(Action::Read)->setEnabled(ready);
    action(Action::Write)->setEnabled(ready);
    action(Action::Restore)->setEnabled(ready);
    action(Action::Connect)->setEnabled(!isOnline() && m_access != nullptr);
}

void ProfessionalView::updateCurve()
{
    // Before a row is chosen, the throttle: the first group of the table.
    std::optional<CurveKind> kind = CurveKind::Throttle;
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid())
        kind =
            curveOfGroup(static_cast<FieldGroup>(current.data(FieldTableModel::GroupRole).toInt()));
    // A document names some fields only: the others have no value to draw.
    m_curves->showCurve(kind, editedBlock(), m_model->backup(), m_session->knownFields());
}

bool ProfessionalView::controllerReady() const
{
    return isOnline() && m_access && m_access->isConnected();
}

ConfigBlock ProfessionalView::editedBlock() const
{
    return m_session->edited();
}

ConfigBlock ProfessionalView::controllerBlock() const
{
    return m_session->controller();
}

bool ProfessionalView::hasUnsavedChanges() const
{
    return m_session->hasUnsavedChanges();
}

bool ProfessionalView::isModifiedSinceSaved() const
{
    return m_session->isModifiedSinceSaved();
}

bool ProfessionalView::differsFromController() const
{
    return m_session->differsFromController();
}

QString ProfessionalView::statusText() const
{
    return m_status->text();
}

QList<std::pair<QString, QString>> ProfessionalView::identityRows() const
{
    return m_identityRows;
}

void ProfessionalView::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->setToolTip(text); // a long reason may not fit the bar
}

bool ProfessionalView::ask(const QString& text)
{
    return m_options.prompts.question(text);
}

void ProfessionalView::tell(const QString& text)
{
    m_options.prompts.message(text);
}

QString ProfessionalView::plainActionText(int id) const
{
    QString caption = text(id);
    // "Open..." and "打开(&O)...": neither the mnemonic nor the dots belong in a caption.
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
    caption.remove(mnemonic).remove(QLatin1Char('&'));
    if (caption.endsWith(QLatin1String("...")))
        caption.chop(3);
    return caption.trimmed();
}

void ProfessionalView::commitEdit()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || !m_table->indexWidget(current))
        return;
    // Moving the current cell commits its editor, as leaving the cell does.
    m_table->setCurrentIndex(QModelIndex());
    m_table->setCurrentIndex(current);
}

void ProfessionalView::closeEvent(QCloseEvent* event)
{
    if (settleUnsavedChanges(ViewTexts::CloseQuestion))
        event->accept();
    else
        event->ignore();
}

bool ProfessionalView::editField(Field f, std::int64_t value)
{
    return m_model->setFieldValue(f, value);
}
