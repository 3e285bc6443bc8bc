// Tests of the run-mode page: the run mode after clicks, the radio group, and an untouched block.
#include "cstep1.h"
#include "page_harness.h"
#include "scripted_prompter.h"

#include <QAbstractButton>
#include <QButtonGroup>

#include <gtest/gtest.h>

#include <vector>

namespace {

const int kModeButtons[] = {CStep1::IdGuideMode, CStep1::IdProfessionalMode, CStep1::IdImportMode};

class CStep1Test : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { CStep1::resetRunMode(); }
    QString module() const { return QString::fromLatin1(GetParam()); }

    std::unique_ptr<CStep1> makeRunModePage(ConfigBlock& block)
    {
        return makePage<CStep1>(block, CStep1::kTemplateId, &prompter, module());
    }
    // Ids of the checked mode buttons, in template order.
    static std::vector<int> checkedButtons(const CStep1& page)
    {
        std::vector<int> checked;
        for (int id : kModeButtons)
            if (page.isChecked(id))
                checked.push_back(id);
        return checked;
    }

    ScriptedPrompter prompter;
};

TEST_P(CStep1Test, NewPageHasNoChoiceAndNoCheckedButton)
{
    ConfigBlock block = blockWithVersion(4, 5);
    auto page = makeRunModePage(block);
    page->load();
    for (int id : kModeButtons)
        ASSERT_NE(page->control<QAbstractButton>(id), nullptr) << id;
    EXPECT_EQ(CStep1::RunMode(), CStep1::kNoRunMode);
    EXPECT_TRUE(checkedButtons(*page).empty());
}

struct ClickCase
{
    const char* name;
    std::vector<int> clicks;
    std::uint8_t runMode;
};

TEST_P(CStep1Test, RunModeFollowsTheLastClick)
{
    const ClickCase cases[] = {
        {"guide", {CStep1::IdGuideMode}, CStep1::kGuideMode},
        {"professional", {CStep1::IdProfessionalMode}, CStep1::kProfessionalMode},
        {"import", {CStep1::IdImportMode}, CStep1::kImportMode},
        {"import then guide", {CStep1::IdImportMode, CStep1::IdGuideMode}, CStep1::kGuideMode},
        {"all three in turn",
         {CStep1::IdGuideMode, CStep1::IdProfessionalMode, CStep1::IdImportMode},
         CStep1::kImportMode},
        {"same button twice",
         {CStep1::IdProfessionalMode, CStep1::IdProfessionalMode},
         CStep1::kProfessionalMode},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStep1::resetRunMode();
        ConfigBlock block = blockWithVersion(4, 5);
        auto page = makeRunModePage(block);
        for (int id : c.clicks)
            page->control<QAbstractButton>(id)->click();
        EXPECT_EQ(CStep1::RunMode(), c.runMode);
        // One group: only the last clicked button stays checked.
        EXPECT_EQ(checkedButtons(*page), std::vector<int>{c.clicks.back()});
    }
}

TEST_P(CStep1Test, ThreeButtonsFormOneExclusiveGroup)
{
    ConfigBlock block = blockWithVersion(4, 5);
    auto page = makeRunModePage(block);
    QButtonGroup* group = page->control<QAbstractButton>(CStep1::IdGuideMode)->group();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->exclusive());
    EXPECT_EQ(group->buttons().size(), 3);
    for (int id : kModeButtons)
        EXPECT_EQ(page->control<QAbstractButton>(id)->group(), group) << id;
}

TEST_P(CStep1Test, RunModeIsSharedByEveryPageOfTheProcess)
{
    ConfigBlock block = blockWithVersion(4, 5);
    auto first = makeRunModePage(block);
    auto second = makeRunModePage(block);

    second->control<QAbstractButton>(CStep1::IdImportMode)->click();
    first->control<QAbstractButton>(CStep1::IdGuideMode)->click();
    EXPECT_EQ(CStep1::RunMode(), CStep1::kGuideMode);
    // Clicking the button that is already checked records its mode again.
    ASSERT_TRUE(second->isChecked(CStep1::IdImportMode));
    second->control<QAbstractButton>(CStep1::IdImportMode)->click();
    EXPECT_EQ(CStep1::RunMode(), CStep1::kImportMode);
    // A page made later starts with no button checked but does not forget the choice.
    auto third = makeRunModePage(block);
    EXPECT_TRUE(checkedButtons(*third).empty());
    EXPECT_EQ(CStep1::RunMode(), CStep1::kImportMode);
}

TEST_P(CStep1Test, LoadClickStoreLeavesTheBlockAlone)
{
    for (const auto& [major, minor] : {std::pair{2, 3}, std::pair{4, 5}}) {
        const ConfigBlock before = blockWithVersion(major, minor);
        ConfigBlock block = before;
        auto page = makeRunModePage(block);
        page->load();
        page->control<QAbstractButton>(CStep1::IdProfessionalMode)->click();
        EXPECT_TRUE(page->store());
        page->load();
        EXPECT_TRUE(page->store());
        EXPECT_EQ(blockDiff(block, before), "");
    }
    EXPECT_TRUE(prompter.asked.isEmpty());
    EXPECT_TRUE(prompter.told.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Modules, CStep1Test, ::testing::Values("english", "chinese"));

} // namespace
