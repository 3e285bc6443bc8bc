// The professional view: every field of one configuration in an editable table, with the
// controller and file actions around it.
#include "professional_view.h"

#include "backup_history.h"
#include "comparison_dialog.h"
#include "controller_access.h"
#include "curve_panel.h"
#include "curves.h"
#include "field_delegate.h"
#include "field_filter_model.h"
#include "field_rules.h"
#include "field_table_model.h"
#include "plausibility_question.h"

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

namespace {

// The identity rows at the top, in grid order: three pairs a row.
constexpr int kIdentityRows = 6;
constexpr int kIdentityPairsPerRow = 3;

QString modelText(const ConfigBlock& block)
{
    return fieldValueText(block, Field::ModelPrefix) + fieldValueText(block, Field::ModelNumber);
}

QString errorLines(const QList<DocumentError>& errors, const ViewTexts& texts)
{
    QStringList lines;
    for (const DocumentError& e : errors)
        lines.append(texts.refusal(e));
    return lines.join(QLatin1Char('\n'));
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

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
    m_online = true;
    showBlocks(controller, controller);
}

ProfessionalView::ProfessionalView(ControllerAccess* access, const QString& path,
                                   const std::optional<ConfigBlock>& identity,
                                   ProfessionalViewOptions options, QWidget* parent)
    : ProfessionalView(access, std::move(options), parent)
{
    openOffline(path, identity);
}

ProfessionalView::~ProfessionalView() = default;

bool ProfessionalView::needsIdentity(const QString& path)
{
    ConfigurationFile file;
    return ConfigurationFile::read(path, &file, nullptr, nullptr) && !file.isImage() &&
           !file.document.controller;
}

void ProfessionalView::openOffline(const QString& path, const std::optional<ConfigBlock>& identity)
{
    m_online = false;
    m_filePath = path;
    const QString name = fileName(path);
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    ConfigBlock block;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        m_error = ioError.isEmpty()
                      ? text(ViewTexts::NotConfiguration).arg(name, errorLines(errors, m_texts))
                      : text(ViewTexts::CannotOpen).arg(name, ioError);
    } else if (file.isImage()) {
        block = *file.image;
        m_fileFields = FieldRules(block).writableFields();
        m_wholeBlock = true;
    } else if (!file.document.controller && !identity) {
        m_error = text(ViewTexts::NeedsIdentity).arg(name);
    } else {
        // A document's controller part holds the identity bytes only; the fields it does not
        // name stay unknown (0xFF) until Connect takes the controller's.
        m_assumedIdentity = !file.document.controller;
        const ConfigBlock base =
            file.document.controller.value_or(identity.value_or(ConfigBlock()));
        if (!applyDocument(file.document, base, {}, &block, &errors)) {
            m_error = text(ViewTexts::NotApplied).arg(name, errorLines(errors, m_texts));
        } else {
            for (const auto& [field, value] : file.document.fields)
                m_fileFields.append(field);
            m_wholeBlock = false;
        }
    }
    m_valid = m_error.isEmpty();
    showBlocks(block, block);
}

// --- Window ------------------------------------------------------------------------------------

