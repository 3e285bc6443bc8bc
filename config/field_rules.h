// Which fields a controller uses, which of them may be written, and their valid values.
#pragma once

#include "config_block.h"
#include "field_couplings.h"
#include "valid_values.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// Software versions (major * 256 + minor) at which the controller's fields change.
namespace SoftwareVersions {
constexpr int kMotorPage = 0x0204;      // top speed, poles and the motor functions page
constexpr int kBatteryCurrent = 0x0208; // MaxBatteryCurrent
constexpr int kReleasing = 0x0209;      // releasing-brake protection, Half Speed, regen on release
constexpr int kFunctions = 0x0300;      // Boost, Economy, Half Current In Reverse
constexpr int kPositions = 0x0302;      // throttle and brake spans as positions instead of steps
constexpr int kNoiseReduction = 0x0304; // Noise Reduction
constexpr int kForwardSwitch = 0x0402;  // Forward Switch
constexpr int kThreeSensors = 0x0403;   // three throttle sensors, four brake types, ABS, 12 V
constexpr int kThermistors = 0x0404;    // thermistor types and throttle smoothing
constexpr int kIdentification = 0x0405; // hall identification and the threshold voltages
} // namespace SoftwareVersions

// What the rules need to know of a controller: its model designation and software version.
struct ControllerIdentity
{
    QByteArray prefix;      // ModelPrefix, three letters
    QByteArray modelNumber; // ModelNumber, five characters
    std::uint8_t options = 0;
    std::uint8_t variant = 0;
    int version = 0; // major * 256 + minor

    static ControllerIdentity of(const ConfigBlock& block);

    bool versionAtLeast(int v) const { return version >= v; }
    // The fifth model character is '1' on controllers with regeneration.
    bool hasRegeneration() const { return modelNumber.size() > 4 && modelNumber.at(4) == '1'; }
    bool canVariant() const { return variant == 'C'; }
    bool j1939Variant() const { return variant == 'J'; }
    // The second letter of the series code is 'D' for exactly the PDR and PDT series.
    bool pdSeries() const { return prefix.size() > 1 && prefix.at(1) == 'D'; }
};

// The volts the voltage limits of a model's voltage class span (first two model characters).
struct VoltageRange
{
    int min;
    int max;
};
bool voltageClassRange(const ControllerIdentity& id, VoltageRange* range);

// The wizard's groups of fields, in page order.
enum class FieldGroup
{
    Identity,
    Throttle,     // throttle and general
    Startup,      // start-up, hall and voltage
    Motor,        // motor speed and functions
    Regeneration, // regenerative braking
    Temperature,  // temperature, CAN and smoothing
    J1939,        // J1939 identity
    None,         // reserved bytes
};
const char* fieldGroupName(FieldGroup group);

// What a unit or a stored value means: a word and its numbers. The command line says it in
// English (english()); a window puts the kind into its own module's words.
struct FieldWord
{
    enum Kind
    {
        None,               // the number says it all
        Literal,            // args[0] as it stands: "0.5 s", "0-5V", "KTY84-130", "%"
        Degrees,            // the unit of the hall sensor type
        Nibbles,            // the unit of the step pairs
        Torque,             // control modes
        Balanced,           //
        Legacy,             //
        SpeedControl,       // speed modes
        Off,                //
        Disabled,           //
        ProtectionOn,       //
        ProtectionOff,      //
        NoUsed,             // sensor types
        NoSensor,           //
        Disable,            //
        Enable,             //
        ThreeWirePot,       //
        HallActiveThrottle, //
        RateStep,           // args[0]: the step
        StartEndSteps,      // args[0], args[1]: start and end in percent
    };
    Kind kind = None;
    QStringList args;

    bool isEmpty() const { return kind == None; }
    QString english() const;
};

struct FieldRule
{
    const FieldDef* def = nullptr;
    FieldGroup group = FieldGroup::None;
    bool used = false;     // the controller has the field (the wizard shows it)
    bool writable = false; // and the wizard lets the user change it
    ValidValues valid;     // in the unit the block stores; flags 0..1
};

class FieldRules
{
public:
    explicit FieldRules(const ControllerIdentity& identity);
    explicit FieldRules(const ConfigBlock& block) : FieldRules(ControllerIdentity::of(block)) {}

    const ControllerIdentity& identity() const { return m_identity; }
    FieldRule rule(Field f) const;
    bool used(Field f) const { return rule(f).used; }
    bool writable(Field f) const { return rule(f).writable; }
    ValidValues valid(Field f) const { return rule(f).valid; }

    // Every field the controller uses, in the wizard's page order.
    QList<Field> usedFields() const;
    // The writable ones among them: what a configuration document holds.
    QList<Field> writableFields() const;
    // The used ones outside the identity: the settings an editor shows.
    QList<Field> settingFields() const;

    // The unit the block stores the field in ("%", "V", "0.1 s"), empty when none.
    static FieldWord unitWord(Field f);
    static QString unit(Field f) { return unitWord(f).english(); }
    // What a stored value means, where that is more than the number: "0.5 s", "Torque",
    // "rate step 3". None when the number says it all.
    FieldWord meaningWord(Field f, std::uint32_t value) const;
    QString meaning(Field f, std::uint32_t value) const { return meaningWord(f, value).english(); }

    // Field couplings the wizard keeps: one entry per rule that `after` breaks, counting only
    // rules one of whose fields differs from `before` (a controller may hold such a state
    // already; leaving it alone is no error).
    QList<CouplingRule> brokenCouplings(const ConfigBlock& before, const ConfigBlock& after) const;
    // The same as the command line says it, one message per broken rule.
    QStringList couplingErrors(const ConfigBlock& before, const ConfigBlock& after) const;

private:
    ControllerIdentity m_identity;
};

// A field's value as text: flags "true"/"false", numbers in decimal, identity bytes as text or
// hex, reserved bytes as hex.
QString fieldValueText(const ConfigBlock& block, Field f);
// The controller's model as the tool shows it: series and number ("DVR72401"), and with
// `withVariant` its variant letter after them.
QString modelDesignation(const ConfigBlock& block, bool withVariant = false);
