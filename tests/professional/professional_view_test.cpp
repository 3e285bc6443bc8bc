// The professional view window: what it shows, what its actions read, write, open, save and
// compare, and what it asks first.
#include "backup_history.h"
#include "comparison_dialog.h"
#include "config_document.h"
#include "controller_access.h"
#include "curve_panel.h"
#include "field_filter_model.h"
#include "professional_support.h"
#include "professional_view.h"
#include "test_resources.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>

namespace {

// A controller that holds a block, records what is written and can fail.
class FakeController : public ControllerAccess
{
public:
    explicit FakeController(const ConfigBlock& block, bool connected = true)
        : block(block), connected(connected)
    {
    }

    bool isConnected() const override { return connected; }
    QString portName() const override { return QStringLiteral("/dev/ttyTEST"); }
    bool connectController(QWidget*) override
    {
        ++connects;
        connected = canConnect;
        return connected;
    }
    bool read(QWidget*, ConfigBlock* out, QString* error) override
    {
        ++reads;
        if (!readError.isEmpty()) {
            *error = readError;
            return false;
        }
        *out = block;
        return true;
    }
    bool write(QWidget*, const ConfigBlock& current, const ConfigBlock& next,
               QString* error) override
    {
        writes.append({current, next});
        if (!writeError.isEmpty()) {
            *error = writeError;
            return false;
        }
        block = next;
        return true;
    }
    std::optional<ConfigBlock> firstBackup(const ConfigBlock&) const override { return backup; }

    ConfigBlock block;
    bool connected = true;
    bool canConnect = true;
    std::optional<ConfigBlock> backup;
    QString readError;
    QString writeError;
    int connects = 0;
    int reads = 0;
    QList<std::pair<ConfigBlock, ConfigBlock>> writes; // current, next
};

// Answers the view's questions from queues and records what it asked and told.
struct Answers
{
    ProfessionalPrompts prompts()
    {
        ProfessionalPrompts p;
        p.question = [this](const QString& text) {
            questions.append(text);
            if (yes.empty())
                return true;
            const bool answer = yes.front();
            yes.pop_front();
            return answer;
        };
        p.cautiousQuestion = [this](const QString& text) {
            cautiousQuestions.append(text);
            return cautiousYes;
        };
        p.closeQuestion = [this](const QString& text) {
            closeQuestions.append(text);
            return closeAnswer;
        };
        p.message = [this](const QString& text) { messages.append(text); };
        p.openFileName = [this](const QString&, const QString& filters) {
            openFilters.append(filters);
            return openPath;
        };
        p.saveFileName = [this](const QString&, const QString& filters, QString* chosen) {
            saveFilters.append(filters);
            *chosen = saveFilter;
            return savePath;
        };
        p.choose = [this](const QString&, const QStringList& items) {
            choices.append(items);
            return choice;
        };
        return p;
    }

    std::deque<bool> yes;
    ProfessionalPrompts::CloseAnswer closeAnswer = ProfessionalPrompts::CloseAnswer::Cancel;
    QString openPath;
    QString savePath;
    QString saveFilter;
    int choice = -1;

    bool cautiousYes = false;

    QStringList questions;
    QStringList cautiousQuestions;
    QStringList closeQuestions;
    QStringList messages;
    QStringList openFilters;
    QStringList saveFilters;
    QList<QStringList> choices;
};

QString english(int id)
{
    return moduleTexts().text(id);
}

ConfigBlock with(ConfigBlock block, std::initializer_list<std::pair<Field, std::uint32_t>> values)
{
    for (const auto& [field, value] : values)
        block.set(field, value);
    return block;
}

class ProfessionalViewTest : public ::testing::Test
{
protected:
    ProfessionalViewOptions options()
    {
        ProfessionalViewOptions o;
        const ResourceModule& en = testModule();
        o.strings = [&en](int id) { return en.string(id); };
        o.prompts = answers.prompts();
        o.backupDir = backupDir;
        return o;
    }

    std::unique_ptr<ProfessionalView> online() { return online(full); }
    std::unique_ptr<ProfessionalView> online(const ConfigBlock& block)
    {
        return std::make_unique<ProfessionalView>(&controller, block, options());
    }
    std::unique_ptr<ProfessionalView> offline(const QString& path,
                                              std::optional<ConfigBlock> identity = {})
    {
        return std::make_unique<ProfessionalView>(&controller, path, identity, options());
    }

    // Sets a field's value through the table, as an editor does.
    static bool edit(ProfessionalView& view, Field f, const QVariant& value,
                     int role = Qt::EditRole)
    {
        QAbstractItemModel* model = view.table()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, FieldTableModel::ValueColumn);
            if (index.data(FieldTableModel::FieldRole).value<Field>() == f)
                return model->setData(index, value, role);
        }
        ADD_FAILURE() << "no row for " << fieldDef(f).name;
        return false;
    }

    static void trigger(ProfessionalView& view, ProfessionalView::Action a)
    {
        QAction* action = view.action(a);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }

    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    QString document(const QString& name, const QStringList& assignments,
                     std::optional<ConfigBlock> controllerPart = {})
    {
        QList<DocumentError> errors;
        ConfigDocument doc = documentFromAssignments(assignments, &errors);
        EXPECT_TRUE(errors.isEmpty());
        doc.controller = controllerPart;
        return file(name, doc.toJson());
    }

    static QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }

    QTemporaryDir dir;
    QString backupDir;
    const ConfigBlock full = presetBlock(QStringLiteral("full"));
    FakeController controller{full};
    Answers answers;
};

