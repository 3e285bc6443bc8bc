// Tests of the classic tabbed dialog and the About box: menu, About paths, tab items, Exit.
#include "caboutdlg.h"
#include "cnorvelcontrollerdlg.h"
#include "controls.h"
#include "test_resources.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// What a modal dialog opened by an action looked like.
struct ModalSeen
{
    int count = 0;
    QString className;
    QString title;
    QStringList texts; // label texts in child order
    bool hasPicture = false;
    int result = -1; // of the modal run, after OK was pressed

    bool operator==(const ModalSeen& o) const
    {
        return count == o.count && className == o.className && title == o.title &&
               texts == o.texts && hasPicture == o.hasPicture && result == o.result;
    }
};

// Runs `trigger`; every modal dialog it opens is recorded and closed with its OK button (or
// rejected when it has none), so that no test waits for ever.
ModalSeen runRecordingModals(const std::function<void()>& trigger)
{
    ModalSeen seen;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        ++seen.count;
        seen.className = QString::fromLatin1(dialog->metaObject()->className());
        seen.title = dialog->windowTitle();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull())
                seen.hasPicture = true;
            else
                seen.texts << label->text();
        }
        QObject::connect(dialog, &QDialog::finished, [&seen](int r) { seen.result = r; });
        if (auto* ok = control<QPushButton>(dialog, CAboutDlg::IdOk))
            ok->click();
        else
            dialog->reject();
    });
    poll.start();
    trigger();
    QApplication::processEvents();
    poll.stop();
    return seen;
}

class ClassicTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { CNorvelControllerDlg::resetTabItemsPending(); }
    const ResourceModule& module() const { return testModule(QString::fromLatin1(GetParam())); }

    std::unique_ptr<CNorvelControllerDlg> makeDialog() const
    {
        auto dialog = std::make_unique<CNorvelControllerDlg>(module());
        EXPECT_TRUE(dialog->isValid()) << dialog->error().toStdString();
        return dialog;
    }
};

TEST_P(ClassicTest, DialogBuildsOnItsTemplateWithMenuIconAndHiddenControls)
{
    auto dialog = makeDialog();
    ASSERT_TRUE(dialog->isValid());
    QWidget* form = dialog->form();
    EXPECT_EQ(dialog->windowTitle(), form->windowTitle());
    EXPECT_FALSE(dialog->windowTitle().isEmpty());
    EXPECT_FALSE(dialog->windowIcon().isNull());
    // The background as painted, in a corner no control covers.
    const QImage painted = form->grab().toImage();
    EXPECT_EQ(painted.pixelColor(painted.width() - 3, painted.height() - 3), QColor(247, 246, 245));

    // Only the three labels show; nothing reveals the hidden controls.
    for (int id : {1006, 1007, 1008})
        EXPECT_FALSE(control<QLabel>(form, id)->isHidden()) << id;
    for (int id : {int(CNorvelControllerDlg::IdOk), 1005, int(CNorvelControllerDlg::IdTestWizard),
                   int(CNorvelControllerDlg::IdTab)})
        EXPECT_TRUE(control<QWidget>(form, id)->isHidden()) << id;

    // The menu bar of the module as it stands: About once, in Help.
    QMenuBar* bar = dialog->menuBar();
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 3);
    ASSERT_NE(top[0]->menu(), nullptr);
    EXPECT_EQ(top[1]->menu(), nullptr); // Tools is a command on the bar
    EXPECT_EQ(top[1], dialog->commandAction(CNorvelControllerDlg::IdTools));
    ASSERT_NE(top[2]->menu(), nullptr);
    EXPECT_EQ(top[0]->menu()->actions(),
              QList<QAction*>{dialog->commandAction(CNorvelControllerDlg::IdExit)});
    EXPECT_EQ(top[2]->menu()->actions(),
              QList<QAction*>{dialog->commandAction(CNorvelControllerDlg::IdAbout)});
}