void ProfessionalView::build()
{
    auto& prompts = m_options.prompts;
    if (!prompts.cautiousQuestion)
        prompts.cautiousQuestion = [this](const QString& text) {
            return QMessageBox::question(this, QCoreApplication::applicationName(), text,
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        };
    if (!prompts.question)
        prompts.question = [this](const QString& text) {
            return QMessageBox::question(this, QCoreApplication::applicationName(), text,
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::Yes) == QMessageBox::Yes;
        };
    if (!prompts.closeQuestion)
        prompts.closeQuestion = [this](const QString& text) {
            switch (QMessageBox::question(this, QCoreApplication::applicationName(), text,
                                          QMessageBox::Save | QMessageBox::Discard |
                                              QMessageBox::Cancel,
                                          QMessageBox::Save)) {
            case QMessageBox::Save:
                return ProfessionalPrompts::CloseAnswer::Save;
            case QMessageBox::Discard:
                return ProfessionalPrompts::CloseAnswer::Discard;
            default:
                return ProfessionalPrompts::CloseAnswer::Cancel;
            }
        };
    if (!prompts.message)
        prompts.message = [this](const QString& text) {
            QMessageBox::warning(this, QCoreApplication::applicationName(), text);
        };
    if (!prompts.openFileName)
        prompts.openFileName = [this](const QString& caption, const QString& filters) {
            const QString dir =
                m_filePath.isEmpty() ? QDir::homePath() : QFileInfo(m_filePath).absolutePath();
            return QFileDialog::getOpenFileName(this, caption, dir, filters);
        };
    if (!prompts.saveFileName)
        prompts.saveFileName = [this](const QString& caption, const QString& filters,
                                      QString* chosen) {
            return QFileDialog::getSaveFileName(
                this, caption, suggestedPath(ConfigurationFile::Format::Document), filters, chosen);
        };
    if (!prompts.choose)
        prompts.choose = [this](const QString& caption, const QStringList& items) {
            bool ok = false;
            const QString item =
                QInputDialog::getItem(this, caption, caption, items, 0, false, &ok);
            return ok ? static_cast<int>(items.indexOf(item)) : -1;
        };

    m_model = new FieldTableModel(this);
    m_model->setTexts(m_texts);
    m_filter = new FieldFilterModel(this);
    m_filter->setSourceModel(m_model);
    const std::pair<FieldGroup, int> groups[] = {
        {FieldGroup::Throttle, ViewTexts::ThrottleGroup},
        {FieldGroup::Startup, ViewTexts::StartupGroup},
        {FieldGroup::Motor, ViewTexts::MotorGroup},
        {FieldGroup::Regeneration, ViewTexts::RegenerationGroup},
        {FieldGroup::Temperature, ViewTexts::TemperatureGroup},
    };
    for (const auto& [group, id] : groups)
        m_filter->setGroupTitle(group, text(id));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* identity = new QGridLayout;
    identity->setHorizontalSpacing(12);
    for (int i = 0; i < kIdentityRows; ++i) {
        auto* name = new QLabel(central);
        auto* value = new QLabel(central);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setObjectName(QStringLiteral("identity%1").arg(i));
        const int row = i % 2, column = 2 * (i / 2);
        identity->addWidget(name, row, column);
        identity->addWidget(value, row, column + 1);
        m_identityNames.append(name);
        m_identityValues.append(value);
    }
    // The last pair (port or file) takes the room left.
    identity->setColumnStretch(2 * kIdentityPairsPerRow - 1, 1);
    layout->addLayout(identity);

    m_filterEdit = new QLineEdit(central);
    m_filterEdit->setPlaceholderText(text(ViewTexts::FilterPlaceholder));
    m_filterEdit->setClearButtonEnabled(true);
    connect(m_filterEdit, &QLineEdit::textChanged, m_filter, &FieldFilterModel::setNameFilter);
    layout->addWidget(m_filterEdit);

    m_table = new QTableView(central);
    m_table->setModel(m_filter);
    m_table->setItemDelegate(new FieldDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The group headings keep their column as wide as the widest, whatever the filter shows.
    QFont bold = m_table->verticalHeader()->font();
    bold.setBold(true);
    int headingWidth = 0;
    for (const auto& [group, id] : groups)
        headingWidth = qMax(headingWidth, QFontMetrics(bold).horizontalAdvance(text(id)));
    m_table->verticalHeader()->setMinimumWidth(headingWidth + 16);
    // Flat, so that the rows below a heading read as belonging to it rather than as buttons.
    m_table->verticalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { border: none; padding: 0 6px; "
                       "background: palette(window); }"));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(FieldTableModel::MeaningColumn,
                                                      QHeaderView::Stretch);
    m_curves = new CurvePanel(CurveTexts(m_options.strings), central);
    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_table);
    splitter->addWidget(m_curves);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    // The table keeps room for its columns; the curve takes the rest (the splitter scales
    // these to the window).
    splitter->setSizes({930, 520});
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    statusBar()->addWidget(m_status, 1);

    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_rowsChanged = true; });
    // The curve follows the selected row and every change of a value.
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updateCurve(); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { updateCurve(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { updateCurve(); });
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                if (from.column() > FieldTableModel::ValueColumn ||
                    to.column() < FieldTableModel::ValueColumn)
                    return; // the backup column alone
                // A new edit: the previous one's message goes.
                m_editReasons.clear();
                setStatus(QString());
                setWindowModified(hasUnsavedChanges());
            });
    connect(m_model, &FieldTableModel::valueAdjusted, this, [this](Field, const QString& reason) {
        m_editReasons.append(reason);
        setStatus(m_editReasons.join(QStringLiteral("; ")));
    });
    connect(m_model, &FieldTableModel::editRefused, this, [this](Field, const QString& reason) {
        m_editReasons = QStringList{reason};
        setStatus(reason);
    });

    buildActions();
    resize(1480, 760);
}