// --- What the window shows ---------------------------------------------------------------------

TEST_F(ProfessionalViewTest, OnlineItShowsTheControllersFieldsIdentityAndTitle)
{
    controller.backup = full;
    auto view = online();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Professional - DVR72401 12AB0002[*]"));
    EXPECT_FALSE(view->isWindowModified());
    EXPECT_TRUE(view->isOnline());

    const QList<Field> expected = tableFields(FieldRules(full));
    QAbstractItemModel* shown = view->table()->model();
    ASSERT_EQ(shown->rowCount(), expected.size());
    for (int row = 0; row < shown->rowCount(); ++row)
        EXPECT_EQ(shown->index(row, 0).data(FieldTableModel::FieldRole).value<Field>(),
                  expected[row]);
    EXPECT_EQ(shown->columnCount(), FieldTableModel::ColumnCount);
    EXPECT_FALSE(view->table()->isColumnHidden(FieldTableModel::ControllerColumn));
    EXPECT_FALSE(view->table()->isColumnHidden(FieldTableModel::BackupColumn));

    const auto identity = view->identityRows();
    ASSERT_EQ(identity.size(), 6);
    EXPECT_EQ(identity[0].second, QStringLiteral("DVR72401"));
    EXPECT_EQ(identity[1].second, QStringLiteral("12AB0002"));
    EXPECT_EQ(identity[2].second, versionText(full));
    EXPECT_EQ(identity[5],
              std::pair(english(ViewTexts::PortLabel), QStringLiteral("/dev/ttyTEST")));

    for (auto a : {ProfessionalView::Action::Read, ProfessionalView::Action::Write,
                   ProfessionalView::Action::Restore})
        EXPECT_TRUE(view->action(a)->isEnabled());
    EXPECT_FALSE(view->action(ProfessionalView::Action::Connect)->isEnabled());

    // An edit marks the window; the filter narrows the rows to matching names.
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    EXPECT_TRUE(view->isWindowModified());
    view->filterEdit()->setText(QStringLiteral("motorcurrent"));
    ASSERT_EQ(shown->rowCount(), 1);
    EXPECT_EQ(shown->index(0, FieldTableModel::ValueColumn).data().toInt(), 80);
    EXPECT_FALSE(view->filterEdit()->placeholderText().isEmpty());
}

TEST_F(ProfessionalViewTest, GroupHeadingsOpenEachGroupWhateverTheFilterShows)
{
    auto view = online();
    QAbstractItemModel* shown = view->table()->model();
    const auto heading = [shown](int row) {
        return shown->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    };
    EXPECT_EQ(heading(0), english(ViewTexts::ThrottleGroup));
    QStringList headings;
    for (int row = 0; row < shown->rowCount(); ++row) {
        const bool opens =
            row == 0 || shown->index(row, 0).data(FieldTableModel::GroupRole) !=
                            shown->index(row - 1, 0).data(FieldTableModel::GroupRole);
        EXPECT_EQ(heading(row).isEmpty(), !opens) << row;
        if (opens)
            headings.append(heading(row));
    }
    EXPECT_EQ(headings.size(), QSet<QString>(headings.begin(), headings.end()).size());

    // Filtered, the first row shown carries its group's heading.
    view->filterEdit()->setText(QStringLiteral("BrakeSensorStartingPoint"));
    ASSERT_EQ(shown->rowCount(), 1);
    EXPECT_EQ(heading(0), english(ViewTexts::RegenerationGroup));
}