// The character after a single '&' of a menu text, upper case; none for "&&" or no '&'.
QChar mnemonic(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

TEST_P(ClassicTest, EveryMenuHasUniqueMnemonicsAndAltHThenAOpensTheAboutBox)
{
    auto dialog = makeDialog();
    std::function<void(const QWidget*)> checkMenu = [&](const QWidget* menu) {
        QStringList seen;
        for (QAction* action : menu->actions()) {
            const QChar m = mnemonic(action->text());
            if (!m.isNull()) {
                EXPECT_FALSE(seen.contains(m)) << action->text().toStdString();
                seen << m;
            }
            if (action->menu() != nullptr)
                checkMenu(action->menu());
        }
    };
    checkMenu(dialog->menuBar());

    // The keyboard path a user takes: Alt+H opens Help, A opens the About box at once.
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QAction* helpMenu = dialog->menuBar()->actions().value(2);
    ASSERT_NE(helpMenu, nullptr);
    ASSERT_EQ(mnemonic(helpMenu->text()), QLatin1Char('H'));
    QMenu* help = helpMenu->menu();
    const ModalSeen fromKeys = runRecordingModals([&] {
        QTest::keyClick(dialog.get(), Qt::Key_H, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return help->isVisible(); }, 1000))
            << "Alt+H does not open Help";
        QTest::keyClick(help, Qt::Key_A);
    });
    EXPECT_EQ(fromKeys.count, 1);
    EXPECT_EQ(fromKeys.className, QStringLiteral("CAboutDlg"));
    EXPECT_FALSE(help->isVisible());
}

TEST_P(ClassicTest, AboutBoxIsTheSameFromMenuAndSystemCommand)
{
    auto dialog = makeDialog();
    dialog->show();
    const ModalSeen fromMenu = runRecordingModals(
        [&] { dialog->commandAction(CNorvelControllerDlg::IdAbout)->trigger(); });
    EXPECT_EQ(fromMenu.count, 1);
    EXPECT_EQ(fromMenu.className, QStringLiteral("CAboutDlg"));
    EXPECT_EQ(fromMenu.result, QDialog::Accepted);
    EXPECT_TRUE(fromMenu.hasPicture);
    EXPECT_EQ(fromMenu.texts.size(), 2); // the program's name and the legal notice

    for (int command = 0x0010; command <= 0x001F; ++command) {
        bool handled = false;
        const ModalSeen fromSystem =
            runRecordingModals([&] { handled = dialog->onSysCommand(command); });
        EXPECT_TRUE(handled) << command;
        EXPECT_EQ(fromSystem, fromMenu) << command;
    }
    // The About box closes again each time; the dialog stays open.
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
}

TEST_P(ClassicTest, OtherSystemCommandsAreLeftToTheDefault)
{
    auto dialog = makeDialog();
    for (int command : {0x0000, 0x000F, 0x0020, 0x0110, 0xF060, 0xF020}) {
        bool handled = true;
        const ModalSeen seen = runRecordingModals([&] { handled = dialog->onSysCommand(command); });
        EXPECT_FALSE(handled) << command;
        EXPECT_EQ(seen.count, 0) << command;
    }
}

TEST_P(ClassicTest, TabItemsGoIntoTheFirstDialogOfTheProcessOnly)
{
    auto first = makeDialog();
    ASSERT_NE(first->tabControl(), nullptr);
    QStringList texts;
    for (int i = 0; i < first->tabControl()->count(); ++i)
        texts << first->tabControl()->tabText(i);
    EXPECT_EQ(texts, (QStringList{"0", "1", "2"}));

    auto second = makeDialog();
    ASSERT_NE(second->tabControl(), nullptr);
    EXPECT_EQ(second->tabControl()->count(), 0);

    // Exit exchanges the data again; that adds nothing.
    first->OnOK();
    EXPECT_EQ(first->tabControl()->count(), 3);
    first.reset();
    EXPECT_EQ(makeDialog()->tabControl()->count(), 0);
}

