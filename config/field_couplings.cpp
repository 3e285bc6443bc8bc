// The couplings between fields and the derived fields, as data for every editor of a block.
#include "field_couplings.h"

namespace {

using R = CouplingRule;
using Why = CouplingReason;

const QList<FieldCoupling> kCouplings = {
    {R::SharedBrakeInput, Field::BoostFunction, Field::EconomyFunction, Why::SharedInput},
    {R::SharedBrakeInput, Field::EconomyFunction, Field::BoostFunction, Why::SharedInput},
    {R::BrakeSensorOrFunctions, Field::BoostFunction, Field::BrakeSensorType, Why::SensorCleared},
    {R::BrakeSensorOrFunctions, Field::EconomyFunction, Field::BrakeSensorType, Why::SensorCleared},
    {R::BrakeSensorOrFunctions, Field::BrakeSensorType, Field::BoostFunction, Why::FunctionOff},
    {R::BrakeSensorOrFunctions, Field::BrakeSensorType, Field::EconomyFunction, Why::FunctionOff},
    {R::ForwardSwitchHoldsFoot, Field::ForwardSwitch, Field::FootSwitch, Why::HeldOff, true},
};

const QList<DerivedField> kDerived = {
    {Field::ControlModeCopy, Field::ControlMode},
};

} // namespace

const QList<FieldCoupling>& fieldCouplings()
{
    return kCouplings;
}

QList<Field> couplingRuleFields(CouplingRule rule)
{
    QList<Field> fields;
    for (const FieldCoupling& c : kCouplings) {
        if (c.rule != rule)
            continue;
        for (Field f : {c.trigger, c.target})
            if (!fields.contains(f))
                fields.append(f);
    }
    return fields;
}

Field couplingRuleWinner(CouplingRule rule)
{
    switch (rule) {
    case R::SharedBrakeInput:
        return Field::BoostFunction;
    case R::BrakeSensorOrFunctions:
        return Field::BrakeSensorType;
    case R::ForwardSwitchHoldsFoot:
        break;
    }
    return Field::ForwardSwitch;
}

bool couplingRuleBroken(CouplingRule rule, const ConfigBlock& block)
{
    for (const FieldCoupling& c : kCouplings)
        if (c.rule == rule && block.get(c.trigger) != 0 && block.get(c.target) != 0)
            return true;
    return false;
}

QString couplingRuleText(CouplingRule rule, const ConfigBlock& block)
{
    switch (rule) {
    case R::SharedBrakeInput:
        return QStringLiteral(
            "BoostFunction and EconomyFunction cannot both be true (they share the brake input)");
    case R::BrakeSensorOrFunctions:
        return QStringLiteral("BrakeSensorType=%1 needs BoostFunction and EconomyFunction "
                              "false (they share the brake input)")
            .arg(block.get(Field::BrakeSensorType));
    case R::ForwardSwitchHoldsFoot:
        break;
    }
    return QStringLiteral("FootSwitch must be false while ForwardSwitch is true");
}

QList<FieldCoupling> couplingsFrom(const ConfigBlock& block, Field trigger)
{
    QList<FieldCoupling> found;
    if (block.get(trigger) == 0)
        return found;
    for (const FieldCoupling& c : kCouplings)
        if (c.trigger == trigger)
            found.append(c);
    return found;
}

void applyCouplings(ConfigBlock& block, Field trigger)
{
    for (const FieldCoupling& c : couplingsFrom(block, trigger))
        block.set(c.target, 0);
}

bool isCoupled(Field f)
{
    for (const FieldCoupling& c : kCouplings)
        if (c.trigger == f || c.target == f)
            return true;
    return false;
}

std::optional<Field> heldBy(const ConfigBlock& block, Field f)
{
    for (const FieldCoupling& c : kCouplings)
        if (c.holds && c.target == f && block.get(c.trigger) != 0)
            return c.trigger;
    return std::nullopt;
}

const QList<DerivedField>& derivedFields()
{
    return kDerived;
}

std::optional<Field> derivedSource(Field f)
{
    for (const DerivedField& d : kDerived)
        if (d.field == f)
            return d.source;
    return std::nullopt;
}

void setWithDerived(ConfigBlock& block, Field f, std::uint32_t value)
{
    block.set(f, value);
    for (const DerivedField& d : kDerived)
        if (d.source == f)
            block.set(d.field, value);
}