TEST_F(ProfessionalViewTest, ActionsHaveTheirShortcutsTooltipsAndUniqueMnemonicsInBothModules)
{
    using A = ProfessionalView::Action;
    const std::pair<A, const char*> shortcuts[] = {
        {A::Read, "Ctrl+R"},          {A::Write, "Ctrl+W"},        {A::Connect, "Ctrl+K"},
        {A::Open, "Ctrl+O"},          {A::SaveAs, "Ctrl+Shift+S"}, {A::Compare, "Ctrl+D"},
        {A::Restore, "Ctrl+Shift+B"}, {A::Close, "Ctrl+Q"},
    };
    for (const QString& module : {QStringLiteral("english"), QStringLiteral("chinese")}) {
        SCOPED_TRACE(module.toStdString());
        ProfessionalViewOptions o = options();
        const ResourceModule& res = testModule(module);
        o.strings = [&res](int id) { return res.string(id); };
        ProfessionalView view(&controller, full, o);
        if (module == QLatin1String("chinese")) {
            EXPECT_TRUE(view.windowTitle().startsWith(QString::fromUtf8("专业模式 - ")));
        }

        for (const auto& [a, keys] : shortcuts) {
            QAction* action = view.action(a);
            ASSERT_NE(action, nullptr);
            EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(keys))) << keys;
            EXPECT_TRUE(action->toolTip().contains(
                QKeySequence(QString::fromLatin1(keys)).toString(QKeySequence::NativeText)));
            EXPECT_GT(action->toolTip().size(), 12) << keys;
            EXPECT_FALSE(action->iconText().contains(QLatin1Char('&'))) << keys;
        }

        // Every action sits in a menu; no two entries of one menu share a mnemonic.
        int inMenus = 0;
        QSet<QChar> menuKeys;
        for (QAction* menuAction : view.menuBar()->actions()) {
            QMenu* menu = menuAction->menu();
            ASSERT_NE(menu, nullptr);
            const auto mnemonic = [](const QString& text) {
                const int amp = static_cast<int>(text.indexOf(QLatin1Char('&')));
                return amp >= 0 && amp + 1 < text.size() ? text.at(amp + 1).toUpper() : QChar();
            };
            EXPECT_FALSE(mnemonic(menuAction->text()).isNull());
            EXPECT_FALSE(menuKeys.contains(mnemonic(menuAction->text())));
            menuKeys.insert(mnemonic(menuAction->text()));
            QSet<QChar> keys;
            for (QAction* entry : menu->actions()) {
                if (entry->isSeparator())
                    continue;
                ++inMenus;
                const QChar key = mnemonic(entry->text());
                EXPECT_FALSE(key.isNull()) << entry->text().toStdString();
                EXPECT_FALSE(keys.contains(key)) << entry->text().toStdString();
                keys.insert(key);
            }
        }
        EXPECT_EQ(inMenus, 8);
    }
}

TEST_F(ProfessionalViewTest, TheModulesHoldTheViewsTexts)
{
    const ResourceModule& en = testModule(QStringLiteral("english"));
    const ResourceModule& cn = testModule(QStringLiteral("chinese"));
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    const auto placeholders = [&placeholder](const QString& text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();)
            found.append(it.next().captured());
        found.sort();
        return found;
    };
    // The view has no words of its own: every text it asks for is in both modules, with the
    // same placeholders (a Chinese text may leave out one the English fills, never add one).
    const QList<std::pair<int, int>> ranges = {
        {ViewTexts::TitlePrefix, ViewTexts::Assumed},
        {ViewTexts::CompareTitle, ViewTexts::Nibbles},
        {ViewTexts::WriteWithoutBackup, ViewTexts::ExchangeAtOffset},
        {ViewTexts::SearchingLabel, ViewTexts::ReadStopped},
        {ViewTexts::CannotRestore, ViewTexts::NeedsIdentity},
        {ViewTexts::ForwardSwitchNote, ViewTexts::EnableItem},
        {ViewTexts::DocumentErrorFirst, ViewTexts::DocumentErrorFirst + DocumentError::Other - 1}};
    for (const auto& [first, last] : ranges)
        for (int id = first; id <= last; ++id) {
            EXPECT_FALSE(en.string(id).isEmpty()) << id;
            EXPECT_FALSE(cn.string(id).isEmpty()) << id;
            for (const QString& p : placeholders(cn.string(id)))
                EXPECT_TRUE(placeholders(en.string(id)).contains(p)) << id;
        }
    EXPECT_FALSE(english(ViewTexts::MotorStopped).contains(QLatin1Char('\r')));
}

// --- Edits and the status bar ------------------------------------------------------------------

TEST_F(ProfessionalViewTest, AdjustmentsAndRefusalsStayInTheStatusBarUntilTheNextEdit)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::BoostFunction, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(view->statusText().contains(QLatin1String("BrakeSensorType")))
        << view->statusText().toStdString();

    ASSERT_TRUE(edit(*view, Field::StartupDelay, 7));
    EXPECT_TRUE(view->statusText().isEmpty());

    EXPECT_FALSE(edit(*view, Field::MaxMotorCurrent, 500));
    EXPECT_TRUE(view->statusText().contains(QLatin1String("MaxMotorCurrent")));
    EXPECT_EQ(view->editedBlock().get(Field::MaxMotorCurrent), full.get(Field::MaxMotorCurrent));

    ASSERT_TRUE(edit(*view, Field::StartupDelay, 6));
    EXPECT_TRUE(view->statusText().isEmpty());
}

// --- Write and Read ----------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, WriteSendsExactlyTheEditedBlockAndTheControllerImageBefore)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 9));
    const ConfigBlock expected =
        with(full, {{Field::MaxMotorCurrent, 80}, {Field::StartupDelay, 9}});
    trigger(*view, ProfessionalView::Action::Write);

    EXPECT_EQ(answers.questions, QStringList{english(ViewTexts::MotorStopped)});
    ASSERT_EQ(controller.writes.size(), 1);
    EXPECT_EQ(controller.writes[0].first, full);
    EXPECT_EQ(controller.writes[0].second, expected);
    // The controller now holds the written block: nothing is left to write.
    EXPECT_EQ(view->controllerBlock(), expected);
    EXPECT_TRUE(view->model().changedFields().isEmpty());
    EXPECT_FALSE(view->isWindowModified());
    EXPECT_EQ(view->statusText(), english(ViewTexts::Written));

    // A second Write has nothing to do and asks nothing.
    trigger(*view, ProfessionalView::Action::Write);
    EXPECT_EQ(controller.writes.size(), 1);
    EXPECT_EQ(answers.questions.size(), 1);
    EXPECT_EQ(view->statusText(), english(ViewTexts::NothingToWrite));
}

