// The professional view as a document editor: open replaces, save, recent files, undo, the
// keys of the table and the filter, and what the title says.
#include "port_choice.h"
#include "professional_view_fixture.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace {

using A = ProfessionalView::Action;
using Close = ProfessionalPrompts::CloseAnswer;

QString title(int id)
{
    return english(id);
}

TEST_F(ProfessionalViewTest, OpenAsksAboutUnsavedChangesThenReplacesTheConfiguration)
{
    auto view = online();
    answers.openPath =
        document(QStringLiteral("batch.json"), {QStringLiteral("MaxMotorCurrent=70")}, full);
    ASSERT_TRUE(edit(*view, Field::StartupDelay, 9));

    answers.closeAnswer = Close::Cancel; // nothing asked of the file dialog, nothing changes
    trigger(*view, A::Open);
    EXPECT_EQ(answers.closeQuestions, QStringList{title(ViewTexts::OpenQuestion)});
    EXPECT_TRUE(answers.openFilters.isEmpty());
    EXPECT_EQ(view->editedBlock().get(Field::StartupDelay), 9u);

    answers.closeAnswer = Close::Discard;
    trigger(*view, A::Open);
    // The file's values on the controller's configuration: the edit is gone, not merged.
    EXPECT_EQ(view->editedBlock(), with(full, {{Field::MaxMotorCurrent, 70}}));
    EXPECT_TRUE(view->windowTitle().contains(QStringLiteral("batch.json")));
    EXPECT_EQ(view->filePath(), answers.openPath);
    EXPECT_FALSE(view->isWindowModified());
    EXPECT_TRUE(view->windowTitle().endsWith(title(ViewTexts::DiffersMark)));

    // Offline, the file opened becomes the document shown, with its name.
    auto offlineView = offline(file(QStringLiteral("first.bin"), full.toByteArray()));
    const ConfigBlock other = with(full, {{Field::MaxMotorCurrent, 55}});
    answers.openPath = file(QStringLiteral("second.bin"), other.toByteArray());
    trigger(*offlineView, A::Open);
    EXPECT_EQ(offlineView->editedBlock(), other);
    EXPECT_EQ(offlineView->windowTitle(), QStringLiteral("Professional - second.bin[*]"));
    EXPECT_TRUE(offlineView->model().changedFields().isEmpty());
}

TEST_F(ProfessionalViewTest, SaveGoesToTheFileItCameFromAndSaveAsElsewhere)
{
    auto view = online();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    // From the controller there is no file yet: Save asks where, as Save As does.
    answers.savePath = dir.filePath(QStringLiteral("unit.json"));
    answers.saveFilter = english(ViewTexts::DocumentFilter);
    trigger(*view, A::Save);
    ASSERT_EQ(answers.saveFilters.size(), 1);
    EXPECT_FALSE(view->isWindowModified());
    // Saved is not written: the title still says the controller holds other values.
    EXPECT_TRUE(view->windowTitle().endsWith(title(ViewTexts::DiffersMark)));

    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 81));
    EXPECT_TRUE(view->isWindowModified());
    trigger(*view, A::Save);
    EXPECT_EQ(answers.saveFilters.size(), 1) << "no second question";
    const ConfigDocument doc = ConfigDocument::parse(read(answers.savePath), nullptr);
    ConfigBlock applied;
    ASSERT_TRUE(applyDocument(doc, full, {}, &applied, nullptr));
    EXPECT_EQ(applied.get(Field::MaxMotorCurrent), 81u);

    // A file opened offline is saved into as it came: an image stays an image.
    const QString image = file(QStringLiteral("unit.bin"), full.toByteArray());
    auto offlineView = offline(image);
    ASSERT_TRUE(edit(*offlineView, Field::MaxMotorCurrent, 66));
    trigger(*offlineView, A::Save);
    EXPECT_EQ(read(image), offlineView->editedBlock().toByteArray());
    EXPECT_EQ(answers.saveFilters.size(), 1);
}

TEST_F(ProfessionalViewTest, RecentFilesKeepTheLastEightNewestFirstBetweenRuns)
{
    QStringList paths;
    for (int i = 0; i < 10; ++i)
        paths.prepend(QFileInfo(file(QStringLiteral("f%1.bin").arg(i), full.toByteArray()))
                          .absoluteFilePath());
    {
        auto view = offline(paths.last());
        for (qsizetype i = paths.size() - 2; i >= 0; --i)
            ASSERT_TRUE(view->openFile(paths[i]));
        view->openFile(paths[3]); // again: it moves to the top, not twice into the list
    }
    QStringList expected = paths.mid(0, 8);
    expected.move(3, 0);
    EXPECT_EQ(ProfessionalView::recentFiles(), expected);

    // A new window lists them, and an entry opens its file.
    auto view = online();
    const QList<QAction*> entries = view->recentMenu()->actions();
    ASSERT_EQ(entries.size(), 8);
    EXPECT_TRUE(entries[0]->text().startsWith(QStringLiteral("&1 ")));
    entries[1]->trigger();
    EXPECT_EQ(view->filePath(), expected[1]);
}

