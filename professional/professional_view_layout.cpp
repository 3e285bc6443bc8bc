// The professional view's window: its widgets, menus, tool bar and actions.
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
#include "port_choice.h"

#include <QAction>
#include <QActionGroup>
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
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

using namespace ProfessionalViewSupport;

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
            // Buttons in the module's words, each with its mnemonic.
            QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                            QMessageBox::NoButton, this);
            QPushButton* save =
                box.addButton(this->text(ViewTexts::SaveAction), QMessageBox::AcceptRole);
            QPushButton* discard =
                box.addButton(this->text(ViewTexts::DiscardButton), QMessageBox::DestructiveRole);
            QPushButton* cancel =
                box.addButton(this->text(ViewTexts::CancelButton), QMessageBox::RejectRole);
            box.setDefaultButton(save);
            box.setEscapeButton(cancel);
            box.exec();
            if (box.clickedButton() == save)
                return ProfessionalPrompts::CloseAnswer::Save;
            if (box.clickedButton() == discard)
                return ProfessionalPrompts::CloseAnswer::Discard;
            return ProfessionalPrompts::CloseAnswer::Cancel;
        };
    if (!prompts.message)
        prompts.message = [this](const QString& text) {
            QMessageBox::warning(this, QCoreApplication::applicationName(), text);
        };
    if (!prompts.openFileName)
        prompts.openFileName = [this](const QString& caption, const QString& filters) {
            const QString dir =
                filePath().isEmpty() ? QDir::homePath() : QFileInfo(filePath()).absolutePath();
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

    m_session = new ConfigurationSession(this);
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
    m_filterEdit->installEventFilter(this);
    connect(m_filterEdit, &QLineEdit::textChanged, m_filter, &FieldFilterModel::setNameFilter);
    layout->addWidget(m_filterEdit);

    m_table = new QTableView(central);
    m_table->setModel(m_filter);
    m_table->setItemDelegate(new FieldDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    // F2 or typing edits the value, whichever cell of the row is current.
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->installEventFilter(this);
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
    auto* splitter = m_splitter = new QSplitter(Qt::Horizontal, central);
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
                updateTitle();
            });
    // An edit and the couplings it set off are one step of Undo.
    m_undo = new QUndoStack(this);
    connect(m_model, &FieldTableModel::blockEdited, this, [this](const ConfigBlock&, Field f) {
        // The table holds the edit already; the session takes it over.
        const State before = m_session->state();
        m_editing = true;
        m_session->edit(m_model->block());
        m_editing = false;
        recordStep(before, QString::fromLatin1(fieldDef(f).name));
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
    connect(m_session, &ConfigurationSession::changed, this, &ProfessionalView::showSession);
    // As wide as the table and the curve want, but never beyond the screen.
    QSize size(1480, 760);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size);
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
    // Write has a key of its own: no common program closes or saves with F9.
    QAction* write = createAction(Action::Write, VT::WriteAction, VT::WriteTip, Qt::Key_F9);
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
        createAction(Action::Close, VT::CloseAction, VT::CloseTip, Qt::CTRL | Qt::Key_W);
    QAction* save = createAction(Action::Save, VT::SaveAction, VT::SaveTip, Qt::CTRL | Qt::Key_S);
    QAction* undo = createAction(Action::Undo, VT::UndoAction, VT::UndoTip, QKeySequence::Undo);
    QAction* redo =
        createAction(Action::Redo, VT::RedoAction, VT::RedoTip, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QAction* find = createAction(Action::Find, VT::FindAction, VT::FindTip, Qt::CTRL | Qt::Key_F);
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(m_undo, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(m_undo, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(undo, &QAction::triggered, this, [this] {
        commitEdit();
        m_undo->undo();
    });
    connect(redo, &QAction::triggered, m_undo, &QUndoStack::redo);
    connect(save, &QAction::triggered, this, [this] { this->save(); });
    connect(find, &QAction::triggered, this, [this] {
        m_filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_filterEdit->selectAll();
    });

    connect(read, &QAction::triggered, this, [this] { readController(); });
    connect(write, &QAction::triggered, this, [this] { writeController(); });
    connect(connectAction, &QAction::triggered, this, [this] { connectController(); });
    connect(open, &QAction::triggered, this, [this] {
        if (settleUnsavedChanges(ViewTexts::OpenQuestion))
            triggerOpen();
    });
    connect(saveAs, &QAction::triggered, this, [this] { triggerSaveAs(); });
    connect(compare, &QAction::triggered, this, [this] { triggerCompare(); });
    connect(restore, &QAction::triggered, this, [this] { restoreFirstBackup(); });
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu* file = menuBar()->addMenu(text(VT::FileMenu));
    file->addAction(open);
    m_recentMenu = file->addMenu(text(VT::RecentMenu));
    m_recentMenu->setObjectName(QStringLiteral("recent"));
    updateRecentMenu();
    file->addActions({save, saveAs, compare});
    file->addSeparator();
    file->addAction(close);
    QMenu* editMenu = menuBar()->addMenu(text(VT::EditMenu));
    editMenu->addActions({undo, redo});
    editMenu->addSeparator();
    editMenu->addAction(find);
    QMenu* controller = menuBar()->addMenu(text(VT::ControllerMenu));
    controller->addActions({connectAction, read, write});
    m_portMenu = controller->addMenu(text(VT::PortMenu));
    m_portMenu->setObjectName(QStringLiteral("ports"));
    // Listed afresh each time: adapters come and go while the window is open.
    connect(m_portMenu, &QMenu::aboutToShow, this, &ProfessionalView::updatePortMenu);
    updatePortMenu();
    controller->addSeparator();
    controller->addAction(restore);

    QToolBar* bar = addToolBar(text(VT::ControllerMenu).remove(QLatin1Char('&')));
    bar->setObjectName(QStringLiteral("actions"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({connectAction, read, write, restore});
    bar->addSeparator();
    bar->addActions({open, save, compare});
    bar->addSeparator();
    bar->addAction(close);
}

void ProfessionalView::updatePortMenu()
{
    m_portMenu->clear();
    qDeleteAll(m_portMenu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    const QString chosen = rememberedPort();
    auto* group = new QActionGroup(m_portMenu);
    const auto addChoice = [this, group, &chosen](const QString& label, const QString& port,
                                                  bool current) {
        QAction* a = m_portMenu->addAction(label);
        a->setCheckable(true);
        a->setChecked(current);
        a->setData(port);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, port] { choosePort(port); });
    };
    const QList<SerialPortEntry> ports =
        m_access ? m_access->serialPorts() : QList<SerialPortEntry>();
    const auto isChosen = [&chosen](const SerialPortEntry& p) {
        return !chosen.isEmpty() && (chosen == p.device || chosen == p.stable);
    };
    const bool listed = std::any_of(ports.begin(), ports.end(), isChosen);
    // A remembered port that is not plugged in now counts as "all": that is what a search does.
    addChoice(text(ViewTexts::SearchAllPorts), QString(), !listed);
    m_portMenu->addSeparator();
    for (const SerialPortEntry& p : ports) {
        // The stable name is the one to keep: the device number changes with the socket.
        const QString port = p.stable.isEmpty() ? p.device : p.stable;
        const QString label =
            p.stable.isEmpty() ? p.device : QStringLiteral("%1 (%2)").arg(p.stable, p.device);
        addChoice(label, port, isChosen(p));
    }
    if (ports.isEmpty())
        m_portMenu->addAction(text(ViewTexts::NoPortFound))->setEnabled(false);
}

void ProfessionalView::choosePort(const QString& port)
{
    rememberPort(port);
    if (m_access)
        m_access->usePort(port);
    updateActions();
}

void ProfessionalView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    // The table whole where the window leaves the curve at least its smallest width; the
    // curve takes the rest. (The meaning column stretches: its contents count.)
    const QHeaderView* header = m_table->horizontalHeader();
    int meaning = header->sectionSizeHint(FieldTableModel::MeaningColumn);
    for (int row = 0; row < m_model->rowCount(); ++row)
        meaning = qMax(meaning,
                       m_table->fontMetrics().horizontalAdvance(
                           m_model->index(row, FieldTableModel::MeaningColumn).data().toString()) +
                           12);
    int columns = 0;
    for (int c = 0; c < header->count(); ++c)
        if (!header->isSectionHidden(c))
            columns += c == FieldTableModel::MeaningColumn ? meaning : header->sectionSize(c);
    const int table = columns + m_table->verticalHeader()->sizeHint().width() +
                      m_table->verticalScrollBar()->sizeHint().width() + 2 * m_table->frameWidth();
    const int total = m_splitter->width() - m_splitter->handleWidth();
    const int curve = total - table;
    // Where even that leaves too little, the table scrolls rather than squeezing its texts.
    if (curve >= m_curves->minimumSizeHint().width() && curve < m_splitter->sizes().value(1))
        m_splitter->setSizes({table, curve});
}