TEST_F(ProfessionalViewTest, AValueBeingTypedIsPartOfTheWrite)
{
    // Ctrl+W while an editor is open: the value in it counts, as if the cell had been left.
    auto view = online();
    view->show();
    QTableView* table = view->table();
    QModelIndex index;
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex i = table->model()->index(row, FieldTableModel::ValueColumn);
        if (i.data(FieldTableModel::FieldRole).value<Field>() == Field::MaxMotorCurrent)
            index = i;
    }
    ASSERT_TRUE(index.isValid());
    table->setCurrentIndex(index);
    table->edit(index);
    auto* spin = qobject_cast<QSpinBox*>(table->indexWidget(index));
    ASSERT_NE(spin, nullptr);
    spin->setValue(77);

    trigger(*view, ProfessionalView::Action::Write);
    ASSERT_EQ(controller.writes.size(), 1);
    EXPECT_EQ(controller.writes[0].second, with(full, {{Field::MaxMotorCurrent, 77}}));
    EXPECT_EQ(table->currentIndex(), index);
}

TEST_F(ProfessionalViewTest, NothingIsWrittenWhenTheMotorQuestionIsAnsweredNo)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    answers.yes = {false};
    trigger(*view, ProfessionalView::Action::Write);
    EXPECT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(controller.writes.isEmpty());
    EXPECT_EQ(view->model().changedFields(), QList<Field>{Field::MaxMotorCurrent});
}

TEST_F(ProfessionalViewTest, SettingsThatDoNotWorkTogetherAreNamedBeforeTheMotorQuestion)
{
    ProfessionalViewOptions o = options();
    o.strings = [](int id) { return testModule().string(id); };
    auto view = std::make_unique<ProfessionalView>(&controller, full, o);
    ASSERT_TRUE(edit(*view, Field::StopOutputTemperature, 110));
    ASSERT_TRUE(edit(*view, Field::ResumeOutputTemperature, 130));
    trigger(*view, ProfessionalView::Action::Write);
    ASSERT_EQ(answers.cautiousQuestions.size(), 1);
    EXPECT_TRUE(answers.cautiousQuestions[0].contains("ResumeOutputTemperature 130"));
    EXPECT_TRUE(answers.cautiousQuestions[0].contains("StopOutputTemperature 110"));
    EXPECT_TRUE(answers.questions.isEmpty()) << "No asks nothing more";
    EXPECT_TRUE(controller.writes.isEmpty());

    answers.cautiousYes = true;
    trigger(*view, ProfessionalView::Action::Write);
    EXPECT_EQ(answers.questions.size(), 1); // the motor question
    ASSERT_EQ(controller.writes.size(), 1);
    EXPECT_EQ(controller.writes[0].second.get(Field::ResumeOutputTemperature), 130u);
}

TEST_F(ProfessionalViewTest, AFailedWriteSaysWhyAndKeepsTheEdits)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    controller.writeError = QStringLiteral("no answer to chunk 3");
    trigger(*view, ProfessionalView::Action::Write);
    ASSERT_EQ(controller.writes.size(), 1);
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains(QLatin1String("no answer to chunk 3")));
    EXPECT_EQ(view->controllerBlock(), full);
    EXPECT_EQ(view->model().changedFields(), QList<Field>{Field::MaxMotorCurrent});
}

TEST_F(ProfessionalViewTest, ReadAsksBeforeDroppingUnwrittenChanges)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    const ConfigBlock changedElsewhere = with(full, {{Field::StartupDelay, 2}});
    controller.block = changedElsewhere;

    answers.yes = {false};
    trigger(*view, ProfessionalView::Action::Read);
    EXPECT_EQ(answers.questions, QStringList{english(ViewTexts::ReadQuestion)});
    EXPECT_EQ(controller.reads, 0);
    EXPECT_EQ(view->editedBlock().get(Field::MaxMotorCurrent), 80u);

    trigger(*view, ProfessionalView::Action::Read);
    EXPECT_EQ(controller.reads, 1);
    EXPECT_EQ(view->editedBlock(), changedElsewhere);
    EXPECT_EQ(view->controllerBlock(), changedElsewhere);

    // Unchanged, Read asks nothing; a failed read says why and keeps the block.
    controller.readError = QStringLiteral("checksum error");
    trigger(*view, ProfessionalView::Action::Read);
    EXPECT_EQ(answers.questions.size(), 2);
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains(QLatin1String("checksum error")));
    EXPECT_EQ(view->editedBlock(), changedElsewhere);
}