QAction* ProfessionalView::createAction(Action a, int textId, int tipId,
                                        const QKeySequence& shortcut)
{
    auto* action = new QAction(text(textId), this);
    // Toolbar buttons show neither a mnemonic nor "...": "打开(&O)..." reads "打开" there.
    action->setIconText(plainActionText(textId));
    action->setShortcut(shortcut);
    action->setToolTip(
        QStringLiteral("%1 (%2)").arg(text(tipId), shortcut.toString(QKeySequence::NativeText)));
    m_actions.insert(static_cast<int>(a), action);
    return action;
}

void ProfessionalView::buildActions()
{
    using VT = ViewTexts;
    QAction* read = createAction(Action::Read, VT::ReadAction, VT::ReadTip, Qt::CTRL | Qt::Key_R);
    QAction* write =
        createAction(Action::Write, VT::WriteAction, VT::WriteTip, Qt::CTRL | Qt::Key_W);
    QAction* connectAction =
        createAction(Action::Connect, VT::ConnectAction, VT::ConnectTip, Qt::CTRL | Qt::Key_K);
    QAction* open = createAction(Action::Open, VT::OpenAction, VT::OpenTip, Qt::CTRL | Qt::Key_O);
    QAction* saveAs = createAction(Action::SaveAs, VT::SaveAsAction, VT::SaveAsTip,
                                   Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    QAction* compare =
        createAction(Action::Compare, VT::CompareAction, VT::CompareTip, Qt::CTRL | Qt::Key_D);
    QAction* restore = createAction(Action::Restore, VT::RestoreAction, VT::RestoreTip,
                                    Qt::CTRL | Qt::SHIFT | Qt::Key_B);
    QAction* close =
        createAction(Action::Close, VT::CloseAction, VT::CloseTip, Qt::CTRL | Qt::Key_Q);

    connect(read, &QAction::triggered, this, [this] { readController(); });
    connect(write, &QAction::triggered, this, [this] { writeController(); });
    connect(connectAction, &QAction::triggered, this, [this] { connectController(); });
    connect(open, &QAction::triggered, this, [this] { triggerOpen(); });
    connect(saveAs, &QAction::triggered, this, [this] { triggerSaveAs(); });
    connect(compare, &QAction::triggered, this, [this] { triggerCompare(); });
    connect(restore, &QAction::triggered, this, [this] { restoreFirstBackup(); });
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu* file = menuBar()->addMenu(text(VT::FileMenu));
    file->addActions({open, saveAs, compare});
    file->addSeparator();
    file->addAction(close);
    QMenu* controller = menuBar()->addMenu(text(VT::ControllerMenu));
    controller->addActions({connectAction, read, write});
    controller->addSeparator();
    controller->addAction(restore);

    QToolBar* bar = addToolBar(text(VT::ControllerMenu).remove(QLatin1Char('&')));
    bar->setObjectName(QStringLiteral("actions"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({connectAction, read, write, restore});
    bar->addSeparator();
    bar->addActions({open, saveAs, compare});
    bar->addSeparator();
    bar->addAction(close);
}

void ProfessionalView::showBlocks(const ConfigBlock& edited, const ConfigBlock& controller)
{
    m_rowsChanged = false;
    m_model->setBlocks(edited, controller);
    m_model->setBackup(m_online && m_access ? m_access->firstBackup(controller) : std::nullopt);
    // Before the window shows, the columns fit their contents whatever the rows: the first
    // rows may be those the empty model already had, and then nothing reset it.
    if (m_rowsChanged || !isVisible()) {
        m_table->resizeColumnsToContents();
        // Room for the editors: a spin box or a list needs more than the number it shows.
        const int valueWidth = m_table->fontMetrics().horizontalAdvance(QStringLiteral("0000000"));
        m_table->setColumnWidth(
            FieldTableModel::ValueColumn,
            qMax(m_table->columnWidth(FieldTableModel::ValueColumn), valueWidth + 48));
    }
    updateCurve();
    updateWindow();
}

void ProfessionalView::updateWindow()
{
    const ConfigBlock block = editedBlock();
    QString title = text(ViewTexts::TitlePrefix);
    if (m_online)
        title += modelText(block) + QLatin1Char(' ') + fieldValueText(block, Field::SerialNumber);
    else
        title += fileName(m_filePath);
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(hasUnsavedChanges());

    QString model = modelText(block);
    if (m_assumedIdentity)
        model += QLatin1Char(' ') + text(ViewTexts::Assumed);
    m_identityRows = {
        {text(ViewTexts::ModelLabel), model},
        {text(ViewTexts::SerialLabel), fieldValueText(block, Field::SerialNumber)},
        {text(ViewTexts::SoftwareLabel), versionText(block)},
        {text(ViewTexts::AdLabel), fieldValueText(block, Field::AdVersion)},
        {text(ViewTexts::VariantLabel), fieldValueText(block, Field::ModelVariant)},
        m_online
            ? std::pair{text(ViewTexts::PortLabel), m_access ? m_access->portName() : QString()}
            : std::pair{text(ViewTexts::FileLabel), QDir::toNativeSeparators(m_filePath)},
    };
    for (int i = 0; i < kIdentityRows; ++i) {
        m_identityNames[i]->setText(m_identityRows[i].first);
        m_identityValues[i]->setText(m_identityRows[i].second);
    }

    // Offline there is no controller to show; the backup column only where one is kept.
    m_table->setColumnHidden(FieldTableModel::ControllerColumn, !m_online);
    m_table->setColumnHidden(FieldTableModel::BackupColumn, !m_model->backup().has_value());
    updateActions();
}

void ProfessionalView::updateActions()
{
    const bool ready = controllerReady();
    action(Action::Read)->setEnabled(ready);
    action(Action::Write)->setEnabled(ready);
    action(Action::Restore)->setEnabled(ready);
    action(Action::Connect)->setEnabled(!m_online && m_access != nullptr);
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
    std::optional<QList<Field>> known;
    if (!m_wholeBlock) {
        known = m_fileFields;
        for (Field f : m_model->changedFields())
            if (!known->contains(f))
                known->append(f);
    }
    m_curves->showCurve(kind, editedBlock(), m_model->backup(), known);
}

bool ProfessionalView::controllerReady() const
{
    return m_online && m_access && m_access->isConnected();
}

ConfigBlock ProfessionalView::editedBlock() const
{
    return m_model->block();
}

ConfigBlock ProfessionalView::controllerBlock() const
{
    return m_model->controllerBlock();
}

bool ProfessionalView::hasUnsavedChanges() const
{
    const ConfigBlock edited = editedBlock();
    return edited != controllerBlock() && (!m_saved || edited != *m_saved);
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

// --- Controller --------------------------------------------------------------------------------

bool ProfessionalView::readController()
{
    if (!controllerReady())
        return false;
    commitEdit();
    if (editedBlock() != controllerBlock() && !ask(text(ViewTexts::ReadQuestion)))
        return false;
    ConfigBlock block;
    QString error;
    if (!m_access->read(this, &block, &error)) {
        tell(text(ViewTexts::ReadFailed).arg(error));
        updateActions();
        return false;
    }
    m_saved.reset();
    showBlocks(block, block);
    setStatus(text(ViewTexts::ReadDone));
    return true;
}

bool ProfessionalView::writeController()
{
    if (!controllerReady())
        return false;
    commitEdit();
    const ConfigBlock next = editedBlock();
    const ConfigBlock current = controllerBlock();
    // Nothing to write asks nothing either.
    if (next == current) {
        setStatus(text(ViewTexts::NothingToWrite));
        return false;
    }
    // Settings that do not work together are named first; No is the safe answer.
    const QList<ImplausiblePair> implausible = newImplausiblePairs(current, next);
    if (!implausible.isEmpty() && !m_options.prompts.cautiousQuestion(implausibleQuestion(
                                      implausible, [this](int id) { return text(id); })))
        return false;
    if (!ask(text(ViewTexts::MotorStopped)))
        return false;
    QString error;
    if (!m_access->write(this, current, next, &error)) {
        if (!error.isEmpty()) // empty: the user chose not to write
            tell(text(ViewTexts::WriteFailed).arg(error));
        updateActions();
        return false;
    }
    showBlocks(next, next);
    setStatus(text(ViewTexts::Written));
    return true;
}

bool ProfessionalView::connectController()
{
    if (m_online || !m_access)
        return false;
    commitEdit();
    if (!m_access->isConnected() && !m_access->connectController(this)) {
        updateActions();
        return false; // the search told the user why
    }
    ConfigBlock controller;
    QString error;
    if (!m_access->read(this, &controller, &error)) {
        tell(text(ViewTexts::ReadFailed).arg(error));
        updateActions();
        return false;
    }
    const QString name = fileName(m_filePath);
    ConfigBlock next;
    if (!applyOnto(currentDocument(), controller, name, &next)) {
        updateActions();
        return false;
    }
    // Values saved in a file before count as saved still: the file holds them.
    const bool saved = m_saved && *m_saved == editedBlock();
    m_online = true;
    m_assumedIdentity = false;
    m_wholeBlock = true;
    m_fileFields.clear();
    m_saved.reset();
    if (saved)
        m_saved = next;
    showBlocks(next, controller);
    setStatus(text(ViewTexts::Applied).arg(name).arg(m_model->changedFields().size()));
    return true;
}

bool ProfessionalView::restoreFirstBackup()
{
    if (!controllerReady())
        return false;
    commitEdit();
    const ConfigBlock controller = controllerBlock();
    const std::optional<ConfigBlock> backup = m_access->firstBackup(controller);
    if (!backup) {
        tell(text(ViewTexts::NoFirstBackup));
        return false;
    }
    if (!sameModelAndVersion(*backup, controller)) {
        tell(text(ViewTexts::OtherController)
                 .arg(text(ViewTexts::BackupColumn), m_texts.identity(*backup),
                      m_texts.identity(controller)));
        return false;
    }
    // The whole image, as the wizard's Default restores it.
    showBlocks(*backup, controller);
    setStatus(text(ViewTexts::Restored));
    return true;
}

// --- Files -------------------------------------------------------------------------------------

ConfigDocument ProfessionalView::currentDocument() const
{
    const ConfigBlock block = editedBlock();
    if (m_wholeBlock && !m_assumedIdentity)
        return ConfigDocument::of(block);
    ConfigDocument doc;
    if (!m_assumedIdentity)
        doc.controller = block;
    const QList<Field> changed = m_model->changedFields();
    for (Field f : FieldRules(block).writableFields())
        if (m_fileFields.contains(f) || changed.contains(f))
            doc.fields.append({f, block.get(f)});
    return doc;
}

bool ProfessionalView::applyOnto(const ConfigDocument& doc, const ConfigBlock& target,
                                 const QString& source, ConfigBlock* result)
{
    // Said here rather than by applyDocument, whose message speaks to the command line.
    if (doc.controller && !sameModelAndVersion(*doc.controller, target)) {
        tell(text(ViewTexts::NotApplied)
                 .arg(source, text(ViewTexts::OtherController)
                                  .arg(source, m_texts.identity(*doc.controller),
                                       m_texts.identity(target))));
        return false;
    }
    QList<DocumentError> errors;
    if (!applyDocument(doc, target, {}, result, &errors)) {
        tell(text(ViewTexts::NotApplied).arg(source, errorLines(errors, m_texts)));
        return false;
    }
    return true;
}

bool ProfessionalView::openFile(const QString& path)
{
    commitEdit();
    const QString name = fileName(path);
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        tell(ioError.isEmpty()
                 ? text(ViewTexts::NotConfiguration).arg(name, errorLines(errors, m_texts))
                 : text(ViewTexts::CannotOpen).arg(name, ioError));
        return false;
    }
    const ConfigDocument doc = file.asDocument();
    const ConfigBlock before = editedBlock();
    ConfigBlock next;
    if (!applyOnto(doc, before, name, &next))
        return false;
    if (!m_online)
        for (const auto& [field, value] : doc.fields)
            if (!m_fileFields.contains(field))
                m_fileFields.append(field);
    showBlocks(next, controllerBlock());
    setStatus(
        text(ViewTexts::Applied).arg(name).arg(diffBlocks(before, next, FieldRules(next)).size()));
    return true;
}

bool ProfessionalView::saveAs(const QString& path, ConfigurationFile::Format format)
{
    commitEdit();
    const ConfigBlock block = editedBlock();
    const ConfigDocument doc = currentDocument();
    const QByteArray content = format == ConfigurationFile::Format::Image
                                   ? ConfigurationFile::content(block)
                                   : ConfigurationFile::content(doc);
    QString error;
    if (!ConfigurationFile::write(path, content, &error)) {
        tell(text(ViewTexts::CannotSave).arg(fileName(path), error));
        return false;
    }
    m_saved = block;
    if (!m_online) {
        // Offline the saved file becomes the one the view shows.
        m_filePath = path;
        m_fileFields.clear();
        for (const auto& [field, value] : doc.fields)
            m_fileFields.append(field);
        showBlocks(block, block);
    } else {
        updateWindow();
    }
    setStatus(text(ViewTexts::Saved).arg(QDir::toNativeSeparators(path)));
    return true;
}

QString ProfessionalView::suggestedPath(ConfigurationFile::Format format) const
{
    const QString suffix = format == ConfigurationFile::Format::Image ? QStringLiteral(".bin")
                                                                      : QStringLiteral(".json");
    if (!m_online && !m_filePath.isEmpty()) {
        const QFileInfo info(m_filePath);
        return info.absoluteDir().filePath(info.completeBaseName() + suffix);
    }
    const ConfigBlock block = editedBlock();
    return QDir::home().filePath(modelText(block) + QLatin1Char('-') +
                                 fieldValueText(block, Field::SerialNumber) + suffix);
}

bool ProfessionalView::triggerOpen()
{
    const QString filters = text(ViewTexts::ConfigurationFilter) + QStringLiteral(";;") +
                            text(ViewTexts::DocumentFilter) + QStringLiteral(";;") +
                            text(ViewTexts::ImageFilter);
    const QString path =
        m_options.prompts.openFileName(plainActionText(ViewTexts::OpenAction), filters);
    return !path.isEmpty() && openFile(path);
}

bool ProfessionalView::triggerSaveAs()
{
    const QString documents = text(ViewTexts::DocumentFilter);
    const QString images = text(ViewTexts::ImageFilter);
    QString chosen;
    QString path =
        m_options.prompts.saveFileName(plainActionText(ViewTexts::SaveAsAction),
                                       documents + QStringLiteral(";;") + images, &chosen);
    if (path.isEmpty())
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    ConfigurationFile::Format format = ConfigurationFile::Format::Document;
    if (chosen == images)
        format = ConfigurationFile::Format::Image;
    else if (chosen != documents &&
             (suffix == QLatin1String("bin") || suffix == QLatin1String("n")))
        format = ConfigurationFile::Format::Image; // no filter said: the name decides
    if (suffix.isEmpty())
        path += format == ConfigurationFile::Format::Image ? QStringLiteral(".bin")
                                                           : QStringLiteral(".json");
    return saveAs(path, format);
}

bool ProfessionalView::triggerCompare()
{
    // The backups of this controller, when there is a folder to look in.
    QList<BackupEntry> backups;
    if (!m_options.backupDir.isEmpty() && (m_online || !m_assumedIdentity)) {
        const QString key = ControllerKey(m_online ? controllerBlock() : editedBlock());
        for (const BackupEntry& e : BackupHistory(m_options.backupDir).list())
            if (e.key == key)
                backups.append(e);
    }
    const QString caption = plainActionText(ViewTexts::CompareAction);
    int choice = 0;
    QStringList items{text(ViewTexts::CompareFile)};
    if (!backups.isEmpty()) {
        for (const BackupEntry& e : backups) {
            const QString time =
                e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            items.append(text(e.first ? ViewTexts::FirstImage : ViewTexts::HistoryImage).arg(time));
        }
        choice = m_options.prompts.choose(caption, items);
        if (choice < 0)
            return false;
    }
    if (choice > 0) {
        ConfigurationFile file;
        QString ioError;
        QList<DocumentError> errors;
        const BackupEntry& entry = backups.at(choice - 1);
        if (!ConfigurationFile::read(entry.path, &file, &ioError, &errors) || !file.isImage()) {
            tell(text(ViewTexts::NotConfiguration)
                     .arg(fileName(entry.path),
                          ioError.isEmpty() ? errorLines(errors, m_texts) : ioError));
            return false;
        }
        compareWithImage(*file.image, items.at(choice));
        return true;
    }
    const QString filters = text(ViewTexts::ConfigurationFilter) + QStringLiteral(";;") +
                            text(ViewTexts::DocumentFilter) + QStringLiteral(";;") +
                            text(ViewTexts::ImageFilter);
    const QString path = m_options.prompts.openFileName(caption, filters);
    if (path.isEmpty())
        return false;
    bool ok = false;
    compareWithFile(path, &ok);
    return ok;
}

QList<FieldChange> ProfessionalView::compareWithFile(const QString& path, bool* ok)
{
    if (ok)
        *ok = false;
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    const QString name = fileName(path);
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        tell(ioError.isEmpty()
                 ? text(ViewTexts::NotConfiguration).arg(name, errorLines(errors, m_texts))
                 : text(ViewTexts::CannotOpen).arg(name, ioError));
        return {};
    }
    if (ok)
        *ok = true;
    return showComparison(ConfigurationSide::of(file), name);
}

QList<FieldChange> ProfessionalView::compareWithImage(const ConfigBlock& image, const QString& name)
{
    return showComparison(ConfigurationSide::of(image), name);
}

QList<FieldChange> ProfessionalView::showComparison(const ConfigurationSide& other,
                                                    const QString& name)
{
    commitEdit();
    const ConfigurationSide self = m_wholeBlock && !m_assumedIdentity
                                       ? ConfigurationSide::of(editedBlock())
                                       : ConfigurationSide::of(currentDocument());
    const QList<FieldChange> changes = compareConfigurations(self, other);
    auto* dialog = new ComparisonDialog(name, changes, m_texts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return changes;
}

void ProfessionalView::closeEvent(QCloseEvent* event)
{
    commitEdit();
    if (!hasUnsavedChanges()) {
        event->accept();
        return;
    }
    switch (m_options.prompts.closeQuestion(text(ViewTexts::CloseQuestion))) {
    case ProfessionalPrompts::CloseAnswer::Save:
        if (triggerSaveAs())
            event->accept();
        else
            event->ignore();
        return;
    case ProfessionalPrompts::CloseAnswer::Discard:
        event->accept();
        return;
    case ProfessionalPrompts::CloseAnswer::Cancel:
        event->ignore();
        return;
    }
}

bool ProfessionalView::editField(Field f, std::int64_t value)
{
    return m_model->setFieldValue(f, value);
}