TEST_P(ClassicTest, SelectingAnotherTabChangesNothingElse)
{
    auto dialog = makeDialog();
    dialog->show();
    auto state = [&] {
        QStringList s{dialog->windowTitle(), QString::number(dialog->result()),
                      QString::number(dialog->isVisible())};
        for (const QWidget* w :
             dialog->form()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            s << w->objectName() + (w->isHidden() ? QStringLiteral(":hidden") : QString());
        for (const QLabel* label : dialog->form()->findChildren<QLabel*>())
            s << label->text();
        return s;
    };
    const QStringList before = state();
    const ModalSeen seen = runRecordingModals([&] {
        dialog->tabControl()->setCurrentIndex(2);
        dialog->tabControl()->tabBar()->setCurrentIndex(1);
    });
    EXPECT_EQ(dialog->tabControl()->currentIndex(), 1);
    EXPECT_EQ(seen.count, 0);
    EXPECT_EQ(state(), before);
}

TEST_P(ClassicTest, ExitAndOkEndTheModalRunAccepted)
{
    for (int command : {int(CNorvelControllerDlg::IdExit), int(CNorvelControllerDlg::IdOk)}) {
        auto dialog = makeDialog();
        QTimer::singleShot(0, dialog.get(), [&] {
            if (command == CNorvelControllerDlg::IdExit)
                dialog->commandAction(command)->trigger();
            else
                control<QPushButton>(dialog->form(), command)->click();
        });
        EXPECT_EQ(dialog->exec(), QDialog::Accepted) << command;
    }
}

TEST_P(ClassicTest, ToolsAndTestWizardDoNothing)
{
    auto dialog = makeDialog();
    dialog->show();
    const ModalSeen seen = runRecordingModals([&] {
        dialog->commandAction(CNorvelControllerDlg::IdTools)->trigger();
        control<QPushButton>(dialog->form(), CNorvelControllerDlg::IdTestWizard)->click();
        dialog->OnCommand(CNorvelControllerDlg::IdTools);
    });
    EXPECT_EQ(seen.count, 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
}

TEST_P(ClassicTest, AboutBoxShowsIconNameAndNotice)
{
    CAboutDlg about(module());
    ASSERT_TRUE(about.isValid()) << about.error().toStdString();
    EXPECT_EQ(about.windowTitle(), about.form()->windowTitle());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    const ModalSeen seen = runRecordingModals([&] { about.exec(); });
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.result, QDialog::Accepted);
    EXPECT_TRUE(seen.hasPicture);
    ASSERT_EQ(seen.texts.size(), 2);
    EXPECT_TRUE(seen.texts[1].contains(QStringLiteral("(C)"))) << seen.texts[1].toStdString();

    // Pictures of the dialogs for a person to look at, when asked for.
    const QString shots = qEnvironmentVariable("NORVEL_SHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        const QString prefix = shots + QLatin1Char('/') + QString::fromLatin1(GetParam());
        about.show();
        EXPECT_TRUE(about.grab().save(prefix + QStringLiteral("-about.png")));
        auto dialog = makeDialog();
        dialog->show();
        EXPECT_TRUE(dialog->grab().save(prefix + QStringLiteral("-classic.png")));
        auto* help =
            qobject_cast<QMenu*>(dialog->commandAction(CNorvelControllerDlg::IdAbout)->parent());
        ASSERT_NE(help, nullptr);
        help->popup(dialog->mapToGlobal(QPoint(0, 0)));
        EXPECT_TRUE(help->grab().save(prefix + QStringLiteral("-help-menu.png")));
        help->close();
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, ClassicTest, ::testing::Values("english", "chinese"));

TEST(ClassicEnglish, AboutBoxTexts)
{
    CAboutDlg about(testModule(QStringLiteral("english")));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Norvel Controller"));
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        if (label->pixmap().isNull())
            texts << label->text();
    EXPECT_EQ(texts.value(0), QStringLiteral("Norvel Controller "));
    CNorvelControllerDlg::resetTabItemsPending();
    CNorvelControllerDlg dialog(testModule(QStringLiteral("english")));
    EXPECT_EQ(dialog.commandAction(CNorvelControllerDlg::IdAbout)->text(),
              QStringLiteral("&About"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Norvel Controller"));
}

} // namespace