TEST_F(ProfessionalViewTest, RestoreFirstBackupLoadsItWithoutWriting)
{
    auto view = online();
    trigger(*view, ProfessionalView::Action::Restore);
    EXPECT_EQ(answers.messages, QStringList{english(ViewTexts::NoFirstBackup)});
    EXPECT_EQ(view->editedBlock(), full);

    const ConfigBlock first = with(full, {{Field::MaxMotorCurrent, 50}, {Field::Smooth, 0}});
    controller.backup = first;
    trigger(*view, ProfessionalView::Action::Restore);
    EXPECT_EQ(view->editedBlock(), first);
    EXPECT_EQ(view->controllerBlock(), full);
    EXPECT_EQ(view->model().changedFields(), QList<Field>({Field::MaxMotorCurrent, Field::Smooth}));
    EXPECT_TRUE(controller.writes.isEmpty());
}

// --- Files -------------------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, OpenAppliesADocumentsFieldsWithoutWriting)
{
    auto view = online();
    answers.openPath = document(QStringLiteral("batch.json"),
                                {QStringLiteral("MaxMotorCurrent=70"),
                                 QStringLiteral("StartupDelay=9"), QStringLiteral("Smooth=true")},
                                full);
    trigger(*view, ProfessionalView::Action::Open);
    EXPECT_TRUE(answers.messages.isEmpty()) << answers.messages.join('\n').toStdString();
    EXPECT_EQ(view->editedBlock(),
              with(full, {{Field::MaxMotorCurrent, 70}, {Field::StartupDelay, 9}}));
    EXPECT_EQ(view->model().changedFields(),
              QList<Field>({Field::MaxMotorCurrent, Field::StartupDelay}));
    EXPECT_TRUE(controller.writes.isEmpty());

    // An image of the same model and version gives its values, not its serial number.
    ConfigBlock image = with(full, {{Field::MaxMotorCurrent, 60}});
    image.setByte(fieldDef(Field::SerialNumber).offset, 0x77);
    answers.openPath = file(QStringLiteral("other.bin"), image.toByteArray());
    trigger(*view, ProfessionalView::Action::Open);
    EXPECT_EQ(view->editedBlock(), with(full, {{Field::MaxMotorCurrent, 60}}));
}

TEST_F(ProfessionalViewTest, ARefusedFileChangesNothingAndNamesTheFields)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 7));
    const ConfigBlock before = view->editedBlock();

    // Valid on its own, refused by this controller's rules: nothing of it is applied.
    answers.openPath = document(QStringLiteral("bad.json"),
                                {QStringLiteral("LowAccel=3"), QStringLiteral("OverVoltage=120")});
    trigger(*view, ProfessionalView::Action::Open);
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains(QLatin1String("OverVoltage=120")));
    EXPECT_EQ(view->editedBlock(), before);

    // Invalid on its own.
    QByteArray range =
        documentFromAssignments({QStringLiteral("MaxMotorCurrent=50")}, nullptr).toJson();
    ASSERT_TRUE(range.contains(": 50"));
    answers.openPath = file(QStringLiteral("range.json"), range.replace(": 50", ": 500"));
    trigger(*view, ProfessionalView::Action::Open);
    ASSERT_EQ(answers.messages.size(), 2);
    EXPECT_TRUE(answers.messages[1].contains(QLatin1String("MaxMotorCurrent")));
    answers.messages.clear();

    // A document or an image of another model is refused whole.
    const ConfigBlock basic = presetBlock(QStringLiteral("basic"));
    ASSERT_FALSE(sameModelAndVersion(basic, full));
    answers.openPath =
        document(QStringLiteral("basic.json"), {QStringLiteral("StartupDelay=3")}, basic);
    trigger(*view, ProfessionalView::Action::Open);
    answers.openPath = file(QStringLiteral("basic.bin"), basic.toByteArray());
    trigger(*view, ProfessionalView::Action::Open);
    ASSERT_EQ(answers.messages.size(), 2);
    EXPECT_TRUE(answers.messages[0].contains(QLatin1String("basic.json")));
    EXPECT_TRUE(answers.messages[1].contains(moduleTexts().identity(basic)));
    EXPECT_EQ(view->editedBlock(), before);

    // Neither an image nor a document.
    answers.openPath = file(QStringLiteral("notes.txt"), "hello");
    trigger(*view, ProfessionalView::Action::Open);
    EXPECT_EQ(answers.messages.size(), 3);
    EXPECT_EQ(view->editedBlock(), before);
}

