// Tests of the coupling table, the derived fields and the step-pair encoding.
#include "field_couplings.h"
#include "field_encodings.h"
#include "presets.h"

#include <gtest/gtest.h>

namespace {

ConfigBlock fullPreset()
{
    ConfigBlock block;
    presetImage(QStringLiteral("full"), &block, nullptr, nullptr);
    return block;
}

} // namespace

TEST(FieldCouplings, EachCouplingSettlesItsRuleAndLeavesItsTriggerAlone)
{
    for (const FieldCoupling& c : fieldCouplings()) {
        SCOPED_TRACE(std::string(fieldDef(c.trigger).name) + " -> " + fieldDef(c.target).name);
        ConfigBlock block = fullPreset();
        for (Field f : couplingRuleFields(c.rule))
            block.set(f, 1);
        ASSERT_TRUE(couplingRuleBroken(c.rule, block));
        ConfigBlock off = block;
        off.set(c.trigger, 0);
        ConfigBlock untouched = off;
        applyCouplings(off, c.trigger);
        EXPECT_EQ(off, untouched) << "a trigger that is off changes nothing";

        applyCouplings(block, c.trigger);
        EXPECT_EQ(block.get(c.target), 0u);
        EXPECT_EQ(block.get(c.trigger), 1u);
        EXPECT_FALSE(couplingRuleBroken(c.rule, block));
        EXPECT_EQ(heldBy(block, c.target).has_value(), c.holds);
    }
}

TEST(FieldCouplings, DerivedFieldsFollowOnlyTheirSource)
{
    for (const DerivedField& d : derivedFields()) {
        ConfigBlock block = fullPreset();
        const std::uint32_t before = block.get(d.field);
        setWithDerived(block, Field::MaxMotorCurrent, 55);
        EXPECT_EQ(block.get(d.field), before);
        setWithDerived(block, d.source, ControlModeCode::kBalanced);
        EXPECT_EQ(block.get(d.field), ControlModeCode::kBalanced);
        EXPECT_EQ(derivedSource(d.field), d.source);
    }
}

TEST(StepPair, EachNibbleIsReplacedWithoutTouchingTheOther)
{
    for (int byte = 0; byte <= 0xFF; ++byte) {
        const int start = StepPair::start(byte), end = StepPair::end(byte);
        ASSERT_EQ(StepPair::of(start, end), byte);
        ASSERT_EQ(StepPair::withStart(byte, 3), StepPair::of(3, end));
        ASSERT_EQ(StepPair::withEnd(byte, 3), StepPair::of(start, 3));
    }
}
