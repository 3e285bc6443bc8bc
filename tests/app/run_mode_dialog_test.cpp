// The run-mode choice in front of the program: OK only after a choice, and the choice read back.
#include "cstep1.h"
#include "run_mode_dialog.h"
#include "test_resources.h"

#include <QAbstractButton>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(RunModeDialog, OkWaitsForAChoiceAndEveryStartAsksAfresh)
{
    for (const QString module : {"english", "chinese"}) {
        RunModeDialog dialog(testModule(module));
        ASSERT_TRUE(dialog.isValid()) << dialog.error().toStdString();
        EXPECT_EQ(dialog.runMode(), CStep1::kNoRunMode);
        EXPECT_FALSE(dialog.okButton()->isEnabled());
        auto* professional = dialog.page()->control<QAbstractButton>(CStep1::IdProfessionalMode);
        ASSERT_NE(professional, nullptr);
        professional->click();
        EXPECT_TRUE(dialog.okButton()->isEnabled());
        EXPECT_EQ(dialog.runMode(), CStep1::kProfessionalMode);
        dialog.page()->control<QAbstractButton>(CStep1::IdImportMode)->click();
        EXPECT_EQ(dialog.runMode(), CStep1::kImportMode);
    }
}

} // namespace