TEST_F(ProfessionalViewTest, SaveAsWritesADocumentOrAnImageThatReadsBackTheSame)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    ASSERT_TRUE(edit(*view, Field::ForwardSwitch, Qt::Checked, Qt::CheckStateRole));
    const ConfigBlock edited = view->editedBlock();
    const QList<Field> changed = view->model().changedFields();
    EXPECT_TRUE(view->hasUnsavedChanges());

    answers.savePath = dir.filePath(QStringLiteral("settings"));
    answers.saveFilter = english(ViewTexts::DocumentFilter);
    trigger(*view, ProfessionalView::Action::SaveAs);
    QList<DocumentError> errors;
    const ConfigDocument doc =
        ConfigDocument::parse(read(dir.filePath(QStringLiteral("settings.json"))), &errors);
    ASSERT_TRUE(errors.isEmpty());
    ASSERT_TRUE(doc.controller.has_value());
    EXPECT_TRUE(sameModelAndVersion(*doc.controller, edited));
    EXPECT_EQ(doc.fields.size(), FieldRules(edited).writableFields().size());
    for (const auto& [field, value] : doc.fields)
        EXPECT_EQ(value, edited.get(field)) << fieldDef(field).name;
    ConfigBlock applied;
    ASSERT_TRUE(applyDocument(doc, full, {}, &applied, nullptr));
    EXPECT_EQ(applied, edited);
    // Saved, the edits are safe: unwritten still, but closing need not ask.
    EXPECT_FALSE(view->hasUnsavedChanges());
    EXPECT_EQ(view->model().changedFields(), changed);

    answers.savePath = dir.filePath(QStringLiteral("settings.bin"));
    answers.saveFilter = english(ViewTexts::ImageFilter);
    trigger(*view, ProfessionalView::Action::SaveAs);
    EXPECT_EQ(read(answers.savePath), edited.toByteArray());

    // No filter said which: the name decides.
    answers.savePath = dir.filePath(QStringLiteral("copy.bin"));
    answers.saveFilter.clear();
    trigger(*view, ProfessionalView::Action::SaveAs);
    EXPECT_EQ(read(answers.savePath), edited.toByteArray());
    EXPECT_TRUE(answers.messages.isEmpty());
}

TEST_F(ProfessionalViewTest, CompareListsExactlyTheFieldsThatDiffer)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 7));
    const ConfigBlock other = with(full, {{Field::MaxMotorCurrent, 60}, {Field::StartupDelay, 3}});
    answers.openPath = file(QStringLiteral("other.bin"), other.toByteArray());
    trigger(*view, ProfessionalView::Action::Compare);
    EXPECT_TRUE(answers.choices.isEmpty()); // no backup folder: a file straight away

    auto* dialog = view->findChild<ComparisonDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->rows(),
              QList<QStringList>(
                  {{QStringLiteral("MaxMotorCurrent"),
                    QString::number(full.get(Field::MaxMotorCurrent)), QStringLiteral("60")},
                   {QStringLiteral("StartupDelay"), QStringLiteral("7"), QStringLiteral("3")}}));
    delete dialog;

    // A document speaks only for the fields it names.
    const QString doc = document(QStringLiteral("two.json"),
                                 {QStringLiteral("StartupDelay=7"), QStringLiteral("LowAccel=1")});
    bool ok = false;
    const QList<FieldChange> changes = view->compareWithFile(doc, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].field, Field::LowAccel);
    EXPECT_EQ(changes[0].before, QString::number(full.get(Field::LowAccel)));
    EXPECT_EQ(changes[0].after, QStringLiteral("1"));
}

TEST_F(ProfessionalViewTest, CompareOffersTheControllersBackups)
{
    backupDir = dir.filePath(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(backupDir));
    const ConfigBlock older = with(full, {{Field::Smooth, 0}});
    ASSERT_TRUE(BackupHistory(backupDir).save(older));
    // Another controller's image is not offered.
    ConfigBlock stranger = full;
    stranger.setByte(fieldDef(Field::SerialNumber).offset, 0x55);
    ASSERT_TRUE(BackupHistory(backupDir).save(stranger));

    auto view = online();
    answers.choice = 1;
    trigger(*view, ProfessionalView::Action::Compare);
    ASSERT_EQ(answers.choices.size(), 1);
    ASSERT_EQ(answers.choices[0].size(), 2);
    EXPECT_EQ(answers.choices[0][0], english(ViewTexts::CompareFile));
    auto* dialog = view->findChild<ComparisonDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->rows(), QList<QStringList>({{QStringLiteral("Smooth"), QStringLiteral("true"),
                                                   QStringLiteral("false")}}));
}

// --- Offline -----------------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, AnImageOpensOfflineAndConnectCarriesItsValuesOver)
{
    controller.connected = false;
    const ConfigBlock image = with(full, {{Field::MaxMotorCurrent, 70}});
    const QString path = file(QStringLiteral("saved.bin"), image.toByteArray());
    auto view = offline(path);
    ASSERT_TRUE(view->isValid()) << view->errorString().toStdString();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Professional - saved.bin[*]"));
    EXPECT_FALSE(view->isOnline());
    EXPECT_EQ(view->editedBlock(), image);
    EXPECT_TRUE(view->table()->isColumnHidden(FieldTableModel::ControllerColumn));
    EXPECT_EQ(view->identityRows()[5].first, english(ViewTexts::FileLabel));
    for (auto a : {ProfessionalView::Action::Read, ProfessionalView::Action::Write,
                   ProfessionalView::Action::Restore})
        EXPECT_FALSE(view->action(a)->isEnabled());

    // Offline edits are carried over too.
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 8));
    trigger(*view, ProfessionalView::Action::Connect);
    EXPECT_EQ(controller.connects, 1);
    EXPECT_TRUE(answers.messages.isEmpty()) << answers.messages.join('\n').toStdString();
    ASSERT_TRUE(view->isOnline());
    EXPECT_TRUE(view->action(ProfessionalView::Action::Write)->isEnabled());
    EXPECT_FALSE(view->action(ProfessionalView::Action::Connect)->isEnabled());
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Professional - DVR72401 12AB0002[*]"));
    const ConfigBlock expected =
        with(full, {{Field::MaxMotorCurrent, 70}, {Field::StartupDelay, 8}});
    EXPECT_EQ(view->controllerBlock(), full);
    EXPECT_EQ(view->editedBlock(), expected);

    trigger(*view, ProfessionalView::Action::Write);
    ASSERT_EQ(controller.writes.size(), 1);
    EXPECT_EQ(controller.writes[0], std::pair(full, expected));
}

