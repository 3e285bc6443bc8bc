// The professional view window: opening, saving and comparing files, and working offline.
#include "professional_view_fixture.h"

#include <gtest/gtest.h>

namespace {

// --- Files -------------------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, OpenAppliesADocumentsFieldsWithoutWriting)
{
    auto view = online();
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Discard; // Open replaces the edits
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
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Discard; // Open replaces the edits
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
    // The file it came from stays in the title, and so does the controller's difference.
    EXPECT_EQ(view->windowTitle(),
              QStringLiteral("Professional - DVR72401 12AB0002 - saved.bin[*]") +
                  english(ViewTexts::DiffersMark));
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

} // namespace
