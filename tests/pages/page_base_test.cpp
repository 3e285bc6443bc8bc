// What every page gets from the page base: slider page steps, radio pairs, decimal text.
#include "page_harness.h"
#include "page_set.h"
#include "presets.h"

#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace {

TEST(PageBase, EverySliderPagesByAFifthOfTheRangeThePageGaveIt)
{
    for (const QString& preset :
         {QStringLiteral("full"), QStringLiteral("basic"), QStringLiteral("can")}) {
        ConfigBlock block;
        std::uint8_t major = 0, minor = 0;
        ASSERT_TRUE(presetImage(preset, &block, &major, &minor));
        for (const PagePlan& plan : planPages(block)) {
            auto page = createPage(plan.kind, block, nullptr);
            ASSERT_NE(page, nullptr);
            page->setForm(testModule().loadDialog(plan.templateId, page.get()));
            page->load();
            for (QSlider* slider : page->findChildren<QSlider*>()) {
                const int expected = std::max(1, (slider->maximum() - slider->minimum()) / 5);
                EXPECT_EQ(slider->pageStep(), expected)
                    << preset.toStdString() << " template " << plan.templateId << " "
                    << slider->objectName().toStdString() << " range " << slider->minimum() << ".."
                    << slider->maximum();
            }
            page->store();
        }
    }
}

// A page with one Enable/Disable pair, to try the base's helpers on a real template.
class PairPage : public Page
{
public:
    using Page::Page;
    void load() override { setPair(kEnable, kDisable, block().flag(Field::Regeneration)); }
    bool store() override
    {
        storeFlag(Field::Regeneration, kEnable);
        return true;
    }
    static constexpr int kEnable = 1016; // regeneration pair of template 149
    static constexpr int kDisable = 1017;
};

TEST(PageBase, PairsLoadAndStoreOnlyTheirBitAndAMissingPairLeavesIt)
{
    ConfigBlock block;
    block.setByte(fieldDef(Field::Regeneration).offset, 0xBF); // every bit but regeneration
    auto page = makePage<PairPage>(block, 149);
    ASSERT_NE(page->control<QRadioButton>(PairPage::kEnable), nullptr);
    page->load();
    EXPECT_FALSE(page->isChecked(PairPage::kEnable));
    EXPECT_TRUE(page->isChecked(PairPage::kDisable));
    page->control<QRadioButton>(PairPage::kEnable)->click();
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block.byte(fieldDef(Field::Regeneration).offset), 0xFF);

    ConfigBlock other;
    other.setByte(fieldDef(Field::Regeneration).offset, 0x40);
    PairPage bare(other, nullptr);
    bare.setForm(nullptr);
    bare.load();
    EXPECT_TRUE(bare.store());
    EXPECT_EQ(other.byte(fieldDef(Field::Regeneration).offset), 0x40);
}

TEST(PageBase, DecimalTextFollowsTheControllerToolsRules)
{
    EXPECT_EQ(decimalValue("  42"), 42);
    EXPECT_EQ(decimalValue("-7x"), -7);
    EXPECT_EQ(decimalValue("+12abc"), 12);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("abc"), 0);
    EXPECT_EQ(decimalValue("--1"), 0);
    EXPECT_EQ(decimalValue("99999999999"), std::nullopt);
}

} // namespace