TEST_F(ProfessionalViewTest, ConnectRefusesAControllerOfAnotherModel)
{
    const ConfigBlock basic = presetBlock(QStringLiteral("basic"));
    controller.block = basic;
    controller.connected = false;
    const QString path = file(QStringLiteral("full.bin"), full.toByteArray());
    auto view = offline(path);
    trigger(*view, ProfessionalView::Action::Connect);
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains(moduleTexts().identity(basic)));
    EXPECT_FALSE(view->isOnline());
    EXPECT_FALSE(view->action(ProfessionalView::Action::Write)->isEnabled());
    EXPECT_EQ(view->editedBlock(), full);
    EXPECT_TRUE(controller.writes.isEmpty());

    // No controller found: nothing changes, and the search said why itself.
    controller.connected = false;
    controller.canConnect = false;
    trigger(*view, ProfessionalView::Action::Connect);
    EXPECT_EQ(answers.messages.size(), 1);
    EXPECT_FALSE(view->isOnline());
}

TEST_F(ProfessionalViewTest, ADocumentWithoutAControllerIsShownForTheChosenIdentity)
{
    controller.connected = false;
    const QString path =
        document(QStringLiteral("batch.json"),
                 {QStringLiteral("MaxMotorCurrent=70"), QStringLiteral("Smooth=false")});
    EXPECT_TRUE(ProfessionalView::needsIdentity(path));
    EXPECT_FALSE(
        ProfessionalView::needsIdentity(file(QStringLiteral("x.bin"), full.toByteArray())));

    auto refused = offline(path);
    EXPECT_FALSE(refused->isValid());
    EXPECT_FALSE(refused->errorString().isEmpty());

    auto view = offline(path, full);
    ASSERT_TRUE(view->isValid()) << view->errorString().toStdString();
    EXPECT_EQ(view->editedBlock(), with(full, {{Field::MaxMotorCurrent, 70}, {Field::Smooth, 0}}));
    EXPECT_TRUE(view->identityRows()[0].second.endsWith(english(ViewTexts::Assumed)));

    // Saved as a document, it names what the file named and what was edited, and no
    // controller: the identity was only assumed.
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 4));
    const QString saved = dir.filePath(QStringLiteral("again.json"));
    ASSERT_TRUE(view->saveAs(saved, ConfigurationFile::Format::Document));
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(read(saved), &errors);
    ASSERT_TRUE(errors.isEmpty());
    EXPECT_FALSE(doc.controller.has_value());
    QList<Field> named;
    for (const auto& [field, value] : doc.fields)
        named.append(field);
    std::sort(named.begin(), named.end());
    QList<Field> expected{Field::MaxMotorCurrent, Field::Smooth, Field::StartupDelay};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(named, expected);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Professional - again.json[*]"));
}

TEST_F(ProfessionalViewTest, ConnectCarriesOnlyTheValuesADocumentGives)
{
    // A document's controller part holds the identity only; what it does not name must not
    // reach the controller as the unknown bytes the view shows for it.
    const QString path =
        document(QStringLiteral("part.json"), {QStringLiteral("MaxMotorCurrent=70")}, full);
    controller.connected = false;
    auto view = offline(path);
    ASSERT_TRUE(view->isValid()) << view->errorString().toStdString();
    trigger(*view, ProfessionalView::Action::Connect);
    ASSERT_TRUE(view->isOnline()) << answers.messages.join('\n').toStdString();
    EXPECT_EQ(view->editedBlock(), with(full, {{Field::MaxMotorCurrent, 70}}));
    EXPECT_EQ(view->model().changedFields(), QList<Field>{Field::MaxMotorCurrent});
}

TEST_F(ProfessionalViewTest, TheNameColumnFitsEveryNameWhateverTheController)
{
    // The basic controller has the rows an empty model starts with: no reset happens, and the
    // columns must fit all the same.
    for (const char* name : {"basic", "full"}) {
        SCOPED_TRACE(name);
        auto view = online(presetBlock(QString::fromLatin1(name)));
        const QTableView& table = *view->table();
        int widest = 0;
        for (int row = 0; row < view->model().rowCount(); ++row)
            widest = std::max(widest, table.fontMetrics().horizontalAdvance(
                                          QLatin1String(fieldDef(view->model().field(row)).name)));
        EXPECT_GE(table.columnWidth(FieldTableModel::NameColumn), widest);
    }
}

// --- The curve panel ---------------------------------------------------------------------------

// Makes the field's row the table's current one, as a click does.
void select(ProfessionalView& view, Field f)
{
    QAbstractItemModel* model = view.table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, FieldTableModel::ValueColumn);
        if (index.data(FieldTableModel::FieldRole).value<Field>() == f) {
            view.table()->setCurrentIndex(index);
            return;
        }
    }
    ADD_FAILURE() << "no row for " << fieldDef(f).name;
}

