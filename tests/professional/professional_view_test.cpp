// The professional view window: what it shows, its edits, and what Write and Read do.
#include "professional_view_fixture.h"

#include <gtest/gtest.h>

namespace {

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
        {A::Read, "Ctrl+R"},          {A::Write, "F9"},
        {A::Connect, "Ctrl+K"},       {A::Open, "Ctrl+O"},
        {A::SaveAs, "Ctrl+Shift+S"},  {A::Compare, "Ctrl+D"},
        {A::Restore, "Ctrl+Shift+B"}, {A::Close, "Ctrl+W"},
        {A::Save, "Ctrl+S"},          {A::Undo, "Ctrl+Z"},
        {A::Redo, "Ctrl+Shift+Z"},    {A::Find, "Ctrl+F"},
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
        EXPECT_EQ(inMenus, 14); // with Open Recent and Port
        EXPECT_TRUE(view.action(A::Redo)->shortcuts().contains(QKeySequence("Ctrl+Y")));
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

// A refusal names the valid values, and the cell's tooltip names them before any edit.
TEST_F(ProfessionalViewTest, RefusalsAndValueTooltipsNameTheValidValues)
{
    auto view = online();
    const FieldTableModel& model = view->model();
    const ViewTexts texts;
    const QString flagWords = english(ViewTexts::TrueText) + english(ViewTexts::SpanSeparator) +
                              english(ViewTexts::FalseText);
    const struct
    {
        Field field;
        QVariant refused;
    } cases[] = {{Field::MaxMotorCurrent, 500},
                 {Field::MaxMotorCurrent, QStringLiteral("eighty")},
                 {Field::StartupDelay, -1},
                 {Field::BoostFunction, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(fieldDef(c.field).name);
        const QString valid = fieldDef(c.field).kind == FieldKind::Flag
                                  ? flagWords
                                  : texts.validText(model.rules().valid(c.field));
        const QString tip = model.index(model.rowOf(c.field), FieldTableModel::ValueColumn)
                                .data(Qt::ToolTipRole)
                                .toString();
        EXPECT_TRUE(tip.contains(valid)) << tip.toStdString();
        EXPECT_FALSE(edit(*view, c.field, c.refused));
        if (fieldDef(c.field).kind == FieldKind::Flag) // "either on or off" says it
            continue;
        EXPECT_TRUE(view->statusText().contains(valid)) << view->statusText().toStdString();
    }
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
    // Once, in the controller's words: they say what happened and what to do next.
    EXPECT_EQ(answers.messages, QStringList{controller.writeError});
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

} // namespace

TEST_F(ProfessionalViewTest, SaveAsOffersAFileNameWithNothingUnsafeFromTheModelText)
{
    ConfigBlock block = full;
    const FieldDef& prefix = fieldDef(Field::ModelPrefix);
    const QByteArray planted = QByteArray("/../*?:\\\"<>|").left(prefix.width);
    for (int i = 0; i < prefix.width; ++i)
        block.setByte(prefix.offset + i, static_cast<std::uint8_t>(planted.at(i)));
    auto view = online(block);
    const QFileInfo suggested(view->suggestedPath(ConfigurationFile::Format::Document));
    EXPECT_EQ(suggested.absolutePath(), QDir::homePath());
    EXPECT_TRUE(suggested.fileName().endsWith(".json"));
    EXPECT_FALSE(suggested.fileName().contains(QRegularExpression("[^A-Za-z0-9._-]")))
        << suggested.fileName().toStdString();
}