TEST_F(ProfessionalViewTest, UndoTakesBackAnEditWithItsCouplingsAndEachTakeOver)
{
    auto view = online(with(full, {{Field::FootSwitch, 1}, {Field::ForwardSwitch, 0}}));
    const ConfigBlock start = view->editedBlock();
    ASSERT_TRUE(edit(*view, Field::ForwardSwitch, Qt::Checked, Qt::CheckStateRole));
    const ConfigBlock coupled = view->editedBlock();
    ASSERT_EQ(coupled.get(Field::FootSwitch), 0u) << "the coupling this test relies on";
    EXPECT_EQ(view->undoStack()->count(), 1);

    trigger(*view, A::Undo);
    EXPECT_EQ(view->editedBlock(), start);
    trigger(*view, A::Redo);
    EXPECT_EQ(view->editedBlock(), coupled);

    // Read: the edits come back over what the controller holds.
    trigger(*view, A::Read);
    EXPECT_EQ(view->editedBlock(), controller.block);
    trigger(*view, A::Undo);
    EXPECT_EQ(view->editedBlock(), coupled);

    // Open and the comparison's take-over, each one step.
    answers.closeAnswer = Close::Discard;
    const ConfigBlock other = with(coupled, {{Field::MaxMotorCurrent, 44}});
    answers.openPath = file(QStringLiteral("other.bin"), other.toByteArray());
    trigger(*view, A::Open);
    EXPECT_EQ(view->editedBlock().get(Field::MaxMotorCurrent), 44u);
    trigger(*view, A::Undo);
    EXPECT_EQ(view->editedBlock(), coupled);
    EXPECT_TRUE(view->filePath().isEmpty());

    view->compareWithFile(answers.openPath);
    auto* dialog = view->findChild<ComparisonDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->takeOverButton()->click();
    EXPECT_EQ(view->editedBlock().get(Field::MaxMotorCurrent), 44u);
    trigger(*view, A::Undo);
    EXPECT_EQ(view->editedBlock(), coupled);
}

TEST_F(ProfessionalViewTest, CtrlFFindsEscapeClearsAndF2OrTypingEditsTheValue)
{
    auto view = online();
    view->show();
    QApplication::setActiveWindow(view.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTableView* table = view->table();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(view->filterEdit()->hasFocus());
    QTest::keyClicks(view->filterEdit(), QStringLiteral("delay"));
    QTest::keyClick(view->filterEdit(), Qt::Key_Escape);
    EXPECT_TRUE(view->filterEdit()->text().isEmpty());

    const int row = static_cast<int>([&] {
        for (int r = 0; r < table->model()->rowCount(); ++r)
            if (table->model()->index(r, 0).data(FieldTableModel::FieldRole).value<Field>() ==
                Field::MaxMotorCurrent)
                return r;
        return -1;
    }());
    ASSERT_GE(row, 0);
    for (const int column : {FieldTableModel::NameColumn, FieldTableModel::MeaningColumn}) {
        for (const bool typing : {false, true}) {
            SCOPED_TRACE(column * 10 + typing);
            table->setFocus();
            table->setCurrentIndex(table->model()->index(row, column));
            if (typing)
                QTest::keyClicks(table, QStringLiteral("7"));
            else
                QTest::keyClick(table, Qt::Key_F2);
            EXPECT_NE(table->indexWidget(table->currentIndex()), nullptr) << "an editor is open";
            EXPECT_EQ(table->currentIndex().column(), FieldTableModel::ValueColumn);
            if (typing) {
                auto* spin = qobject_cast<QSpinBox*>(QApplication::focusWidget());
                ASSERT_NE(spin, nullptr);
                EXPECT_EQ(spin->cleanText(), QStringLiteral("7"));
            }
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        }
    }
}

} // namespace

namespace {

// The port menu's choices: their texts, and which is checked.
QList<std::pair<QString, bool>> portChoices(ProfessionalView& view)
{
    emit view.portMenu()->aboutToShow();
    QList<std::pair<QString, bool>> choices;
    for (QAction* a : view.portMenu()->actions())
        if (!a->isSeparator())
            choices.append(
                {a->isCheckable() ? a->text() : QStringLiteral("-") + a->text(), a->isChecked()});
    return choices;
}

TEST_F(ProfessionalViewTest, PortMenuListsThePortsAndRemembersTheChoiceForEveryStart)
{
    const QString all = english(ViewTexts::SearchAllPorts);
    const QString stable = file(QStringLiteral("usb-Norvel_Adapter_42-if00"), {});
    controller.ports = {{QStringLiteral("/dev/ttyUSB0"), stable},
                        {QStringLiteral("/dev/ttyS0"), {}}};
    const QString usb = stable + QStringLiteral(" (/dev/ttyUSB0)");
    auto view = online();
    using Choices = QList<std::pair<QString, bool>>;
    EXPECT_EQ(portChoices(*view), (Choices{{all, true}, {usb, false}, {"/dev/ttyS0", false}}));

    // The stable name is what is kept and handed to the controller's access.
    view->portMenu()->actions().at(2)->trigger();
    EXPECT_EQ(controller.usedPorts, QStringList{stable});
    EXPECT_EQ(rememberedPort(), stable);
    EXPECT_EQ(portsToSearch(), QStringList{stable});
    view.reset();
    view = online();
    EXPECT_EQ(portChoices(*view), (Choices{{all, false}, {usb, true}, {"/dev/ttyS0", false}}));

    view->portMenu()->actions().at(0)->trigger();
    EXPECT_EQ(controller.usedPorts.last(), QString());
    EXPECT_TRUE(rememberedPort().isEmpty());
    EXPECT_TRUE(portsToSearch().isEmpty());

    // A remembered port since unplugged: every port is searched, and the menu says so.
    rememberPort(QStringLiteral("/dev/serial/by-id/usb-gone"));
    EXPECT_TRUE(portsToSearch().isEmpty());
    controller.ports.clear();
    EXPECT_EQ(
        portChoices(*view),
        (Choices{{all, true}, {QStringLiteral("-") + english(ViewTexts::NoPortFound), false}}));
}

} // namespace
