// J1939 page: the preferred address and the fields of the J1939 NAME, as decimal edits.
#include "cstep7.h"

#include "prompter.h"

#include <QLineEdit>

#include <optional>

namespace {

struct Range
{
    int min;
    int max;
    bool contains(int value) const { return value >= min && value <= max; }
};

constexpr Range kNoRange = {1, 0};

struct J1939Field
{
    Field field;
    int editId;
    Range range;
    Range otherRange; // a second accepted span, or kNoRange
    const char* message;
};

// In the order the fields are checked and stored.
constexpr J1939Field kFields[] = {
    // 128..247 are the addresses for arbitrary-address-capable nodes, 254 and 255 the null and
    // global addresses: none of them can be a preferred address.
    {Field::PreferredAddress,
     1127,
     {0, 127},
     {248, 253},
     "Preferred Address must between 0 and 127 or 248 and 253 "},
    {Field::ArbitraryAddressCapable,
     1137,
     {0, 1},
     kNoRange,
     "Arbitrary Address Capable must between 0 and 1 "},
    {Field::IndustryGroup, 1138, {0, 7}, kNoRange, "Industry Group must between 0 and 7 "},
    {Field::VehicleSystemInstance,
     1139,
     {0, 15},
     kNoRange,
     "Vehicle System Instance must between 0 and 15 "},
    {Field::VehicleSystem, 1140, {0, 127}, kNoRange, "Vehicle System must between 0 and 127 "},
    {Field::ReservedFields, 1141, {0, 1}, kNoRange, "Reserved Fields must between 0 and 1 "},
    {Field::FunctionFields, 1142, {0, 255}, kNoRange, "Function Fields must between 0 and 255 "},
    {Field::FunctionInstance, 1143, {0, 31}, kNoRange, "Function Instance must between 0 and 31 "},
    {Field::EcuInstance, 1128, {0, 7}, kNoRange, "ECU Instance must between 0 and 7 "},
    {Field::ManufacturerCode,
     1145,
     {0, 2047},
     kNoRange,
     "Manufacturer Code must between 0 and 2047 "},
    {Field::IdentityNumber,
     1146,
     {0, 2097151},
     kNoRange,
     "Identity Number must between 0 and 2097151 "},
};

} // namespace

void CStep7::load()
{
    // Values are shown as the controller holds them, even outside their range; the multi-byte
    // fields are big-endian in the block.
    for (const J1939Field& f : kFields)
        setControlText(f.editId, QString::number(block().get(f.field)));
}

bool CStep7::store()
{
    for (const J1939Field& f : kFields) {
        auto* edit = control<QLineEdit>(f.editId);
        if (edit == nullptr)
            continue;
        const std::optional<int> value = decimalValue(edit->text());
        if (!value || !(f.range.contains(*value) || f.otherRange.contains(*value))) {
            // The fields before this one are stored; this one and those after keep their values.
            if (prompter())
                prompter()->tell(QString::fromLatin1(f.message), Prompter::Buttons::Ok,
                                 Prompter::Icon::None);
            edit->setFocus(Qt::OtherFocusReason);
            return false;
        }
        block().set(f.field, static_cast<std::uint32_t>(*value));
    }
    return true;
}