TEST_F(ProfessionalViewTest, TheCurvePanelShowsTheSelectedGroupsCurveAsValuesChange)
{
    controller.backup = full;
    auto view = online();
    const CurvePanel& panel = *view->curvePanel();
    const auto kind = [&panel] {
        return panel.sheet() ? std::optional(panel.sheet()->curve.kind) : std::nullopt;
    };
    // Before a row is chosen: the first group's.
    EXPECT_EQ(kind(), CurveKind::Throttle);

    const std::pair<Field, std::optional<CurveKind>> rows[] = {
        {Field::MaxRegenCurrent, CurveKind::Regeneration},
        {Field::UnderVoltage, CurveKind::Voltage},
        {Field::MotorPoles, std::nullopt},
        {Field::StopOutputTemperature, CurveKind::Temperature},
        {Field::ThrottleSensorType, CurveKind::Throttle},
    };
    for (const auto& [field, expected] : rows) {
        SCOPED_TRACE(fieldDef(field).name);
        select(*view, field);
        EXPECT_EQ(kind(), expected);
    }
    select(*view, Field::MotorPoles);
    EXPECT_FALSE(panel.sheet().has_value());
    EXPECT_EQ(panel.toolTip(), panel.hint());

    // An edit redraws the curve at once; the first-connection image's curve appears behind
    // it as soon as the two differ, and goes when they agree again.
    select(*view, Field::MaxRegenCurrent);
    ASSERT_TRUE(panel.sheet());
    EXPECT_FALSE(panel.sheet()->drawsBackup());
    ASSERT_TRUE(edit(*view, Field::MaxRegenCurrent, 80));
    const QList<CurvePoint> points = panel.sheet()->curve.lines.value(0).points;
    ASSERT_FALSE(points.isEmpty());
    EXPECT_EQ(points.last().y, 40); // half of 80 % of the motor's current
    EXPECT_TRUE(panel.sheet()->drawsBackup());
    ASSERT_TRUE(edit(*view, Field::MaxRegenCurrent, full.get(Field::MaxRegenCurrent)));
    EXPECT_FALSE(panel.sheet()->drawsBackup());

    // A coupling's adjustment redraws too: Boost turns the brake sensor off.
    ASSERT_TRUE(edit(*view, Field::BoostFunction, Qt::Checked, Qt::CheckStateRole));
    select(*view, Field::BrakeSensorType);
    EXPECT_TRUE(panel.sheet()->curve.lines.isEmpty()) << "no brake sensor, no sensor line";
}

TEST_F(ProfessionalViewTest, TheCurvePanelDrawsOnlyWhatADocumentGivesValuesFor)
{
    controller.connected = false;
    const QString path =
        document(QStringLiteral("temps.json"), {QStringLiteral("StopOutputTemperature=120")});
    auto view = offline(path, full);
    ASSERT_TRUE(view->isValid()) << view->errorString().toStdString();
    select(*view, Field::StopOutputTemperature);
    const CurvePanel& panel = *view->curvePanel();
    ASSERT_TRUE(panel.sheet());
    EXPECT_EQ(panel.sheet()->curve.missing, QList<Field>{Field::ResumeOutputTemperature});
    // Once the other value is given, by an edit, the loop is drawn.
    ASSERT_TRUE(edit(*view, Field::ResumeOutputTemperature, 95));
    EXPECT_TRUE(panel.sheet()->curve.missing.isEmpty());
    EXPECT_EQ(panel.sheet()->curve.lines.size(), 2);
}

// --- Closing -----------------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, ClosingWithUnsavedChangesAsksFirst)
{
    auto view = online();
    view->show();
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(answers.closeQuestions.isEmpty());

    view->show();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Cancel;
    EXPECT_FALSE(view->close());
    EXPECT_EQ(answers.closeQuestions, QStringList{english(ViewTexts::CloseQuestion)});

    // Save, but the file dialog is cancelled: the window stays.
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Save;
    EXPECT_FALSE(view->close());
    answers.savePath = dir.filePath(QStringLiteral("kept.json"));
    answers.saveFilter = english(ViewTexts::DocumentFilter);
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(QFile::exists(answers.savePath));

    view->show();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 81));
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Discard;
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(controller.writes.isEmpty());
}

TEST_F(ProfessionalViewTest, TheLegacyControlModeConversionIsAnEditToWrite)
{
    ConfigBlock legacy = presetBlock("legacy");
    ASSERT_EQ(legacy.get(Field::ControlMode), 2u);
    FakeController old(legacy);
    ProfessionalView view(&old, legacy, options());
    // Torque mode replaces the legacy mode 2, which no list offers.
    EXPECT_TRUE(view.editField(Field::SpeedMode, 0));
    EXPECT_TRUE(view.editField(Field::ControlMode, 3));
    EXPECT_FALSE(view.editField(Field::ControlMode, 2));
    EXPECT_EQ(view.editedBlock().get(Field::ControlMode), 3u);
    EXPECT_EQ(view.editedBlock().get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(view.controllerBlock(), legacy);
    EXPECT_TRUE(view.model().changedFields().contains(Field::ControlMode));
}

} // namespace
