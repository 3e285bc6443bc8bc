// Settings that do not work together: which pairs are named, at which values, and only where the
// controller uses both fields.
#include "catalogue_block.h"
#include "plausibility.h"
#include "presets.h"

#include <gtest/gtest.h>

namespace {

TEST(PlausibilityTest, EveryPresetIsPlausible)
{
    for (const char* name : {"basic", "full", "can", "pdr", "legacy"})
        EXPECT_TRUE(implausiblePairs(catalogueBlock(name)).isEmpty()) << name;
}

TEST(PlausibilityTest, EachRuleNamesBothFieldsAtItsEdge)
{
    using Rule = ImplausiblePair::Rule;
    struct Case
    {
        Field first;
        std::uint32_t firstValue;
        Field second;
        std::uint32_t secondValue;
        bool broken;
        Rule rule;
    };
    const Case cases[] = {
        {Field::UnderVoltage, 86, Field::OverVoltage, 84, true, Rule::VoltageCutBacksOverlap},
        // 1.1 x 76 = 83.6 and 0.95 x 88 = 83.6: touching is reaching
        {Field::UnderVoltage, 76, Field::OverVoltage, 88, true, Rule::VoltageCutBacksOverlap},
        {Field::UnderVoltage, 75, Field::OverVoltage, 88, false, Rule::VoltageCutBacksOverlap},
        {Field::ResumeOutputTemperature, 110, Field::StopOutputTemperature, 110, true,
         Rule::ResumeNotBelowStop},
        {Field::ResumeOutputTemperature, 130, Field::StopOutputTemperature, 110, true,
         Rule::ResumeNotBelowStop},
        {Field::ResumeOutputTemperature, 109, Field::StopOutputTemperature, 110, false,
         Rule::ResumeNotBelowStop},
    };
    for (const Case& c : cases) {
        ConfigBlock block = catalogueBlock("full");
        block.set(c.first, c.firstValue);
        block.set(c.second, c.secondValue);
        const QList<ImplausiblePair> found = implausiblePairs(block);
        SCOPED_TRACE(fieldDef(c.first).name + std::to_string(c.firstValue));
        ASSERT_EQ(found.size(), c.broken ? 1 : 0);
        if (!c.broken)
            continue;
        EXPECT_EQ(found[0].rule, c.rule);
        EXPECT_EQ(found[0].first, c.first);
        EXPECT_EQ(found[0].firstValue, c.firstValue);
        EXPECT_EQ(found[0].second, c.second);
        EXPECT_EQ(found[0].secondValue, c.secondValue);
        const QString text = implausibleText(found[0]);
        EXPECT_TRUE(
            text.contains(QStringLiteral("%1 %2").arg(fieldDef(c.first).name).arg(c.firstValue)))
            << text.toStdString();
        EXPECT_TRUE(
            text.contains(QStringLiteral("%1 %2").arg(fieldDef(c.second).name).arg(c.secondValue)))
            << text.toStdString();
    }
}

TEST(PlausibilityTest, OnlyWhatAnEditBringsInCountsAsNew)
{
    ConfigBlock held = catalogueBlock("full");
    held.set(Field::ResumeOutputTemperature, 120);
    held.set(Field::StopOutputTemperature, 110);
    ConfigBlock edited = held;
    edited.set(Field::MaxMotorCurrent, 50);
    EXPECT_EQ(implausiblePairs(edited).size(), 1);
    EXPECT_TRUE(newImplausiblePairs(held, edited).isEmpty()); // already so on the controller
    edited.set(Field::ResumeOutputTemperature, 125);
    EXPECT_EQ(newImplausiblePairs(held, edited).size(), 1); // changed, still broken
    edited.set(Field::ResumeOutputTemperature, 100);
    EXPECT_TRUE(newImplausiblePairs(held, edited).isEmpty());
}

} // namespace
