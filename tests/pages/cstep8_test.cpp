// Tests of page 8 and the Upgrade dialog: their templates, an untouched block, an inert button.
#include "cstep8.h"
#include "frame_harness.h"
#include "page_harness.h"
#include "upgrade.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class Step8Test : public ::testing::TestWithParam<const char*>
{
protected:
    QString module() const { return QString::fromLatin1(GetParam()); }
};

TEST_P(Step8Test, PageShowsItsTemplateAndLeavesTheBlockAlone)
{
    const ConfigBlock before = blockWithVersion(4, 5);
    ConfigBlock block = before;
    ScriptedPrompter prompter;
    auto page = makePage<CStep8>(block, CStep8::kTemplateId, &prompter, module());
    ASSERT_NE(page->form(), nullptr);
    QStringList texts;
    for (const QLabel* label : page->form()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts, QStringList{QStringLiteral("8")});
    EXPECT_GE(page->minimumWidth(), page->form()->width());

    page->load();
    EXPECT_TRUE(page->store());
    EXPECT_EQ(blockDiff(block, before), "");
    EXPECT_TRUE(prompter.asked.isEmpty());
    EXPECT_TRUE(prompter.told.isEmpty());
}

TEST_P(Step8Test, UpgradeTakesCaptionAndSizeOfItsTemplate)
{
    Upgrade dialog;
    QString error;
    QWidget* form = testModule(module()).loadDialog(Upgrade::kTemplateId, &dialog, &error);
    ASSERT_NE(form, nullptr) << error.toStdString();
    const QString caption = form->windowTitle();
    const QSize size = form->size();
    dialog.setForm(form);

    EXPECT_FALSE(caption.isEmpty());
    EXPECT_EQ(dialog.windowTitle(), caption);
    EXPECT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()); // a modal frame: no resizing
    EXPECT_TRUE(dialog.isModal());
    EXPECT_FALSE(form->isWindow());
    // The dialog carries no controls.
    EXPECT_TRUE(form->findChildren<QWidget*>().isEmpty());

    // A second form is refused: the dialog keeps its template.
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    dialog.setForm(&other);
    EXPECT_EQ(dialog.form(), form);
    EXPECT_EQ(dialog.windowTitle(), caption);
}

INSTANTIATE_TEST_SUITE_P(Modules, Step8Test, ::testing::Values("english", "chinese"));

TEST(Step8Frame, UpgradeButtonOfTheFrameDoesNothing)
{
    FrameHarness h(QStringLiteral("basic"));
    ASSERT_TRUE(h.open());
    QPushButton* upgrade = h.frame->button(Wizird::IdUpgrade);
    ASSERT_NE(upgrade, nullptr);
    // As if a module showed the button.
    upgrade->setVisible(true);
    const ConfigBlock before = h.block;
    const int page = h.frame->currentPage();
    const int asked = static_cast<int>(h.prompter.asked.size());
    const QWidgetList windows = QApplication::topLevelWidgets();

    upgrade->click();
    QApplication::processEvents();

    EXPECT_EQ(h.frame->currentPage(), page);
    EXPECT_EQ(blockDiff(h.block, before), "");
    EXPECT_EQ(h.prompter.asked.size(), asked);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_TRUE(windows.contains(w)) << w->metaObject()->className();
}

} // namespace
