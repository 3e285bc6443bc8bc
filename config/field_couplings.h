// The couplings between fields (one field switched on turns others off) and the derived fields
// (a field that always holds another's value), as data for every editor of a block.
#pragma once

#include "config_block.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The constraints the couplings keep: a block breaks one when a trigger is on (non-zero) while
// a field it turns off is on too.
// DocumentError's kinds of the couplings follow this order.
enum class CouplingRule
{
    SharedBrakeInput,       // Boost and Economy both use the brake input: never both on
    BrakeSensorOrFunctions, // a brake sensor uses it as well: no sensor while either is on
    ForwardSwitchHoldsFoot, // with the forward switch on, the throttle switch is no foot switch
};
// In the order they are checked and settled.
constexpr CouplingRule kCouplingRules[] = {CouplingRule::SharedBrakeInput,
                                           CouplingRule::BrakeSensorOrFunctions,
                                           CouplingRule::ForwardSwitchHoldsFoot};

// Why a coupling turned a field off, for the front ends to put into words.
enum class CouplingReason
{
    SharedInput,   // the other function shares the brake input
    SensorCleared, // a function switched on needs the brake input: no brake sensor
    FunctionOff,   // a brake sensor switched on: the function is turned off
    HeldOff,       // the trigger holds the target off
};

// One coupling: `trigger` switched on (non-zero) turns `target` off (stores 0).
struct FieldCoupling
{
    CouplingRule rule;
    Field trigger;
    Field target;
    CouplingReason reason;
    // The target cannot be switched on while the trigger is on (the wizard locks its control).
    bool holds = false;
};

// Every coupling, the rules in the order they are settled.
const QList<FieldCoupling>& fieldCouplings();
// The fields a rule concerns.
QList<Field> couplingRuleFields(CouplingRule rule);
// The trigger that prevails when a rule is broken and none of its triggers was just switched
// on: Boost over Economy (the motor page stores Boost first), a brake sensor over both
// functions (the regeneration page stores after the motor page), the forward switch.
Field couplingRuleWinner(CouplingRule rule);
// Whether `block` breaks the rule.
bool couplingRuleBroken(CouplingRule rule, const ConfigBlock& block);
// What the rule requires, in English, for the command line and documents.
QString couplingRuleText(CouplingRule rule, const ConfigBlock& block);

// The couplings `trigger` sets off when it is on in `block`, in table order.
QList<FieldCoupling> couplingsFrom(const ConfigBlock& block, Field trigger);
// Turns off every field that `trigger`, on in `block`, turns off, whether or not the
// controller uses it (as the wizard's pages store).
void applyCouplings(ConfigBlock& block, Field trigger);
// Whether `f` is a field of any coupling rule.
bool isCoupled(Field f);
// The trigger that is on in `block` and holds `f` off, if any.
std::optional<Field> heldBy(const ConfigBlock& block, Field f);

// One derived field: `field` always holds the value of `source`.
struct DerivedField
{
    Field field;
    Field source;
};
const QList<DerivedField>& derivedFields();
// The field `f` follows, if it is derived.
std::optional<Field> derivedSource(Field f);
// Sets `f` and every field derived from it.
void setWithDerived(ConfigBlock& block, Field f, std::uint32_t value);
